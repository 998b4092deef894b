#include "cli/ScanCommand.h"

#include "cli/EngineCommands.h"
#include "cli/StandardOutput.h"
#include "cli/UpdateCommands.h"

#include "core/ini/TextFile.h"
#include "core/ini/UserSettings.h"
#include "core/lists/UrlListFile.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/HistoryImport.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ResultsExport.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"
#include "emulator/DemoFolder.h"
#include "emulator/EngineEmulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

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
    bool strict = false; // write nothing when any cell has no count
};

enum class Output
{
    Text,
    Csv,
    Json
};

struct ScanRequest
{
    std::optional<int> low;
    std::optional<int> medium;
    std::optional<int> retries;
    std::optional<bool> parallel;
    std::optional<int> intervalMs;
    std::optional<bool> jitter;
    std::optional<int> timeoutSeconds;
    Output output = Output::Text;
    QString compare;   // a saved search to compare the one URL's total with
    QString keepPages; // a folder for the result pages behind the counts
    engines::EngineSet engines = engines::EngineSet::current();
    std::optional<QList<QNetworkProxy>> proxies; // --proxy, in turn
    // --update-all: the watched searches to append to, the date, the alert rules and command.
    struct Update
    {
        QList<UserSettings::Watched> watched;
        QDate date;
        updates::Rules rules;
        QString onAlert;
    };
    std::optional<Update> update;
};

// The exit status of an update that raised an alert (a failure, 1, and bad arguments, 2, come first; then
// this; then an incomplete scan, 3).
constexpr int AlertRaised = 4;

// Writes every kept page as DIR/<row>-<engine>.html (rows as the table shows them, from 1) and an index.json
// describing them. False with a message when the folder or a file cannot be written.
bool writeKeptPages(const scan::ScanRun &run, const scan::ResultsModel &results, const QString &folder,
                    QString *error)
{
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        *error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    QJsonArray index;
    const QHash<QString, const scan::KeptPage *> newest = run.keptPages().newest();
    for (int row = 0; row < results.rowCount(); ++row) {
        for (int engine = 1; engine <= results.engineCount(); ++engine) {
            const QString header = results.engines().at(engine).header;
            const scan::KeptPage *page = newest.value(
                scan::KeptPages::newestKey(results.cell(row, 0), results.engines().at(engine).key));
            if (!page)
                continue;
            QString name;
            for (const QChar c : header.toLower())
                name += c.isLetterOrNumber() ? QString(c) : QString();
            const QString file = QStringLiteral("%1-%2.html").arg(row + 1).arg(name);
            if (QString why; !textFile::writeBytes(dir.filePath(file), page->body(), &why)) {
                *error = QStringLiteral("cannot write %1: %2").arg(dir.filePath(file), why);
                return false;
            }
            index.append(QJsonObject{{QStringLiteral("file"), file},
                                     {QStringLiteral("url"), page->target},
                                     {QStringLiteral("engine"), header},
                                     {QStringLiteral("query"), page->query},
                                     {QStringLiteral("status"), page->http},
                                     {QStringLiteral("count"), page->count},
                                     {QStringLiteral("word"), page->statusWord}});
        }
    }
    if (QString why; !textFile::writeBytes(dir.filePath(QStringLiteral("index.json")),
                                           QJsonDocument(index).toJson(QJsonDocument::Indented), &why)) {
        *error = QStringLiteral("cannot write %1: %2").arg(dir.filePath(QStringLiteral("index.json")), why);
        return false;
    }
    return true;
}

// Progress on standard error: a bar with the URLs done and the time left on a terminal, else a line per URL.
class Progress
{
public:
    explicit Progress(int urls) : m_urls(urls), m_terminal(::isatty(STDERR_FILENO) == 1) { m_clock.start(); }

    void urlDone(int done, const QString &url, const QString &total)
    {
        if (!m_terminal) {
            err() << '[' << done << '/' << m_urls << "] " << resultsExport::printable(url) << ": "
                  << (total.isEmpty() ? QStringLiteral("no count from any engine")
                                      : total + QStringLiteral(" links"))
                  << Qt::endl;
            return;
        }
        constexpr int Width = 30;
        const int filled = m_urls > 0 ? int(qint64(Width) * done / m_urls) : Width;
        const qint64 leftMs = done > 0 ? m_clock.elapsed() * (m_urls - done) / done : 0;
        const qint64 leftS = (leftMs + 999) / 1000;
        err() << '\r' << '[' << QString(filled, u'#') << QString(Width - filled, u'.') << "] " << done << '/'
              << m_urls << " URLs, about "
              << (leftS >= 60 ? QString::number(leftS / 60) + QStringLiteral(" min ") : QString())
              << leftS % 60 << " s left   ";
        err().flush();
    }

