#include "cli/CommandLine.h"

#include "cli/StandardOutput.h"

#include "core/engines/EngineSet.h"
#include "core/program/ProgramFolder.h"
#include "core/scan/ResultsExport.h"

#include <QCoreApplication>

#include "vantory_version.h"

namespace cli {

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

int reported(int code)
{
    if (!standardOutput::failed())
        return code;
    return fail(1, QStringLiteral("cannot write to standard output: %1").arg(standardOutput::error()));
}

bool Invocation::isSet(const char *option) const
{
    return m_parser.isSet(QLatin1String(option));
}

QString Invocation::value(const char *option) const
{
    return m_parser.value(QLatin1String(option));
}

QStringList Invocation::values(const char *option) const
{
    return m_parser.values(QLatin1String(option));
}

QStringList Invocation::positional() const
{
    return m_parser.positionalArguments();
}

bool Invocation::number(const char *option, int lo, int hi, const char *what, std::optional<int> *value,
                        QString *error) const
{
    if (!isSet(option))
        return true;
    bool ok = false;
    const int n = this->value(option).toInt(&ok);
    if (!ok || n < lo || n > hi) {
        *error = QStringLiteral("--%1 needs %2 from %3 to %4, not \"%5\"")
                     .arg(QLatin1String(option), QLatin1String(what))
                     .arg(lo)
                     .arg(hi)
                     .arg(this->value(option));
        return false;
    }
    *value = n;
    return true;
}

namespace {

QCommandLineOption flag(const char *name, const char *description)
{
    return QCommandLineOption(QLatin1String(name), QString::fromUtf8(description));
}

QCommandLineOption valued(const char *name, const char *description, const char *valueName)
{
    return QCommandLineOption(QLatin1String(name), QString::fromUtf8(description), QLatin1String(valueName));
}

// Options every command takes.
const QStringList &commonOptions()
{
    static const QStringList names{QStringLiteral("program-folder"), QStringLiteral("help"),
                                   QStringLiteral("h"), QStringLiteral("version")};
    return names;
}

} // namespace

namespace {

// The options that shape a scan.
QList<QCommandLineOption> scanTable()
{
    return {
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
        flag("version", "Show the version."),
        valued(
            "program-folder",
            "Program folder holding settings.ini, Lists/ and Saved/ (default: the folder of the executable "
            "when it holds a settings.ini and can be written, else ~/.local/share/Vantory).",
            "DIR"),
        flag("csv", "Print RFC 4180 CSV instead of columns."),
        flag("json",
             "Print one JSON document: per row url, total (null when no engine gave a count), profile "
             "(low, medium, high, or unknown) and a cell per engine with its text, status, http, bytes, "
             "ms and detail; then a summary per engine. With --where: the folders."),
        valued("low", "Low threshold: a total below N is low (default: the stored option, 500).", "N"),
        valued("medium",
               "Medium threshold: a total at or above N is high (default: the stored option, 1000).", "N"),
        valued("retries",
               "How often a failed connection or an HTTP 502/504 answer is tried again, 0 to 3 (default: the "
               "stored option fetchRetries, 1).",
               "N"),
        flag("sequential", "Ask the engines one after another (default: the stored parallelEngines; at the "
                           "same time, one request per engine)."),
        valued(
            "interval",
            "Least pause between the starts of two requests to the same engine, in ms (default: the stored "
            "engineInterval, 0).",
            "MS"),
        flag("jitter", "Add a random extra of up to the interval again to each pause."),
        valued(
            "timeout",
            "Give up a page after S seconds without a byte, 1 to 600 (default: the stored fetchTimeout, 30).",
            "S"),
        valued("engine",
               "Ask only the engine with this key (repeatable); the table shows only these engines.", "KEY"),
        valued("proxy",
               "Send the requests through this proxy, http://[user:password@]host:port or socks5://...; "
               "repeatable: the proxies are used in turn, one per request and engine (default: the stored "
               "proxies).",
               "URL"),
        valued("keep-pages",
               "Write every result page the scan fetched to DIR as <row>-<engine>.html, with an index.json "
               "(url, "
               "engine, query, status, count, word).",
               "DIR"),
    };
}

// The options of a save after a scan, and of the other commands.
QList<QCommandLineOption> commandTable()
{
    return {
        valued("save",
               "Save the scanned URL's counts as a new saved search NAME (an existing one is refused unless "
               "--replace is given).",
               "NAME"),
        flag("replace",
             "With --save: an existing saved search NAME keeps only this save for every engine saved."),
        valued("append", "Add the scanned URL's counts to the saved search NAME (made when missing).",
               "NAME"),
        valued("date", "Date of the save (default: today).", "YYYY-MM-DD"),
        flag("strict",
             "With --save or --append: write nothing when any engine gave no count (otherwise such an "
             "engine's history keeps a gap for the date)."),
        valued("compare",
               "After scanning a list of one URL, print the change of its total since the newest save in the "
               "saved search NAME (the window's Change column); exit 0.",
               "NAME"),
        valued(
            "history",
            "Print the saved search NAME: one row per date, newest first, one column per engine (with --csv "
            "or --json: dates as YYYY-MM-DD, counts as plain digits).",
            "NAME"),
        valued(
            "import",
            "Read a history CSV (as --history NAME --csv writes it) into the saved search NAME; the CSV file "
            "is the argument, - for standard input.",
            "NAME"),
        flag("merge", "With --import: add to an existing saved search (a date already there gets the CSV's "
                      "counts)."),
        valued("watch",
               "Make the URL given as the argument the URL of the saved search NAME, which --update-all then "
               "keeps up to date; without a URL, forget it.",
               "NAME"),
        flag("watched", "List the watched saved searches: name, URL and the newest save's date."),
        flag("update-all",
             "Scan the URLs of all watched saved searches in one scan, append each row to its saved "
             "search (--date, default today) and print the table. Exit status 4 when an alert was "
             "raised."),
        valued(
            "alert-drop",
            "With --update-all: a total or a count at least PCT percent below the previous save is an alert "
            "(default: the stored alertDrop, 0 for none).",
            "PCT"),
        valued("alert-failures",
               "With --update-all: an engine without a count in N updates in a row is an alert (default: the "
               "stored alertFailures, 3).",
               "N"),
        valued(
            "on-alert",
            "With --update-all: run CMD (by /bin/sh) once per alert, with VANTORY_ALERT_KIND, _NAME, _URL, "
            "_ENGINE, _OLD, _NEW, _DATE and _TEXT in its environment.",
            "CMD"),
        flag("engines", "List the engines in use (key, header, kind: markers, expression or json) and exit."),
        valued(
            "test-engine",
            "Fetch the URL given as the argument through the engine KEY (or read --page FILE) and print what "
            "its definition cuts out and the status; exit 0 for a count or a recognised zero, 3 for none.",
            "KEY"),
        valued("page", "With --test-engine: a saved result page to read.", "FILE"),
        flag("where", "Print the folders in use (program folder, saved searches, lists, defaults, settings "
                      "store) and exit."),
    };
}

} // namespace

// The options of the web graph's commands.
QList<QCommandLineOption> graphTable()
{
    return {
        valued("graph-import",
               "Import the web graph release RELEASE (as cc-main-2025-sep-oct-nov): its domain files are "
               "streamed from the source, checked and indexed in the program folder's WebGraph folder.",
               "RELEASE"),
        valued("graph-source",
               "Where the releases are: an http(s) address or a folder with the same layout (default: "
               "https://data.commoncrawl.org/projects/hyperlinkgraph).",
               "BASE"),
        valued("graph-keep-files", "With --graph-import: keep the downloaded files in DIR too.", "DIR"),
        flag("graph-only-watched",
             "With --graph-import: index the figures of the watched saved searches' domains and of the URLs "
             "or URL list files given only (almost no disk); other URLs then get the status not-kept."),
        flag("graph",
             "Look up the URLs given (or a URL list file, or - for standard input) in a web graph "
             "release: node, linking domains, harmonic and PageRank position and value, hosts, status."),
        valued("graph-release",
               "With --graph: the release to read (default: the newest imported); with --graph-history: a "
               "release "
               "to write (repeatable; default: every imported one).",
               "R"),
        flag("graph-history",
             "Write into every watched saved search its URL's linking domains in each imported release, "
             "dated by "
             "the release (its last day), in the web graph engine's section; a second run changes nothing."),
        flag("graph-releases", "List the imported web graph releases and those the source offers."),
        valued("graph-linking",
               "List the domains that link to URL in a release (the newest imported, or --graph-release R), "
               "each "
               "with its harmonic position, best first; kept for watched sites only.",
               "URL"),
        valued("graph-changes",
               "List the domains that started (new) and stopped (lost) linking to URL between two releases, "
               "given "
               "as --graph-release OLD --graph-release NEW.",
               "URL"),
        valued("graph-remove", "Delete the imported web graph release RELEASE.", "RELEASE"),
    };
}

const QList<QCommandLineOption> &allOptions()
{
    static const QList<QCommandLineOption> options = scanTable() + commandTable() + graphTable();
    return options;
}

const QList<Command> &commands()
{
    static const QList<Command> list{
        scanCommand(),        updateCommand(),       historyCommand(),      importCommand(),
        watchCommand(),       watchedCommand(),      enginesCommand(),      testEngineCommand(),
        whereCommand(),       graphImportCommand(),  graphCommand(),        graphReleasesCommand(),
        graphRemoveCommand(), graphHistoryCommand(), graphLinkingCommand(), graphChangesCommand()};
    return list;
}

QString helpText()
{
    QCommandLineParser parser;
    parser.addOptions(allOptions());
    QString usage;
    for (const Command &command : commands())
        usage += QStringLiteral("  vantory-scan [--program-folder DIR] ") + command.usage + u'\n';
    parser.setApplicationDescription(
        QStringLiteral(
            "Scans the URLs of a list file (or standard input, given as -) on the search engines of "
            "engines.ini (the six shipped ones unless the program folder has its own) and prints the "
            "results table, sorted as the window shows it after a scan.\n\nCommands:\n") +
        usage +
        QStringLiteral(
            "\nExit status: 0 when every engine gave a count for every URL; 3 when the scan completed but "
            "at least one cell has no count (the table is printed all the same; a summary per engine "
            "goes to standard error); 4 when --update-all raised an alert; 1 when the URL list cannot be "
            "read, a save fails or an alert command fails; 2 on bad arguments. 2 comes before 1, 1 "
            "before 4, 4 before 3."));
    parser.addPositionalArgument(QStringLiteral("URLFILE"),
                                 QStringLiteral("URL list file, or - for standard input."));
    return parser.helpText();
}

namespace {

// The command the options choose; nullptr (with the message printed) when they choose two.
const Command *chosenCommand(const QCommandLineParser &parser, int *code)
{
    const Command *chosen = nullptr;
    for (const Command &command : commands()) {
        if (!command.selector || !parser.isSet(QLatin1String(command.selector)))
            continue;
        if (chosen) {
            *code = fail(2, QStringLiteral("--%1 and --%2 cannot be used together; see --help")
                                .arg(QLatin1String(chosen->selector), QLatin1String(command.selector)));
            return nullptr;
        }
        chosen = &command;
    }
    return chosen ? chosen : &commands().first();
}

// The first option given that the command does not take, said with what it goes with; empty when none.
QString refusedOption(const QCommandLineParser &parser, const Command &command)
{
    for (const QString &name : parser.optionNames()) {
        if (commonOptions().contains(name) || command.options.contains(name) ||
            (command.selector && name == QLatin1String(command.selector)))
            continue;
        QStringList takers;
        for (const Command &other : commands()) {
            if (other.options.contains(name))
                takers.append(other.selector ? QStringLiteral("--") + QLatin1String(other.selector)
                                             : QStringLiteral("a scan of a URL list"));
        }
        const QString chosen = command.selector ? QStringLiteral("--") + QLatin1String(command.selector)
                                                : QStringLiteral("a scan of a URL list");
        return QStringLiteral("--%1 does not go with %2%3")
            .arg(name, chosen,
                 takers.isEmpty()
                     ? QString()
                     : QStringLiteral(" (it goes with ") + takers.join(QStringLiteral(", ")) + u')');
    }
    return QString();
}

} // namespace

int runCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addOptions(allOptions());
    if (!parser.parse(QStringList{QStringLiteral("vantory-scan")} + arguments))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        standardOutput::print(helpText());
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        standardOutput::print(QStringLiteral("vantory-scan " VANTORY_VERSION "\n"));
        return 0;
    }
    int code = 2;
    const Command *command = chosenCommand(parser, &code);
    if (!command)
        return code;
    if (const QString refused = refusedOption(parser, *command); !refused.isEmpty())
        return fail(2, refused);
    if (QString error; !programFolder::choose(parser.value(QStringLiteral("program-folder")), &error))
        return fail(1, error);
    programFolder::removeStaleTemporaries();
    const engines::LoadResult loaded = engines::loadForProgram();
    for (const QString &message : loaded.messages)
        err() << "vantory-scan: " << resultsExport::printable(message) << Qt::endl;
    engines::EngineSet::setCurrent(loaded.set);
    return command->run(Invocation(parser), loaded);
}

} // namespace cli
