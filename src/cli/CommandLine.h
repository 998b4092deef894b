#pragma once

#include "core/engines/EngineSet.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

// vantory-scan's commands and the one place that parses their options. Each command (a scan of a URL list,
// --update-all, --history, --import, --watch, --watched, --engines, --test-engine, --where and the --graph
// commands) declares the options it takes; an option the chosen command does not take is refused here, for
// all of them alike.
namespace cli {

// Exit statuses shared by the commands: 2 bad arguments, 1 a failure, then these.
inline constexpr int IncompleteScan = 3; // the scan completed, but a cell has no count
inline constexpr int AlertRaised = 4;    // an update raised an alert

// Standard error of the command line.
QTextStream &err();
// Prints "vantory-scan: " + message on standard error and returns code.
int fail(int code, const QString &message);
// code, or 1 (with the reason) when standard output could not be written: a command whose output was lost
// has failed, whatever else it did.
int reported(int code);

// The parsed command line, as a command reads it (options by their long names).
class Invocation
{
public:
    explicit Invocation(const QCommandLineParser &parser) : m_parser(parser) {}
    bool isSet(const char *option) const;
    QString value(const char *option) const;
    QStringList values(const char *option) const;
    QStringList positional() const;
    // Nothing, or the option's value as a whole number from lo to hi; false with a sentence in error for
    // anything else ("--retries needs a number from 0 to 3, not "x"").
    bool number(const char *option, int lo, int hi, const char *what, std::optional<int> *value,
                QString *error) const;

private:
    const QCommandLineParser &m_parser;
};

// One command: the option that chooses it (nullptr for the scan of a URL list), the options it takes
// besides --program-folder, --help and --version, its lines in the help text, and its handler. The handler
// runs once the program folder is chosen and the engines are loaded.
struct Command
{
    const char *selector = nullptr;
    QStringList options;
    QString usage;
    int (*run)(const Invocation &invocation, const engines::LoadResult &engines) = nullptr;
};

// The commands, each declared beside its handler.
Command scanCommand();
Command updateCommand();
Command historyCommand();
Command importCommand();
Command watchCommand();
Command watchedCommand();
Command enginesCommand();
Command testEngineCommand();
Command whereCommand();
Command graphImportCommand();
Command graphCommand();
Command graphReleasesCommand();
Command graphRemoveCommand();
Command graphHistoryCommand();
Command graphLinkingCommand();
Command graphChangesCommand();

// Every command, the scan of a URL list first.
const QList<Command> &commands();
// Every option of every command (and the three all of them take).
const QList<QCommandLineOption> &allOptions();
// The help text: what the program does, the usage line of every command, every option.
QString helpText();

// Parses the arguments (without the program name), chooses the command, refuses what it does not take,
// and runs it; the exit status.
int runCommandLine(const QStringList &arguments);

} // namespace cli
