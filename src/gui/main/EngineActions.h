#pragma once

#include <QString>
#include <QStringList>

class QWidget;
namespace scan {
class ResultsModel;
class ScanRun;
class WebLogModel;
} // namespace scan

// The window's side of the engines as data: which engines are in use, and cells read again from kept pages.
namespace engineActions {

// Reads engines.ini (the program folder's, else the defaults') and makes its engines the ones in use. Returns
// the messages about engines left out, for showMessages().
QStringList loadForProgram();
// The messages in one warning, when there are any.
void showMessages(QWidget *parent, const QStringList &messages);

// The results table takes the engines in use: at once, or when the running scan has ended.
void follow(scan::ResultsModel &results, scan::ScanRun &run);

// Scan > "Re-read Kept Pages": every cell of the last scan computed again from its kept page with the
// engines' definitions as they are now. Returns the status-bar text, or empty when nothing was read (the
// user has been told why).
QString reread(QWidget *parent, scan::ResultsModel &results, scan::WebLogModel &log, scan::ScanRun &run);

} // namespace engineActions
