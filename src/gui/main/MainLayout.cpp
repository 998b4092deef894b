#include "gui/main/MainLayout.h"

#include "core/ini/UserSettings.h"
#include "gui/chart/ChartViewFrame.h"
#include "gui/chart/ChartWidget.h"
#include "gui/common/Twips.h"
#include "gui/main/DataViewFrame.h"
#include "gui/main/TabStrip.h"
#include "gui/main/ToolStrip.h"
#include "gui/main/UrlPanel.h"
#include "gui/web/WebsiteViewFrame.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeView>
#include <QWebEngineView>

#include <cstdlib>

using twips::px;

namespace mainLayout {

void arrange(const Parts &parts)
{
    const int W = parts.client->width();
    const int H = parts.client->height();
    parts.toolStrip->setGeometry(0, 0, W, px(1095));
    // Frame1 (URLs): below the tool strip, down to just above the status bar.
    const int top = std::abs(parts.toolStrip->y() + parts.toolStrip->height());
    const int frameHeight = std::abs(H - top - px(60));
    parts.urls->setGeometry(parts.urls->x(), top, parts.urls->width(), frameHeight);
    // TabStrip1 beside it, to 200 twips from the right edge.
    parts.tabs->setGeometry(parts.tabs->x(), top, std::abs(W - parts.tabs->x() - px(200)), frameHeight);
    // The three view frames coincide, inside the tab strip.
    const QRect view(std::abs(parts.tabs->x() + px(100)), std::abs(parts.tabs->y() + px(500)),
                     std::abs(parts.tabs->width() - px(200)), std::abs(parts.tabs->height() - px(700)));
    parts.data->setGeometry(view);
    parts.chart->setGeometry(view);
    parts.web->setGeometry(view);
    for (QWidget *frame : {static_cast<QWidget *>(parts.data), static_cast<QWidget *>(parts.chart),
                           static_cast<QWidget *>(parts.web)})
        frame->raise();

    QTreeView *results = parts.data->table();
    results->resize(std::abs(view.width() - 2 * results->x()),
                    std::abs(view.height() - results->y() - px(200)));
    parts.chart->chart()->resize(results->width(), std::max(0, results->height() - px(100)));

    parts.web->fitTo(view.width(), view.height());

    parts.urls->fitList(px(200));
    parts.toolStrip->fitTo(W);
}

void applyFonts(QWidget *window, const QStatusBar *status)
{
    QFont base(QStringLiteral("Verdana"));
    base.setPointSizeF(8.25);
    window->setFont(base);
    QFont bold = base;
    bold.setBold(true);
    // Frames, buttons and labels in bold; everything else (lists, boxes, the status bar) plain.
    for (QWidget *w : window->findChildren<QWidget *>()) {
        const bool strong = qobject_cast<QGroupBox *>(w) || qobject_cast<QPushButton *>(w) ||
                            (qobject_cast<QLabel *>(w) && w->parentWidget() != status);
        w->setFont(strong ? bold : base);
    }
}

void restore(QMainWindow *window, QTreeView *results, WebsiteViewFrame *web)
{
    QTreeView *log = web->logView();
    bool ok = false;
    if (const int height = UserSettings::value(UserSettings::WebLogHeight).toInt(&ok); ok && height > 0)
        web->setLogHeight(height);
    const auto stored = [](UserSettings::Key key) {
        return QByteArray::fromBase64(UserSettings::value(key).toLatin1());
    };
    if (const QByteArray geometry = stored(UserSettings::WindowGeometry); !geometry.isEmpty())
        window->restoreGeometry(geometry);
    if (const QByteArray columns = stored(UserSettings::ResultsColumns); !columns.isEmpty())
        results->header()->restoreState(columns);
    if (const QByteArray columns = stored(UserSettings::LogColumns); !columns.isEmpty())
        log->header()->restoreState(columns);
}

void save(const QMainWindow *window, const QTreeView *results, const WebsiteViewFrame *web)
{
    const QTreeView *log = web->logView();
    UserSettings::setValue(UserSettings::WebLogHeight, QString::number(web->logHeight()));
    UserSettings::setValue(UserSettings::WindowGeometry,
                           QString::fromLatin1(window->saveGeometry().toBase64()));
    UserSettings::setValue(UserSettings::ResultsColumns,
                           QString::fromLatin1(results->header()->saveState().toBase64()));
    UserSettings::setValue(UserSettings::LogColumns,
                           QString::fromLatin1(log->header()->saveState().toBase64()));
}

} // namespace mainLayout
