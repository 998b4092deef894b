// vantory-emulator: a loopback server answering link queries like the six engines, for tests and demos.
#include "core/program/ProgramFolder.h"
#include "core/scan/EngineTable.h"
#include "core/scan/FetchPage.h"
#include "core/scan/ParseEngineData.h"
#include "emulator/DemoFolder.h"
#include "emulator/EngineEmulator.h"
#include "emulator/GraphFileServer.h"
#include "emulator/GraphRelease.h"
#include "emulator/ProxyServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>
#include <utility>
#include <vector>

#include "vantory_version.h"

namespace {

int runDemo(emulator::EngineEmulator &server, const QString &folderOption)
{
    QTextStream out(stdout);
    QTemporaryDir temporary;
    const QString folder = folderOption.isEmpty() ? temporary.path() : folderOption;
    QString error;
    if (!emulator::writeDemoFolder(folder, server, &error, programFolder::defaultsFolder())) {
        QTextStream(stderr) << "vantory-emulator: " << error << Qt::endl;
        return 1;
    }
    const QString ini = scan::settingsFile(folder);
    out << "Engine emulator on " << server.baseUrl() << Qt::endl;
    out << "Demo program folder: " << folder << Qt::endl << Qt::endl;
    for (const QString &url : emulator::demoUrls()) {
        out << url << Qt::endl;
        for (int e = 1; e <= scan::EngineCount; ++e) {
            const QString query = scan::queryUrlFromSettings(e, url, ini);
            const QString count = scan::ParseEngineData(scan::FetchPage(query), e);
            out << "  " << scan::engineCaption(e).leftJustified(12) << ' '
                << (count.isEmpty() ? QStringLiteral("(none)") : count).rightJustified(10) << "  " << query
                << Qt::endl;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantory-emulator"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTORY_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Answers link queries on 127.0.0.1 in the page style of the six search engines.\n"
        "Target host names select fault modes: noresults., changed., slow., stall., reset., "
        "huge., garbage.,\n"
        "error., redirect., blocked., captcha., notfound., badgateway., gatewaytimeout., headers.,\n"
        "endless., gzipbomb., badgzip."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port to listen on (0: any)."),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption latencyOption(QStringLiteral("latency"),
                                           QStringLiteral("Delay before every answer, in ms."),
                                           QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"), QStringLiteral("Write a demo program folder, query every engine for the "
                                               "sample URLs, print the counts and exit."));
    const QCommandLineOption folderOption(QStringLiteral("program-folder"),
                                          QStringLiteral("Demo program folder (default: a temporary one)."),
                                          QStringLiteral("DIR"));
    const QCommandLineOption settingsOption(
        QStringLiteral("settings"),
        QStringLiteral(
            "Write FILE as a settings.ini whose engine addresses point at this emulator, then serve."),
        QStringLiteral("FILE"));
    const QCommandLineOption proxyPortOption(
        QStringLiteral("proxy-port"), QStringLiteral("Also serve an HTTP proxy on this port (0: any)."),
        QStringLiteral("N"));
    const QCommandLineOption socksPortOption(
        QStringLiteral("socks5-port"), QStringLiteral("Also serve a SOCKS5 proxy on this port (0: any)."),
        QStringLiteral("N"));
    const QCommandLineOption proxyUserOption(QStringLiteral("proxy-user"),
                                             QStringLiteral("The proxies ask for this user and password."),
                                             QStringLiteral("USER:PASSWORD"));
    const QCommandLineOption graphPortOption(
        QStringLiteral("graph-port"),
        QStringLiteral(
            "Also serve web graph releases on this port (0: any), in the layout of the real source "
            "(with Range and Content-Length): those of --graph-folder, else a small generated one, "
            "cc-main-2025-sep-oct-nov."),
        QStringLiteral("N"));
    const QCommandLineOption graphFolderOption(QStringLiteral("graph-folder"),
                                               QStringLiteral("The folder of releases --graph-port serves."),
                                               QStringLiteral("DIR"));
    parser.addOptions({portOption, latencyOption, demoOption, folderOption, settingsOption, proxyPortOption,
                       socksPortOption, proxyUserOption, graphPortOption, graphFolderOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        QTextStream(stderr) << "vantory-emulator: bad port " << parser.value(portOption) << Qt::endl;
        return 2;
    }
    emulator::EngineEmulator server;
    server.setLatencyMs(parser.value(latencyOption).toInt());
    if (!server.listen(quint16(port))) {
        QTextStream(stderr) << "vantory-emulator: cannot listen on port " << port << Qt::endl;
        return 1;
    }
    if (parser.isSet(demoOption))
        return runDemo(server, parser.value(folderOption));
    if (parser.isSet(settingsOption) && !server.writeSettingsIni(parser.value(settingsOption))) {
        QTextStream(stderr) << "vantory-emulator: cannot write " << parser.value(settingsOption) << Qt::endl;
        return 1;
    }
    // The proxies, each announced on standard error with its address (standard output keeps the port alone).
    std::vector<std::unique_ptr<emulator::ProxyServer>> proxies;
    const QString credentials = parser.value(proxyUserOption);
    if (parser.isSet(proxyUserOption) && credentials.indexOf(u':') <= 0) {
        QTextStream(stderr) << "vantory-emulator: --proxy-user takes USER:PASSWORD" << Qt::endl;
        return 2;
    }
    for (const auto &[option, kind] : {std::pair{&proxyPortOption, emulator::ProxyServer::Kind::Http},
                                       std::pair{&socksPortOption, emulator::ProxyServer::Kind::Socks5}}) {
        if (!parser.isSet(*option))
            continue;
        const uint proxyPort = parser.value(*option).toUInt(&ok);
        if (!ok || proxyPort > 65535) {
            QTextStream(stderr) << "vantory-emulator: bad port " << parser.value(*option) << Qt::endl;
            return 2;
        }
        auto proxy = std::make_unique<emulator::ProxyServer>(kind);
        if (!credentials.isEmpty())
            proxy->setCredentials(credentials.section(u':', 0, 0),
                                  credentials.mid(credentials.indexOf(u':') + 1));
        if (!proxy->listen(QHostAddress::LocalHost, quint16(proxyPort))) {
            QTextStream(stderr) << "vantory-emulator: cannot listen on port " << proxyPort << Qt::endl;
            return 1;
        }
        QTextStream(stderr) << (kind == emulator::ProxyServer::Kind::Http ? "HTTP" : "SOCKS5")
                            << " proxy: " << proxy->address() << Qt::endl;
        proxies.push_back(std::move(proxy));
    }
    // Web graph releases, announced on standard error like the proxies.
    QTemporaryDir graphTemporary;
    std::unique_ptr<GraphFileServer> graphServer;
    if (parser.isSet(graphPortOption)) {
        const uint graphPort = parser.value(graphPortOption).toUInt(&ok);
        if (!ok || graphPort > 65535) {
            QTextStream(stderr) << "vantory-emulator: bad port " << parser.value(graphPortOption) << Qt::endl;
            return 2;
        }
        QString folder = parser.value(graphFolderOption);
        if (folder.isEmpty()) {
            folder = graphTemporary.path();
            const QString release = QStringLiteral("cc-main-2025-sep-oct-nov");
            QString why;
            QFile list(QDir(folder).filePath(QStringLiteral("graphinfo.json")));
            if (!graphRelease::write({folder, release, 3000, 40000, 2, 2025}, &why) ||
                !list.open(QIODevice::WriteOnly) ||
                list.write(QByteArrayLiteral("[{\"id\": \"cc-main-2025-sep-oct-nov\"}]\n")) < 0 ||
                !list.flush()) {
                QTextStream(stderr) << "vantory-emulator: cannot make the web graph release (" << why << ")"
                                    << Qt::endl;
                return 1;
            }
        }
        graphServer = std::make_unique<GraphFileServer>(folder);
        if (!graphServer->listen(quint16(graphPort))) {
            QTextStream(stderr) << "vantory-emulator: cannot listen on port " << graphPort << Qt::endl;
            return 1;
        }
        QTextStream(stderr) << "Web graph releases: " << graphServer->baseUrl() << Qt::endl;
    }
    QTextStream(stdout) << server.port() << Qt::endl;
    return app.exec();
}
