#include "emulator/DemoFolder.h"

#include "core/ini/TextFile.h"
#include "core/scan/EngineTable.h"
#include "emulator/EngineEmulator.h"

#include <QDir>

namespace emulator {

QStringList demoUrls()
{
    return {QStringLiteral("http://www.example.com"), QStringLiteral("http://www.example.org"),
            QStringLiteral("http://www.vantory.example"), QStringLiteral("http://noresults.example.net")};
}

bool writeDemoFolder(const QString &folder, const EngineEmulator &emulator, QString *error,
                     const QString &defaultsFolder)
{
    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("Lists")) || !dir.mkpath(QStringLiteral("Saved")))
        return fail(QStringLiteral("cannot create the folders of %1").arg(folder));
    const QString ini = scan::settingsFile(folder);
    QFile::remove(ini);
    if (!emulator.writeSettingsIni(ini))
        return fail(QStringLiteral("cannot write %1").arg(ini));
    QString list;
    for (const QString &url : demoUrls())
        list += url + QLatin1String("\r\n");
    const QString listFile = dir.filePath(QStringLiteral("Lists/demo.txt"));
    if (!textFile::writeLatin1(listFile, list))
        return fail(QStringLiteral("cannot write %1").arg(listFile));
    // The program's own read-me and skin, so that the demo looks as the program does.
    if (!defaultsFolder.isEmpty()) {
        const QDir defaults(defaultsFolder);
        dir.mkpath(QStringLiteral("skins"));
        for (const char *item : {"Help.rtf", "skins/Standard.skin", "skins/Standard.qss"}) {
            const QString from = defaults.filePath(QString::fromLatin1(item));
            const QString to = dir.filePath(QString::fromLatin1(item));
            if (QFile::exists(from) && !QFile::exists(to) && !QFile::copy(from, to))
                return fail(QStringLiteral("cannot write %1").arg(to));
        }
    }
    return true;
}

} // namespace emulator
