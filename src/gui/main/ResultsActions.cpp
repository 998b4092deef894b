#include "gui/main/ResultsActions.h"

#include "core/ini/TextFile.h"
#include "core/ini/UserSettings.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ResultsExport.h"
#include "core/scan/ScanRun.h"
#include "core/scan/SortKeys.h"
#include "gui/common/Prompts.h"
#include "gui/dialogs/Form5.h"
#include "gui/main/ResultsTableModel.h"

#include <QDir>
#include <QFileInfo>

namespace resultsActions {

namespace {

// Writes text as UTF-8 in one go; a failure leaves an existing file as it was and is reported.
void writeExport(QWidget *parent, const QString &title, const QString &path, const QString &text)
{
    // Atomic and checked: a full disk leaves the old file (or none), never a part of the export.
    QString error;
    if (!textFile::writeBytes(path, text.toUtf8(), &error))
        prompts::warning(parent, title,
                         QStringLiteral("%1 could not be written: %2. Nothing was changed.")
                             .arg(QDir::toNativeSeparators(path), error));
}

} // namespace

QString saveRow(QWidget *parent, ResultsTableModel &results, int row,
                const std::function<int(QDialog *)> &runDialog)
{
    Form5 dialog(saved::saveRowOf(results, row), parent);
    dialog.load();
    // Cells without a count are saved without one (the chart shows a gap); the dialog says which.
    QStringList missing;
    for (int engine = 1; engine <= results.engineCount() && results.rowReported(row); ++engine) {
        const scan::CellReport report = results.report(row, engine);
        if (!report.hasCount())
            missing.append(results.engines().at(engine).header + QStringLiteral(" (") +
                           scan::shortReason(report) + u')');
    }
    if (!missing.isEmpty())
        dialog.setNote(QStringLiteral("No count from ") + missing.join(QStringLiteral(", ")));
    runDialog(&dialog);
    if (!dialog.savedFile().isEmpty()) {
        // The row's URL keeps this saved search for its "Change" column, and becomes the URL an update of
        // the saved search asks for.
        const QString name = QFileInfo(dialog.savedFile()).completeBaseName();
        if (!UserSettings::watch(programFolder::path(), name, results.cell(row, 0)))
            prompts::warning(parent, QStringLiteral("Save Search Results"),
                             QStringLiteral("The counts were saved, but the saved search's URL could not be "
                                            "remembered: %1.")
                                 .arg(UserSettings::lastWriteError()));
        updateChange(results, row, name);
    }
    return dialog.savedFile();
}

void updateChange(ResultsTableModel &results, int row, const QString &savedSearch)
{
    const QString name = savedSearch.isEmpty()
                             ? UserSettings::savedSearchFor(programFolder::path(), results.cell(row, 0))
                             : savedSearch;
    double total = 0;
    std::optional<saved::LastSave> save;
    if (!name.isEmpty() && !results.hasNoCount(row) && scan::cellNumber(results.cell(row, 1), &total))
        save = saved::lastSave(saved::searchFile(programFolder::savedFolder(), name));
    if (!save) {
        results.setChange(row, std::nullopt);
        return;
    }
    results.setChange(row, qint64(total) - save->total,
                      QStringLiteral("Since the save of %1 in \"%2\" (total %3)")
                          .arg(saved::dateKey(save->date), name) // as the Scan Report and the file name it
                          .arg(save->total));
}

void exportResults(QWidget *parent, const ResultsTableModel &results, const scan::ScanRun &run)
{
    const QString title = QStringLiteral("Export Results");
    if (results.rowCount() == 0) {
        prompts::information(parent, title, QStringLiteral("There are no results to export yet."));
        return;
    }
    const QString filter = QStringLiteral("CSV file (*.csv);;JSON document (*.json)");
    QString chosen;
    const QString typed = prompts::saveFile(parent, title, QDir::homePath(), filter, &chosen);
    if (typed.isEmpty())
        return;
    const QString path = prompts::withExtension(typed, filter, chosen);
    if (path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)) {
        writeExport(parent, title, path, resultsExport::toJson(results, resultsExport::engineSummaries(run)));
        return;
    }
    bool reported = false;
    for (int row = 0; row < results.rowCount() && !reported; ++row) {
        for (int engine = 1; engine <= results.engineCount() && !reported; ++engine)
            reported = results.report(row, engine).status != scan::CellStatus::NotAsked;
    }
    writeExport(parent, title, path, resultsExport::toCsv(results, reported));
}

void exportHistory(QWidget *parent, const QString &chartFile)
{
    const QString title = QStringLiteral("Export History");
    saved::History history;
    if (chartFile.isEmpty() || !saved::readHistory(chartFile, history)) {
        prompts::warning(parent, title, QStringLiteral("Load a saved search in the Chart View first."));
        return;
    }
    const QString filter = QStringLiteral("CSV file (*.csv)");
    QString chosen;
    const QString suggested = QDir(QDir::homePath()).filePath(QFileInfo(chartFile).completeBaseName());
    const QString typed = prompts::saveFile(parent, title, suggested, filter, &chosen);
    if (typed.isEmpty())
        return;
    writeExport(parent, title, prompts::withExtension(typed, filter, chosen),
                resultsExport::historyCsv(history));
}

} // namespace resultsActions
