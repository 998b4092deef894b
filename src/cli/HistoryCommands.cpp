// The commands that read and write a saved search's whole history: --history and --import.
#include "cli/CommandLine.h"
#include "cli/StandardOutput.h"

#include "core/program/ProgramFolder.h"
#include "core/saved/HistoryImport.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsExport.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace cli {

namespace {

// The history as aligned columns: a row per date, newest first, a column per engine.
QString historyTable(const saved::History &history)
{
    QList<QStringList> table{QStringList{QStringLiteral("Date")} + history.sections};
    for (qsizetype i = 0; i < history.dates.size(); ++i)
        table.append(QStringList{history.dates.at(i)} + history.values.at(i));
    QList<qsizetype> widths(table.first().size(), 0);
    for (const QStringList &row : std::as_const(table)) {
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], resultsExport::printable(row.at(c)).size());
    }
    QString printed;
    QTextStream out(&printed);
    for (const QStringList &row : std::as_const(table)) {
        QStringList cells;
        for (qsizetype c = 0; c < row.size(); ++c) {
            const QString cell = resultsExport::printable(row.at(c));
            cells.append(c == 0 ? cell.leftJustified(widths[c]) : cell.rightJustified(widths[c]));
        }
        out << cells.join(QStringLiteral("  ")).trimmed() << '\n';
    }
    out.flush();
    return printed;
}

int runHistory(const Invocation &in, const engines::LoadResult &)
{
    if (!in.positional().isEmpty())
        return fail(2, QStringLiteral("--history takes no URL list; see --help"));
    if (in.isSet("csv") && in.isSet("json"))
        return fail(2, QStringLiteral("--csv and --json cannot be used together"));
    const QString name = in.value("history");
    if (QString why; !saved::isValidSearchName(name, &why))
        return fail(2, why);
    saved::History history;
    const QString file = saved::searchFile(programFolder::savedFolder(), name);
    if (QString why; !saved::readHistory(file, history, &why))
        return fail(1, why.isEmpty() ? QStringLiteral("cannot read the saved search %1").arg(file) : why);
    standardOutput::print(in.isSet("csv")    ? resultsExport::historyCsv(history)
                          : in.isSet("json") ? resultsExport::historyJson(history)
                                             : historyTable(history));
    return 0;
}

int runImport(const Invocation &in, const engines::LoadResult &loaded)
{
    const QStringList positional = in.positional();
    if (positional.size() != 1)
        return fail(2, QStringLiteral("--import takes one CSV file (or -); see --help"));
    const QString name = in.value("import");
    if (QString why; !saved::isValidSearchName(name, &why))
        return fail(2, why);
    QFile input;
    if (positional.first() == QLatin1String("-")
            ? !input.open(stdin, QIODevice::ReadOnly)
            : (input.setFileName(positional.first()), !input.open(QIODevice::ReadOnly)))
        return fail(1, QStringLiteral("cannot read %1").arg(positional.first()));
    const QString file = saved::searchFile(programFolder::savedFolder(), name);
    const saved::ImportResult imported =
        saved::importHistory(input.read(64LL * 1024 * 1024), file, in.isSet("merge"), loaded.set.headers());
    if (!imported.ok) {
        for (const QString &error : imported.errors)
            fail(1, resultsExport::printable(error));
        return 1;
    }
    err() << "Imported " << imported.dates << " dates into " << file << Qt::endl;
    return 0;
}

} // namespace

Command historyCommand()
{
    return {"history",
            {QStringLiteral("csv"), QStringLiteral("json")},
            QStringLiteral("--history NAME [--csv | --json]"),
            runHistory};
}

Command importCommand()
{
    return {
        "import", {QStringLiteral("merge")}, QStringLiteral("--import NAME [--merge] FILE.csv|-"), runImport};
}

} // namespace cli
