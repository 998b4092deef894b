#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace programFolder {

namespace {
QString &overridden()
{
    static QString folder;
    return folder;
}
} // namespace

QString path()
{
    if (!overridden().isEmpty())
        return overridden();
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

void setPath(const QString &folder)
{
    overridden() = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
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
