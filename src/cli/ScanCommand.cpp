#include "cli/ScanCommand.h"

#include "app/ProgramFolder.h"
#include "cli/ResultsTable.h"
#include "emulator/DemoFolder.h"
#include "emulator/EngineEmulator.h"
#include "ini/UserSettings.h"
#include "saved/SavedSearch.h"
#include "scan/ResultsModel.h"
#include "scan/ScanRun.h"
#include "scan/WebLogModel.h"
#include "ui/UrlListFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
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
    int n = 0;
    if (!UserSettings::thresholdNumber(text, &n))
        return false;
    *value = n;
    return true;
}

struct SaveRequest
{
    QString name;
    saved::SaveMode mode = saved::SaveMode::CreateNew;
    QDate date;
};

int printHistory(const QString &name, bool csv)
{
    saved::History history;
    const QString file = saved::searchFile(programFolder::savedFolder(), name);
    if (!saved::readHistory(file, history))
        return fail(1, QStringLiteral("cannot read the saved search %1").arg(file));
    QList<QStringList> table{QStringList{QStringLiteral("Date")} + history.sections};
    for (qsizetype i = 0; i < history.dates.size(); ++i)
        table.append(QStringList{history.dates.at(i)} + history.values.at(i));
    QTextStream out(stdout);
    if (csv) {
        for (QStringList row : std::as_const(table)) {
            for (QString &field : row)
                field = cliOutput::csvField(field);
            out << row.join(u',') << "\r\n";
        }
        return 0;
    }
    QList<qsizetype> widths(table.first().size(), 0);
    for (const QStringList &row : std::as_const(table)) {
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], cliOutput::printable(row.at(c)).size());
    }
    for (const QStringList &row : std::as_const(table)) {
        QStringList cells;
        for (qsizetype c = 0; c < row.size(); ++c) {
            const QString cell = cliOutput::printable(row.at(c));
            cells.append(c == 0 ? cell.leftJustified(widths[c]) : cell.rightJustified(widths[c]));
        }
        out << cells.join(QStringLiteral("  ")).trimmed() << '\n';
    }
    return 0;
}

// Runs the scan to its end and prints the table to standard output; progress goes to standard error.
int scanAndPrint(const QStringList &urls, const QString &settingsIni, std::optional<int> low,
                 std::optional<int> medium, bool csv, const std::optional<SaveRequest> &save = std::nullopt)
{
    scan::ResultsModel results;
    scan::WebLogModel log;
    scan::ScanRun run(&results, &log);
    run.setSettingsFile(settingsIni);
    run.setThresholds(low, medium);
    QObject::connect(&run, &scan::ScanRun::statusChanged, &run,
                     [](const QString &text) { err() << cliOutput::printable(text) << Qt::endl; });
    QEventLoop loop;
    QObject::connect(&run, &scan::ScanRun::finished, &loop, &QEventLoop::quit);
    if (run.start(urls))
        loop.exec();
    QTextStream out(stdout);
    out << (csv ? cliOutput::toCsv(results) : cliOutput::toText(results));
    out.flush();
    if (save && results.rowCount() == 1) {
        const QString file = saved::searchFile(programFolder::savedFolder(), save->name);
        const saved::SaveResult result =
            saved::saveResults(saved::SaveResultText(results, 0), file, save->mode, save->date);
        if (!result.ok)
            return fail(1, result.error);
        err() << "Saved into " << QDir::toNativeSeparators(file) << " as " << saved::dateKey(save->date)
              << Qt::endl;
    }
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
    const QCommandLineOption saveOption(
        QStringLiteral("save"),
        QStringLiteral("Save the scanned URL's counts as a new saved search NAME (an "
                       "existing one keeps only this save for every engine saved)."),
        QStringLiteral("NAME"));
    const QCommandLineOption appendOption(
        QStringLiteral("append"), QStringLiteral("Add the scanned URL's counts to the saved search NAME."),
        QStringLiteral("NAME"));
    const QCommandLineOption dateOption(QStringLiteral("date"),
                                        QStringLiteral("Date of the save (default: today)."),
                                        QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption historyOption(
        QStringLiteral("history"),
        QStringLiteral("Print the saved search NAME: one row per date, newest "
                       "first, one column per engine."),
        QStringLiteral("NAME"));
    parser.addOptions(
        {help, version, folder, csv, low, medium, saveOption, appendOption, dateOption, historyOption});
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
    if (parser.isSet(folder))
        programFolder::setPath(parser.value(folder));
    programFolder::removeStaleTemporaries();
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(historyOption)) {
        if (!positional.isEmpty() || parser.isSet(saveOption) || parser.isSet(appendOption))
            return fail(2, QStringLiteral("--history takes no URL list and no save; see --help"));
        QString why;
        if (!saved::isValidSearchName(parser.value(historyOption), &why))
            return fail(2, why);
        return printHistory(parser.value(historyOption), parser.isSet(csv));
    }
    if (positional.size() != 1)
        return fail(2, QStringLiteral("expected one URL list file (or -); see --help"));
    std::optional<SaveRequest> save;
    if (parser.isSet(saveOption) && parser.isSet(appendOption))
        return fail(2, QStringLiteral("--save and --append cannot be used together"));
    if (parser.isSet(saveOption) || parser.isSet(appendOption)) {
        SaveRequest request;
        request.mode = parser.isSet(saveOption) ? saved::SaveMode::CreateNew : saved::SaveMode::Append;
        request.name = parser.value(parser.isSet(saveOption) ? saveOption : appendOption);
        QString why;
        if (!saved::isValidSearchName(request.name, &why))
            return fail(2, why);
        request.date = parser.isSet(dateOption) ? QDate::fromString(parser.value(dateOption), Qt::ISODate)
                                                : QDate::currentDate();
        if (!request.date.isValid())
            return fail(2, QStringLiteral("--date needs a date as YYYY-MM-DD, not \"%1\"")
                               .arg(parser.value(dateOption)));
        // Saved searches key their dates with two-digit years, read as 2000-2099.
        if (request.date.year() < 2000 || request.date.year() > 2099)
            return fail(2, QStringLiteral("--date must lie in the years 2000 to 2099, not \"%1\"")
                               .arg(parser.value(dateOption)));
        save = request;
    } else if (parser.isSet(dateOption)) {
        return fail(2, QStringLiteral("--date goes with --save or --append"));
    }

    QStringList urls;
    const QString file = positional.first();
    if (file == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return fail(1, QStringLiteral("cannot read standard input"));
        if (urlList::entriesOfBytes(in.readAll(), urls) != urlList::LoadStatus::Ok)
            return fail(1, QStringLiteral("standard input holds a line longer than %1 KiB, which is no URL")
                               .arg(urlList::MaxLineLength / 1024));
    } else if (const urlList::LoadStatus status = urlList::loadFile(file, urls);
               status != urlList::LoadStatus::Ok) {
        return fail(1, status == urlList::LoadStatus::Unreadable
                           ? QStringLiteral("cannot read the URL list file %1").arg(file)
                           : urlList::loadError(status, file));
    }
    if (save && urls.size() != 1)
        return fail(
            2, QStringLiteral("--save and --append need a list of exactly one URL, not %1").arg(urls.size()));
    return scanAndPrint(urls, programFolder::settingsIni(), lowValue, mediumValue, parser.isSet(csv), save);
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
