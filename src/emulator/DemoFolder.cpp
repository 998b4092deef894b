#include "emulator/DemoFolder.h"

#include "core/engines/EngineSet.h"
#include "core/ini/TextFile.h"
#include "core/scan/EngineTable.h"
#include "core/webgraph/ReleaseImport.h"
#include "emulator/EngineEmulator.h"
#include "emulator/GraphFileServer.h"
#include "emulator/GraphRelease.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>

namespace emulator {

QStringList demoUrls()
{
    return {QStringLiteral("http://www.example.com"), QStringLiteral("http://www.example.org"),
            QStringLiteral("http://www.vantory.example"), QStringLiteral("http://noresults.example.net")};
}

namespace {

// A small web graph release, served on loopback and imported as a user imports one, and the shipped engines
// with the web graph's switched on: the demo's "Linking domains" column is filled without the internet.
bool addDemoGraph(const QString &folder, QString *error)
{
    const QDir dir(folder);
    const QString source = dir.filePath(QStringLiteral("GraphSource"));
    const QString release = QStringLiteral("cc-main-2025-sep-oct-nov");
    if (!graphRelease::write({source, release, 3000, 40000, 2, 2025}, error))
        return false;
    GraphFileServer server(source);
    if (!server.listen()) {
        *error = QStringLiteral("cannot serve the demo's web graph release");
        return false;
    }
    webgraph::ReleaseImport import(
        {release, server.baseUrl(), dir.filePath(QStringLiteral("WebGraph")), QString(), 3});
    QEventLoop loop;
    bool imported = false;
    QObject::connect(&import, &webgraph::ReleaseImport::finished, &loop,
                     [&](bool ok, const QString &message) {
                         imported = ok;
                         if (!ok)
                             *error = message;
                         loop.quit();
                     });
    import.start();
    if (!imported && error->isEmpty())
        loop.exec();
    if (!imported)
        return false;
    QFile shipped(QStringLiteral(":/vantory/engines.ini"));
    if (!shipped.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the shipped engines cannot be read");
        return false;
    }
    QList<engines::Definition> definitions = engines::parse(shipped.readAll(), QString()).all;
    for (engines::Definition &definition : definitions) {
        if (definition.isWebGraph())
            definition.enabled = true;
    }
    return engines::saveFile(dir.filePath(QStringLiteral("engines.ini")), definitions, error);
}

} // namespace

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
    if (QString why; !addDemoGraph(folder, &why))
        return fail(why);
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
