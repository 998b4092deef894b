#include "gui/web/WebLogActions.h"

#include "core/program/ProgramFolder.h"
#include "core/scan/KeptPages.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"
#include "core/scan/WebResults.h"
#include "gui/common/Prompts.h"
#include "gui/web/WebsiteViewFrame.h"
#include "gui/web/frmWebsite.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <QUrl>
#include <QWebEngineView>

namespace webLogActions {

int firstRowOf(const scan::WebLogModel &log, const QString &target)
{
    for (int i = 0; i < log.rowCount(); ++i) {
        if (log.url(i) == target)
            return i;
    }
    return -1;
}

void openRow(WebsiteViewFrame &web, const scan::WebLogModel &log, int row)
{
    const QString address =
        webResults::logRowAddress(log.type(row), log.url(row), programFolder::settingsIni());
    if (!address.isEmpty())
        navigate(web.browser(), address);
}

const scan::KeptPage *keptPage(const scan::WebLogModel &log, const scan::ScanRun &run, int row)
{
    if (const int engine = run.engines().numberOfLogText(log.type(row)))
        return run.keptPages().find(log.url(row), run.engines().at(engine).key);
    return nullptr; // a "Home Page" row: the site itself, not fetched by the scan
}

QString showKeptPage(WebsiteViewFrame &web, const scan::KeptPage &page)
{
    QByteArray type = "text/html;charset=ISO-8859-1"; // the bytes were read as Latin-1
    for (const auto &[name, value] : page.headers) {
        if (name.compare("Content-Type", Qt::CaseInsensitive) == 0 && value.contains("charset"))
            type = value;
    }
    web.browser()->setContent(page.body(), QString::fromLatin1(type), QUrl(page.query));
    return QStringLiteral("Kept copy: %1 as fetched (HTTP %2)").arg(page.query).arg(page.http);
}

void showSelectedKeptPage(QWidget *parent, WebsiteViewFrame &web, const scan::WebLogModel &log,
                          const scan::ScanRun &run, QString *note)
{
    const int row = web.selectedLogRow();
    const scan::KeptPage *page = row < 0 ? nullptr : keptPage(log, run, row);
    if (!page) {
        prompts::information(parent, QStringLiteral("Show Fetched Page"),
                             QStringLiteral("No page was kept for this row: it is not an engine's row of the "
                                            "last scan, or the scan was not asked for it."));
        return;
    }
    *note = showKeptPage(web, *page);
}

} // namespace webLogActions