    void finish()
    {
        if (m_terminal)
            err() << Qt::endl;
    }

private:
    int m_urls;
    bool m_terminal;
    QElapsedTimer m_clock;
};

// The exit status of a scan that completed but left a cell without a count.
constexpr int IncompleteScan = 3;

int printHistory(const QString &name, Output format)
{
    saved::History history;
    const QString file = saved::searchFile(programFolder::savedFolder(), name);
    if (QString why; !saved::readHistory(file, history, &why))
        return fail(1, why.isEmpty() ? QStringLiteral("cannot read the saved search %1").arg(file) : why);
    if (format == Output::Csv) {
        standardOutput::print(resultsExport::historyCsv(history));
        return 0;
    }
    if (format == Output::Json) {
        standardOutput::print(resultsExport::historyJson(history));
        return 0;
    }
    QString printed;
    QTextStream out(&printed);
    QList<QStringList> table{QStringList{QStringLiteral("Date")} + history.sections};
    for (qsizetype i = 0; i < history.dates.size(); ++i)
        table.append(QStringList{history.dates.at(i)} + history.values.at(i));
    QList<qsizetype> widths(table.first().size(), 0);
    for (const QStringList &row : std::as_const(table)) {
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], resultsExport::printable(row.at(c)).size());
    }
    for (const QStringList &row : std::as_const(table)) {
        QStringList cells;
        for (qsizetype c = 0; c < row.size(); ++c) {
            const QString cell = resultsExport::printable(row.at(c));
            cells.append(c == 0 ? cell.leftJustified(widths[c]) : cell.rightJustified(widths[c]));
        }
        out << cells.join(QStringLiteral("  ")).trimmed() << '\n';
    }
    out.flush();
    standardOutput::print(printed);
    return 0;
}

