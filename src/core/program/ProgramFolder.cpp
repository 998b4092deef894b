#include "core/program/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <unistd.h>

namespace programFolder {

namespace {
QString &overridden()
{
    static QString folder;
    return folder;
}

QString executableFolder()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}
} // namespace

QString path()
{
    if (!overridden().isEmpty())
        return overridden();
    return executableFolder();
}

void setPath(const QString &folder)
{
    overridden() = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

namespace {

// A folder this process may create files in (access() asks the kernel, so read-only mounts count too).
bool writable(const QString &folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// Copies a default file into the per-user folder, atomically; an existing file is kept.
bool copyDefault(const QString &from, const QString &to, QString *error)
{
    if (QFileInfo::exists(to))
        return true;
    QFile source(from);
    if (!QFileInfo(from).isFile() || !source.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("The default file %1 cannot be read (%2). Reinstall Vantory, or start it with "
                           "--program-folder DIR.")
                .arg(QDir::toNativeSeparators(from), source.errorString());
        return false;
    }
    const QByteArray bytes = source.readAll();
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size() || !target.commit()) {
        *error = QStringLiteral("%1 cannot be written (%2).")
                     .arg(QDir::toNativeSeparators(to), target.errorString());
        return false;
    }
    return true;
}

} // namespace

QString &overriddenDefaults()
{
    static QString folder;
    return folder;
}

QString defaultsFolder()
{
    if (!overriddenDefaults().isEmpty())
        return overriddenDefaults();
    const QDir bin(executableFolder());
    // Installed: <prefix>/bin/vantory and <prefix>/share/vantory, wherever the prefix is.
    const QString installed = QDir::cleanPath(bin.filePath(QStringLiteral(VANTORY_BIN_TO_DATA)));
    if (QFileInfo::exists(QDir(installed).filePath(QStringLiteral("settings.ini"))))
        return installed;
    if (QFileInfo::exists(bin.filePath(QStringLiteral("settings.ini"))))
        return bin.path();
    return QStringLiteral(VANTORY_INSTALL_DATADIR);
}

void setDefaultsFolder(const QString &folder)
{
    overriddenDefaults() = folder;
}

QString perUserFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Vantory"));
}

bool choose(const QString &explicitFolder, QString *error)
{
    return chooseFor(executableFolder(), explicitFolder, error);
}

bool chooseFor(const QString &bin, const QString &explicitFolder, QString *error)
{
    QString unused;
    QString &message = error ? *error : unused;
    if (!explicitFolder.isEmpty()) {
        setPath(explicitFolder);
        return true;
    }
    if (QFileInfo::exists(QDir(bin).filePath(QStringLiteral("settings.ini"))) && writable(bin)) {
        setPath(bin);
        return true;
    }
    const QString user = perUserFolder();
    QDir dir(user);
    if (!dir.mkpath(QStringLiteral("Lists")) || !dir.mkpath(QStringLiteral("Saved")) || !writable(user)) {
        message = QStringLiteral("The folder %1 for your settings and saved searches cannot be created or "
                                 "written. Check that your home folder can be written, or start the program "
                                 "with --program-folder DIR.")
                      .arg(QDir::toNativeSeparators(user));
        return false;
    }
    const QDir defaults(defaultsFolder());
    const bool firstStart = !QFileInfo::exists(dir.filePath(QStringLiteral("settings.ini")));
    if (!copyDefault(defaults.filePath(QStringLiteral("settings.ini")),
                     dir.filePath(QStringLiteral("settings.ini")), &message))
        return false;
    // The sample list only on first start, so that a user who deleted it is not given it again.
    const QString sample = defaults.filePath(QStringLiteral("Lists/sample.txt"));
    if (firstStart && QFileInfo::exists(sample) &&
        !copyDefault(sample, dir.filePath(QStringLiteral("Lists/sample.txt")), &message))
        return false;
    setPath(user);
    return true;
}

QString dataFile(const QString &relative)
{
    const QString own = QDir(path()).filePath(relative);
    if (QFileInfo::exists(own))
        return own;
    const QString shared = QDir(defaultsFolder()).filePath(relative);
    return QFileInfo::exists(shared) ? shared : own;
}

QString settingsIni()
{
    return QDir(path()).filePath(QStringLiteral("settings.ini"));
}

QString listsFolder()
{
    return QDir(path()).filePath(QStringLiteral("Lists"));
}

QString savedFolder()
{
    return QDir(path()).filePath(QStringLiteral("Saved"));
}

QString webGraphFolder()
{
    return QDir(path()).filePath(QStringLiteral("WebGraph"));
}

namespace {

// The temporary name of an interrupted rewrite: the file's name, ".", six letters or digits.
bool isTemporaryOf(const QString &name, const QString &stem)
{
    if (name.size() != stem.size() + 7 || !name.startsWith(stem, Qt::CaseInsensitive) ||
        name.at(stem.size()) != u'.')
        return false;
    for (qsizetype i = stem.size() + 1; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

} // namespace

int removeStaleTemporaries()
{
    int removed = 0;
    const QDir program(path());
    for (const QString &name :
         program.entryList({QStringLiteral("settings.ini.??????")}, QDir::Files | QDir::Hidden)) {
        if (isTemporaryOf(name, QStringLiteral("settings.ini")) && QFile::remove(program.filePath(name)))
            ++removed;
    }
    const QDir saved(savedFolder());
    for (const QString &name : saved.entryList({QStringLiteral("*.??????")}, QDir::Files | QDir::Hidden)) {
        const QString stem = name.left(name.size() - 7);
        if (stem.endsWith(QLatin1String(".vty"), Qt::CaseInsensitive) && isTemporaryOf(name, stem) &&
            QFile::remove(saved.filePath(name)))
            ++removed;
    }
    return removed;
}

} // namespace programFolder
