#pragma once

#include <QString>

class QWidget;
class WebsiteViewFrame;

namespace scan {
struct KeptPage;
class ScanRun;
class WebLogModel;
} // namespace scan

// What the Website View does with rows of the web-result log: open a row's page in the browser, find a
// result's rows, show the page a scan kept for a row.
namespace webLogActions {

// The first log row of the target URL (its "Home Page" row), or -1.
int firstRowOf(const scan::WebLogModel &log, const QString &target);

// Opens the page a log row leads to in the Website View's browser (nothing for a row that leads nowhere).
void openRow(WebsiteViewFrame &web, const scan::WebLogModel &log, int row);

// The page the last scan kept for an engine's log row, or none (a "Home Page" row, a row of an older scan).
const scan::KeptPage *keptPage(const scan::WebLogModel &log, const scan::ScanRun &run, int row);

// Shows a kept page in the browser as it was fetched, with the character set its answer gave. Returns the
// note for the status bar while it is shown.
QString showKeptPage(WebsiteViewFrame &web, const scan::KeptPage &page);

// Log popup > "Show Fetched Page": the kept page of the log's selected row in the browser, or a message that
// there is none. note receives the status-bar note when a page is shown.
void showSelectedKeptPage(QWidget *parent, WebsiteViewFrame &web, const scan::WebLogModel &log,
                          const scan::ScanRun &run, QString *note);

} // namespace webLogActions