// Runs the scan to its end and prints the table to standard output; progress and a summary per engine go to
// standard error. 0 when every cell has a count, IncompleteScan when one has none.
int scanAndPrint(const QStringList &urls, const QString &settingsIni, const ScanRequest &scanRequest,
                 const std::optional<SaveRequest> &save = std::nullopt)
{
    scan::ResultsModel results(scanRequest.engines);
    scan::WebLogModel log;
    log.setKeepRows(false); // the command line shows no log
    scan::ScanRun run(&results, &log);
    run.setSettingsFile(settingsIni);
    run.setThresholds(scanRequest.low, scanRequest.medium);
    run.setRetries(scanRequest.retries);
    run.setParallel(scanRequest.parallel);
    run.setPacing(scanRequest.intervalMs, scanRequest.jitter);
    run.setTimeoutSeconds(scanRequest.timeoutSeconds);
    run.setProxies(scanRequest.proxies);
    // Pages are kept only for --keep-pages: nothing else of the command line reads them.
    // Every page when they are to be written (kept compressed until then), none otherwise.
    run.keptPages().setLimit(scanRequest.keepPages.isEmpty() ? 0 : scan::KeptPages::NoLimit);
    Progress progress(int(urls.size()));
    int done = 0;
    QObject::connect(&run, &scan::ScanRun::rowFinished, &run,
                     [&](int row) { progress.urlDone(++done, results.cell(row, 0), results.cell(row, 1)); });
    QObject::connect(&run, &scan::ScanRun::completed, &run, [&] {
        progress.finish();
        err() << resultsExport::printable(run.completionMessage()) << Qt::endl;
    });
    QEventLoop loop;
    QObject::connect(&run, &scan::ScanRun::finished, &loop, &QEventLoop::quit);
    const bool started = run.start(urls);
    if (started)
        loop.exec();
    std::optional<updates::UpdateResult> updated;
    std::optional<QList<QJsonObject>> alertObjects;
    if (scanRequest.update) {
        updated = updates::saveAll(results, scanRequest.update->watched, programFolder::path(),
                                   programFolder::savedFolder(), scanRequest.update->date,
                                   scanRequest.update->rules);
        alertObjects.emplace();
        for (const updates::Alert &alert : updated->alerts)
            alertObjects->append(alert.json());
    }
    switch (scanRequest.output) {
    case Output::Text:
        resultsExport::writeText(results, standardOutput::print);
        break;
    case Output::Csv:
        resultsExport::writeCsv(results, false, standardOutput::print);
        break;
    case Output::Json:
        standardOutput::print(
            resultsExport::toJson(results, resultsExport::engineSummaries(run), alertObjects));
        break;
    }
    int missing = 0;
    for (int row = 0; row < results.rowCount(); ++row) {
        for (int engine = 1; engine <= results.engineCount(); ++engine)
            missing += results.report(row, engine).hasCount() ? 0 : 1;
    }
    if (started) {
        for (const QString &line : run.summaryLines())
            err() << line << Qt::endl;
    }
    if (updated) {
        bool failed = false;
        for (const updates::SaveOutcome &saved : updated->saves) {
            if (!saved.ok) {
                err() << "vantory-scan: " << resultsExport::printable(saved.error) << Qt::endl;
                failed = true;
                continue;
            }
            err() << "Saved into " << QDir::toNativeSeparators(saved.file) << " as "
                  << saved::dateKey(scanRequest.update->date);
            if (saved.gaps > 0)
                err() << " (" << saved.gaps << " engine(s) without a count left as gaps)";
            err() << Qt::endl;
        }
        if (!updated->storeError.isEmpty()) {
            err() << "vantory-scan: " << updated->storeError << Qt::endl;
            failed = true;
        }
        failed = !deliverAlerts(updated->alerts, scanRequest.update->onAlert) || failed;
        return failed ? 1 : !updated->alerts.isEmpty() ? AlertRaised : missing > 0 ? IncompleteScan : 0;
    }
    if (QString error;
        !scanRequest.keepPages.isEmpty() && !writeKeptPages(run, results, scanRequest.keepPages, &error))
        return fail(1, error);
    if (!scanRequest.compare.isEmpty() && results.rowCount() == 1) {
        // The window's "Change" for this URL; a comparison, so it ends with 0 whatever the cells hold.
        const QString file = saved::searchFile(programFolder::savedFolder(), scanRequest.compare);
        const std::optional<saved::LastSave> last = saved::lastSave(file);
        if (!last)
            return fail(1, QStringLiteral("the saved search %1 holds no save to compare with")
                               .arg(QDir::toNativeSeparators(file)));
        if (results.hasNoCount(0))
            return fail(IncompleteScan,
                        QStringLiteral("no engine gave a count for %1: there is no total to compare")
                            .arg(resultsExport::printable(results.cell(0, 0))));
        const qint64 total = results.cell(0, 1).toLongLong();
        standardOutput::print(QStringLiteral("Change since %1 in %2: %3 (total %4, saved %5)\n")
                                  .arg(last->date.toString(Qt::ISODate), scanRequest.compare,
                                       scan::ResultsModel::changeText(total - last->total))
                                  .arg(total)
                                  .arg(last->total));
        return 0;
    }
    if (save && results.rowCount() == 1) {
        const QString file = saved::searchFile(programFolder::savedFolder(), save->name);
        if (save->strict && missing > 0)
            return fail(IncompleteScan,
                        QStringLiteral("%1 engine(s) gave no count; --strict: nothing was saved into %2")
                            .arg(missing)
                            .arg(QDir::toNativeSeparators(file)));
        int gaps = 0;
        const QString text = saved::countedSaveResultText(results, 0, &gaps);
        if (gaps == results.engineCount())
            return fail(IncompleteScan, QStringLiteral("no engine gave a count; nothing was saved"));
        // --append into a saved search that is not there yet makes it (as an update does), and says so.
        const bool made = save->mode == saved::SaveMode::Append && !QFileInfo::exists(file);
        const saved::SaveResult result =
            saved::saveResults(text, file, made ? saved::SaveMode::CreateNew : save->mode, save->date);
        if (!result.ok)
            return fail(1, result.error);
        if (made)
            err() << "The saved search " << save->name << " did not exist: it was made" << Qt::endl;
        err() << "Saved into " << QDir::toNativeSeparators(file) << " as " << saved::dateKey(save->date);
        if (gaps > 0)
            err() << " (" << gaps << " engine(s) without a count left as gaps)";
        err() << Qt::endl;
    }
    return missing > 0 ? IncompleteScan : 0;
}

