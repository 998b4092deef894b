#include "cli/ScanCommand.h"

#include "app/ProgramFolder.h"
#include "cli/ResultsTable.h"
#include "emulator/DemoFolder.h"
#include "emulator/EngineEmulator.h"
#include "scan/ResultsModel.h"
#include "scan/ScanRun.h"
#include "scan/WebLogModel.h"
#include "ui/UrlListFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

#include "vantory_version.h"

namespace cli {

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int fail(int code, const QString &message)
{
    err() << "vantory-scan: " << message << Qt::endl;
    return code;
}

bool parseThreshold(const QString &text, std::optional<int> *value)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (ok)
        *value = n;
    return ok;
}

// Runs the scan to its end and prints the table to standard output; progress goes to standard error.
int scanAndPrint(const QStringList &urls, const QString &settingsIni, std::optional<int> low,
                 std::optional<int> medium, bool csv)
{
    scan::ResultsModel results;
    scan::WebLogModel log;
    scan::ScanRun run(&results, &log);
    run.setSettingsFile(settingsIni);
    run.setThresholds(low, medium);
    QObject::connect(&run, &scan::ScanRun::statusChanged, &run,
                     [](const QString &text) { err() << text << Qt::endl; });
    QEventLoop loop;
    QObject::connect(&run, &scan::ScanRun::finished, &loop, &QEventLoop::quit);
    if (run.start(urls))
        loop.exec();
    QTextStream out(stdout);
    out << (csv ? cliOutput::toCsv(results) : cliOutput::toText(results));
    out.flush();
    return 0;
}

} // namespace

int runScanCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Scans the URLs of a list file (or standard input, given as -) on the six search "
                       "engines and prints the "
                       "results table, sorted as the window shows it after a scan."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    const QCommandLineOption folder(
        QStringLiteral("program-folder"),
        QStringLiteral("Program folder holding settings.ini (default: the folder of "
                       "the executable)."),
        QStringLiteral("DIR"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Print RFC 4180 CSV instead of columns."));
    const QCommandLineOption low(QStringLiteral("low"),
                                 QStringLiteral("Low threshold: a total below N is low (default: the stored "
                                                "option, 500)."),
                                 QStringLiteral("N"));
    const QCommandLineOption medium(
        QStringLiteral("medium"),
        QStringLiteral("Medium threshold: a total at or above N is high (default: the "
                       "stored option, 1000)."),
        QStringLiteral("N"));
    parser.addOptions({help, version, folder, csv, low, medium});
    parser.addPositionalArgument(QStringLiteral("URLFILE"),
                                 QStringLiteral("URL list file, or - for standard input."));
    if (!parser.parse(QStringList{QStringLiteral("vantory-scan")} + arguments))
        return fail(2, parser.errorText());
    if (parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }
    if (parser.isSet(version)) {
        QTextStream(stdout) << "vantory-scan " << VANTORY_VERSION << Qt::endl;
        return 0;
    }
    std::optional<int> lowValue;
    std::optional<int> mediumValue;
    if (parser.isSet(low) && !parseThreshold(parser.value(low), &lowValue))
        return fail(2, QStringLiteral("--low needs a whole number, not \"%1\"").arg(parser.value(low)));
    if (parser.isSet(medium) && !parseThreshold(parser.value(medium), &mediumValue))
        return fail(2, QStringLiteral("--medium needs a whole number, not \"%1\"").arg(parser.value(medium)));
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(2, QStringLiteral("expected one URL list file (or -); see --help"));
    if (parser.isSet(folder))
        programFolder::setPath(parser.value(folder));

    QStringList urls;
    const QString file = positional.first();
    if (file == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return fail(1, QStringLiteral("cannot read standard input"));
        urls = urlList::entriesOfText(QString::fromLatin1(in.readAll()));
    } else if (!urlList::loadFile(file, urls)) {
        return fail(1, QStringLiteral("cannot read the URL list file %1").arg(file));
    }
    return scanAndPrint(urls, programFolder::settingsIni(), lowValue, mediumValue, parser.isSet(csv));
}

int runDemoScan()
{
    emulator::EngineEmulator server;
    QTemporaryDir dir;
    QString error;
    if (!server.listen() || !dir.isValid() || !emulator::writeDemoFolder(dir.path(), server, &error))
        return fail(1, QStringLiteral("cannot set up the demo: %1").arg(error));
    programFolder::setPath(dir.path());
    err() << "Demo: engine emulator on " << server.baseUrl() << ", program folder " << dir.path() << Qt::endl;
    return scanAndPrint(emulator::demoUrls(), programFolder::settingsIni(), std::nullopt, std::nullopt,
                        false);
}

} // namespace cli
