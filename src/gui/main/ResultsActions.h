#pragma once

#include <QString>

#include <functional>

class QDialog;
class QWidget;
class ResultsTableModel;

namespace scan {
class ScanRun;
}

// What the main window does with its results beyond showing them: saving a row into a saved search, the
// Change column, and the exports of the File menu. The window routes its commands here.
namespace resultsActions {

// The save dialog for the results row (its note naming the engines without a count), run by runDialog. After
// a save the row's URL remembers the saved search for its Change column. The file written, or empty.
QString saveRow(QWidget *parent, ResultsTableModel &results, int row,
                const std::function<int(QDialog *)> &runDialog);

// The Change cell of a row: its total against the newest save of the URL's saved search.
// The row's Change against the newest save of savedSearch, or of the saved search that watches its URL.
void updateChange(ResultsTableModel &results, int row, const QString &savedSearch = QString());

// File > Export Results...: the results table as CSV (with the cells' statuses) or as JSON, the same files
// vantory-scan --csv and --json write.
void exportResults(QWidget *parent, const ResultsTableModel &results, const scan::ScanRun &run);

// File > Export History...: the saved search in chartFile as CSV, as vantory-scan --history NAME --csv.
void exportHistory(QWidget *parent, const QString &chartFile);

} // namespace resultsActions