// A command whose output could not be written has failed, whatever else it did.
int reported(int code)
{
    if (!standardOutput::failed())
        return code;
    return fail(1, QStringLiteral("cannot write to standard output: %1").arg(standardOutput::error()));
}

int runCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Scans the URLs of a list file (or standard input, given as -) on the search engines "
        "of engines.ini (the six shipped ones unless the program folder has its own) and prints the results "
        "table, sorted as the window shows it after a scan.\n"
        "Exit status: 0 when every engine gave a count for every URL; 3 when the scan completed "
        "but at least one cell has no count (the table is printed all the same; a summary per "
        "engine goes to standard error); 4 when --update-all raised an alert; 1 when the URL list "
        "cannot be read, a save fails or an alert command fails; 2 on bad arguments. 2 comes before 1, "
        "1 before 4, 4 before 3."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    const QCommandLineOption folder(
        QStringLiteral("program-folder"),
        QStringLiteral("Program folder holding settings.ini, Lists/ and Saved/ (default: the folder of the "
                       "executable when it holds a settings.ini and can be written, else "
                       "~/.local/share/Vantory)."),
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
        QStringLiteral("Save the scanned URL's counts as a new saved search NAME (an existing one is "
                       "refused unless --replace is given)."),
        QStringLiteral("NAME"));
    const QCommandLineOption replaceOption(
        QStringLiteral("replace"),
        QStringLiteral(
            "With --save: an existing saved search NAME keeps only this save for every engine saved."));
    const QCommandLineOption appendOption(
        QStringLiteral("append"),
        QStringLiteral("Add the scanned URL's counts to the saved search NAME (made when missing)."),
        QStringLiteral("NAME"));
    const QCommandLineOption dateOption(QStringLiteral("date"),
                                        QStringLiteral("Date of the save (default: today)."),
                                        QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption historyOption(
        QStringLiteral("history"),
        QStringLiteral("Print the saved search NAME: one row per date, newest first, one column per engine "
                       "(with --csv or --json: dates as YYYY-MM-DD, counts as plain digits)."),
        QStringLiteral("NAME"));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral(
            "Print the whole result as one JSON document: per row url, total, profile (low, medium, "
            "high, or unknown when no engine gave a count) and a cell per engine with its text, "
            "status, http, bytes, ms and detail; then a summary per engine."));
    const QCommandLineOption retriesOption(
        QStringLiteral("retries"),
        QStringLiteral("How often a failed connection or an HTTP 502/504 answer is tried again, 0 to 3 "
                       "(default: the stored option fetchRetries, 1)."),
        QStringLiteral("N"));
    const QCommandLineOption sequentialOption(
        QStringLiteral("sequential"),
        QStringLiteral("Ask the engines one after another (default: the stored parallelEngines; at the same "
                       "time, one request per engine)."));
    const QCommandLineOption intervalOption(
        QStringLiteral("interval"),
        QStringLiteral(
            "Least pause between the starts of two requests to the same engine, in ms (default: the "
            "stored engineInterval, 0)."),
        QStringLiteral("MS"));
    const QCommandLineOption jitterOption(
        QStringLiteral("jitter"),
        QStringLiteral("Add a random extra of up to the interval again to each pause."));
    const QCommandLineOption timeoutOption(
        QStringLiteral("timeout"),
        QStringLiteral("Give up a page after S seconds without a byte, 1 to 600 (default: the stored "
                       "fetchTimeout, 30)."),
        QStringLiteral("S"));
    const QCommandLineOption strictOption(
        QStringLiteral("strict"),
        QStringLiteral("With --save or --append: write nothing when any engine gave no count (otherwise "
                       "such an engine's history keeps a gap for the date)."));
    const QCommandLineOption whereOption(
        QStringLiteral("where"),
        QStringLiteral("Print the folders in use (program folder, saved searches, lists, defaults, settings "
                       "store) and exit."));
    const QCommandLineOption importOption(
        QStringLiteral("import"),
        QStringLiteral("Read a history CSV (as --history NAME --csv writes it) into the saved search NAME; "
                       "the CSV file is the argument, - for standard input."),
        QStringLiteral("NAME"));
    const QCommandLineOption compareOption(
        QStringLiteral("compare"),
        QStringLiteral("After scanning a list of one URL, print the change of its total since the newest "
                       "save in the saved search NAME (the window's Change column); exit 0."),
        QStringLiteral("NAME"));
    const QCommandLineOption keepPagesOption(
        QStringLiteral("keep-pages"),
        QStringLiteral("Write every result page the scan fetched to DIR as <row>-<engine>.html, with an "
                       "index.json (url, engine, query, status, count, word)."),
        QStringLiteral("DIR"));
    const QCommandLineOption mergeOption(
        QStringLiteral("merge"),
        QStringLiteral("With --import: add to an existing saved search (a date already there gets the "
                       "CSV's counts)."));
    const QCommandLineOption enginesOption(
        QStringLiteral("engines"),
        QStringLiteral("List the engines in use (key, header, kind: markers, expression or json) and exit."));
    const QCommandLineOption engineOption(
        QStringLiteral("engine"),
        QStringLiteral("Ask only the engine with this key (repeatable); the table shows only these engines."),
        QStringLiteral("KEY"));
    const QCommandLineOption testEngineOption(
        QStringLiteral("test-engine"),
        QStringLiteral("Fetch the URL given as the argument through the engine KEY (or read --page FILE) and "
                       "print what its definition cuts out and the status; exit 0 for a count or a "
                       "recognised zero, 3 for none."),
        QStringLiteral("KEY"));
    const QCommandLineOption pageOption(QStringLiteral("page"),
                                        QStringLiteral("With --test-engine: a saved result page to read."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption watchOption(
        QStringLiteral("watch"),
        QStringLiteral(
            "Make the URL given as the argument the URL of the saved search NAME, which --update-all "
            "then keeps up to date; without a URL, forget it."),
        QStringLiteral("NAME"));
    const QCommandLineOption watchedOption(
        QStringLiteral("watched"),
        QStringLiteral("List the watched saved searches: name, URL and the newest save's date."));
    const QCommandLineOption updateAllOption(
        QStringLiteral("update-all"),
        QStringLiteral(
            "Scan the URLs of all watched saved searches in one scan, append each row to its saved "
            "search (--date, default today) and print the table. Exit status 4 when an alert was "
            "raised."));
    const QCommandLineOption alertDropOption(
        QStringLiteral("alert-drop"),
        QStringLiteral(
            "With --update-all: a total or a count at least PCT percent below the previous save is "
            "an alert (default: the stored alertDrop, 0 for none)."),
        QStringLiteral("PCT"));
    const QCommandLineOption alertFailuresOption(
        QStringLiteral("alert-failures"),
        QStringLiteral("With --update-all: an engine without a count in N updates in a row is an alert "
                       "(default: the stored alertFailures, 3)."),
        QStringLiteral("N"));
    const QCommandLineOption onAlertOption(
        QStringLiteral("on-alert"),
        QStringLiteral(
            "With --update-all: run CMD (by /bin/sh) once per alert, with VANTORY_ALERT_KIND, _NAME, "
            "_URL, _ENGINE, _OLD, _NEW, _DATE and _TEXT in its environment."),
        QStringLiteral("CMD"));
    const QCommandLineOption proxyOption(
        QStringLiteral("proxy"),
        QStringLiteral("Send the requests through this proxy, http://[user:password@]host:port or "
                       "socks5://...; repeatable: the proxies are used in turn, one per request and engine "
                       "(default: the stored proxies)."),
        QStringLiteral("URL"));
    parser.addOptions({help,
                       watchOption,
                       watchedOption,
                       updateAllOption,
                       alertDropOption,
                       alertFailuresOption,
                       onAlertOption,
                       proxyOption,
                       enginesOption,
                       engineOption,
                       testEngineOption,
                       pageOption,
                       version,
                       folder,
                       csv,
                       json,
                       low,
                       medium,
                       retriesOption,
                       sequentialOption,
                       intervalOption,
                       jitterOption,
                       timeoutOption,
                       saveOption,
                       replaceOption,
                       appendOption,
                       dateOption,
                       strictOption,
                       historyOption,
                       importOption,
                       mergeOption,
                       compareOption,
                       keepPagesOption,
                       whereOption});
    parser.addPositionalArgument(QStringLiteral("URLFILE"),
                                 QStringLiteral("URL list file, or - for standard input."));
    if (!parser.parse(QStringList{QStringLiteral("vantory-scan")} + arguments))
        return fail(2, parser.errorText());
    if (parser.isSet(help)) {
        standardOutput::print(parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        standardOutput::print(QStringLiteral("vantory-scan " VANTORY_VERSION "\n"));
        return 0;
    }
    std::optional<int> lowValue;
    std::optional<int> mediumValue;
    if (parser.isSet(low) && !parseThreshold(parser.value(low), &lowValue))
        return fail(2, QStringLiteral("--low needs a whole number, not \"%1\"").arg(parser.value(low)));
    if (parser.isSet(medium) && !parseThreshold(parser.value(medium), &mediumValue))
        return fail(2, QStringLiteral("--medium needs a whole number, not \"%1\"").arg(parser.value(medium)));
    ScanRequest scanRequest;
    scanRequest.low = lowValue;
    scanRequest.medium = mediumValue;
    if (parser.isSet(csv) && parser.isSet(json))
        return fail(2, QStringLiteral("--csv and --json cannot be used together"));
    scanRequest.output = parser.isSet(json) ? Output::Json : parser.isSet(csv) ? Output::Csv : Output::Text;
    // A whole number from lo to hi for option; false (with the message given) for anything else.
    QString rangeError;
    auto ranged = [&parser, &rangeError](const QCommandLineOption &option, int lo, int hi, const char *what,
                                         std::optional<int> *value) {
        if (!parser.isSet(option))
            return true;
        bool ok = false;
        const int n = parser.value(option).toInt(&ok);
        if (!ok || n < lo || n > hi) {
            rangeError = QStringLiteral("--%1 needs %2 from %3 to %4, not \"%5\"")
                             .arg(option.names().constFirst(), QString::fromLatin1(what))
                             .arg(lo)
                             .arg(hi)
                             .arg(parser.value(option));
            return false;
        }
        *value = n;
        return true;
    };
    if (!ranged(retriesOption, 0, 3, "a number", &scanRequest.retries) ||
        !ranged(intervalOption, 0, 600000, "milliseconds", &scanRequest.intervalMs) ||
        !ranged(timeoutOption, 1, 600, "seconds", &scanRequest.timeoutSeconds))
        return fail(2, rangeError);
    if (parser.isSet(sequentialOption))
        scanRequest.parallel = false;
    if (parser.isSet(jitterOption))
        scanRequest.jitter = true;
    if (parser.isSet(proxyOption)) {
        QList<QNetworkProxy> proxies;
        QString why;
        if (!scan::parseProxies(parser.values(proxyOption), &proxies, &why))
            return fail(2, why);
        scanRequest.proxies = proxies;
    }
    std::optional<int> alertDrop, alertFailures;
    if (!ranged(alertDropOption, 0, 100, "a percentage", &alertDrop) ||
        !ranged(alertFailuresOption, 1, 1000, "a number", &alertFailures))
        return fail(2, rangeError);
    const bool updating = parser.isSet(updateAllOption);
    for (const QCommandLineOption *option : {&alertDropOption, &alertFailuresOption, &onAlertOption}) {
        if (parser.isSet(*option) && !updating)
            return fail(2, QStringLiteral("--%1 goes with --update-all").arg(option->names().constFirst()));
    }
    if (parser.isSet(strictOption) && !parser.isSet(saveOption) && !parser.isSet(appendOption))
        return fail(2, QStringLiteral("--strict goes with --save or --append"));
    if (QString error; !programFolder::choose(parser.value(folder), &error))
        return fail(1, error);
    programFolder::removeStaleTemporaries();
    const engines::LoadResult loadedEngines = engines::loadForProgram();
    for (const QString &message : loadedEngines.messages)
        err() << "vantory-scan: " << resultsExport::printable(message) << Qt::endl;
    engines::EngineSet::setCurrent(loadedEngines.set);
    scanRequest.engines = loadedEngines.set;
    if (parser.isSet(engineOption)) {
        QStringList unknown;
        scanRequest.engines = loadedEngines.set.only(parser.values(engineOption), &unknown);
        if (!unknown.isEmpty())
            return fail(2, QStringLiteral("no engine in use has the key %1 (--engines lists them)")
                               .arg(unknown.join(QStringLiteral(", "))));
    }
    if (parser.isSet(enginesOption))
        return listEngines(scanRequest.engines);
    if (parser.isSet(pageOption) && !parser.isSet(testEngineOption))
        return fail(2, QStringLiteral("--page goes with --test-engine"));
    if (parser.isSet(testEngineOption)) {
        const QStringList targets = parser.positionalArguments();
        if (parser.isSet(pageOption) ? !targets.isEmpty() : targets.size() != 1)
            return fail(2, QStringLiteral("--test-engine KEY takes one URL or --page FILE; see --help"));
        return testEngine(loadedEngines, parser.value(testEngineOption), targets.value(0),
                          parser.value(pageOption), programFolder::settingsIni());
    }
    if (parser.isSet(watchOption)) {
        if (parser.positionalArguments().size() > 1)
            return fail(2, QStringLiteral("--watch NAME takes one URL, or none to forget it"));
        return watchCommand(parser.value(watchOption), parser.positionalArguments().value(0));
    }
    if (parser.isSet(watchedOption))
        return listWatched();
    if (updating) {
        if (!parser.positionalArguments().isEmpty() || parser.isSet(saveOption) ||
            parser.isSet(appendOption) || parser.isSet(historyOption) || parser.isSet(compareOption))
            return fail(2, QStringLiteral("--update-all takes no URL list and no other save; see --help"));
        ScanRequest::Update update;
        update.watched = UserSettings::watchedSearches(programFolder::path());
        update.date = parser.isSet(dateOption) ? QDate::fromString(parser.value(dateOption), Qt::ISODate)
                                               : QDate::currentDate();
        if (!update.date.isValid() || update.date.year() < 2000 || update.date.year() > 2099)
            return fail(
                2, QStringLiteral("--date needs a date as YYYY-MM-DD in the years 2000 to 2099, not \"%1\"")
                       .arg(parser.value(dateOption)));
        update.rules = updates::Rules::stored();
        update.rules.dropPercent = alertDrop.value_or(update.rules.dropPercent);
        update.rules.failures = alertFailures.value_or(update.rules.failures);
        update.onAlert = parser.value(onAlertOption);
        if (update.watched.isEmpty()) {
            err() << "vantory-scan: no saved search is watched (--watch NAME URL adds one)" << Qt::endl;
            return 0;
        }
        const QStringList urls = updates::urlsOf(update.watched);
        scanRequest.update = update;
        return scanAndPrint(urls, programFolder::settingsIni(), scanRequest);
    }
    if (parser.isSet(whereOption)) {
        QString printed;
        QTextStream out(&printed);
        out << "program folder:  " << programFolder::path() << Qt::endl
            << "settings.ini:    " << programFolder::settingsIni() << Qt::endl
            << "saved searches:  " << programFolder::savedFolder() << Qt::endl
            << "URL lists:       " << programFolder::listsFolder() << Qt::endl
            << "help and skins:  " << QFileInfo(programFolder::dataFile(QStringLiteral("Help.rtf"))).path()
            << Qt::endl
            << "defaults:        " << programFolder::defaultsFolder() << Qt::endl
            << "engines:         "
            << (engines::programFile().isEmpty() ? QStringLiteral("(built in)") : engines::programFile())
            << Qt::endl
            << "settings store:  " << UserSettings::storeFile() << Qt::endl;
        standardOutput::print(printed);
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(mergeOption) && !parser.isSet(importOption))
        return fail(2, QStringLiteral("--merge goes with --import"));
    if (parser.isSet(importOption)) {
        if (positional.size() != 1 || parser.isSet(saveOption) || parser.isSet(appendOption) ||
            parser.isSet(historyOption))
            return fail(2, QStringLiteral("--import takes one CSV file (or -) and no scan; see --help"));
        QString why;
        if (!saved::isValidSearchName(parser.value(importOption), &why))
            return fail(2, why);
        QFile in;
        if (positional.first() == QLatin1String("-")
                ? !in.open(stdin, QIODevice::ReadOnly)
                : (in.setFileName(positional.first()), !in.open(QIODevice::ReadOnly)))
            return fail(1, QStringLiteral("cannot read %1").arg(positional.first()));
        const QString file = saved::searchFile(programFolder::savedFolder(), parser.value(importOption));
        const saved::ImportResult imported =
            saved::importHistory(in.read(64LL * 1024 * 1024), file, parser.isSet(mergeOption));
        if (!imported.ok) {
            for (const QString &error : imported.errors)
                err() << "vantory-scan: " << resultsExport::printable(error) << Qt::endl;
            return 1;
        }
        err() << "Imported " << imported.dates << " dates into " << file << Qt::endl;
        return 0;
    }
    if (parser.isSet(historyOption)) {
        if (!positional.isEmpty() || parser.isSet(saveOption) || parser.isSet(appendOption))
            return fail(2, QStringLiteral("--history takes no URL list and no save; see --help"));
        QString why;
        if (!saved::isValidSearchName(parser.value(historyOption), &why))
            return fail(2, why);
        return printHistory(parser.value(historyOption), scanRequest.output);
    }
    if (positional.size() != 1)
        return fail(2, QStringLiteral("expected one URL list file (or -); see --help"));
    std::optional<SaveRequest> save;
    if (parser.isSet(replaceOption) && !parser.isSet(saveOption))
        return fail(2, QStringLiteral("--replace goes with --save"));
    if (parser.isSet(saveOption) && parser.isSet(appendOption))
        return fail(2, QStringLiteral("--save and --append cannot be used together"));
    if (parser.isSet(saveOption) || parser.isSet(appendOption)) {
        SaveRequest request;
        request.mode = parser.isSet(saveOption) ? saved::SaveMode::CreateNew : saved::SaveMode::Append;
        request.name = parser.value(parser.isSet(saveOption) ? saveOption : appendOption);
        QString why;
        if (!saved::isValidSearchName(request.name, &why))
            return fail(2, why);
        request.strict = parser.isSet(strictOption);
        request.date = parser.isSet(dateOption) ? QDate::fromString(parser.value(dateOption), Qt::ISODate)
                                                : QDate::currentDate();
        if (!request.date.isValid())
            return fail(2, QStringLiteral("--date needs a date as YYYY-MM-DD, not \"%1\"")
                               .arg(parser.value(dateOption)));
        // Saved searches key their dates with two-digit years, read as 2000-2099.
        if (request.date.year() < 2000 || request.date.year() > 2099)
            return fail(2, QStringLiteral("--date must lie in the years 2000 to 2099, not \"%1\"")
                               .arg(parser.value(dateOption)));
        // One wrong word in a daily job's line must not wipe months of history.
        if (request.mode == saved::SaveMode::CreateNew && !parser.isSet(replaceOption) &&
            QFileInfo::exists(saved::searchFile(programFolder::savedFolder(), request.name)))
            return fail(
                1, QStringLiteral("the saved search %1 already exists: --append %1 adds to it, --save %1 "
                                  "--replace replaces its history")
                       .arg(request.name));
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
    scanRequest.keepPages = parser.value(keepPagesOption);
    if (parser.isSet(compareOption)) {
        QString why;
        if (!saved::isValidSearchName(parser.value(compareOption), &why))
            return fail(2, why);
        if (urls.size() != 1)
            return fail(2,
                        QStringLiteral("--compare needs a list of exactly one URL, not %1").arg(urls.size()));
        scanRequest.compare = parser.value(compareOption);
    }
    if (save && urls.size() != 1)
        return fail(
            2, QStringLiteral("--save and --append need a list of exactly one URL, not %1").arg(urls.size()));
    return scanAndPrint(urls, programFolder::settingsIni(), scanRequest, save);
}

} // namespace

int runScanCommand(const QStringList &arguments)
{
    return reported(runCommand(arguments));
}

int runDemoScan()
{
    emulator::EngineEmulator server;
    QTemporaryDir dir;
    QString error;
    if (!server.listen() || !dir.isValid() || !emulator::writeDemoFolder(dir.path(), server, &error))
        return fail(1, QStringLiteral("cannot set up the demo: %1").arg(error));
    UserSettings::useFolder(
        dir.filePath(QStringLiteral("config"))); // the demo touches no store of the user's
    programFolder::setPath(dir.path());
    err() << "Demo: engine emulator on " << server.baseUrl() << ", program folder " << dir.path() << Qt::endl;
    return reported(scanAndPrint(emulator::demoUrls(), programFolder::settingsIni(), ScanRequest()));
}

} // namespace cli
