#pragma once

class ChartViewFrame;
class DataViewFrame;
class QMainWindow;
class QPushButton;
class QStatusBar;
class QTreeView;
class QWidget;
class TabStrip;
class ToolStrip;
class UrlPanel;
class WebsiteViewFrame;

// The main window's arrangement: where its parts go whenever the window's client area changes size, its
// fonts, and the place, size and columns remembered between runs.
namespace mainLayout {

struct Parts
{
    QWidget *client;
    ToolStrip *toolStrip;
    UrlPanel *urls;
    TabStrip *tabs;
    DataViewFrame *data;
    ChartViewFrame *chart;
    WebsiteViewFrame *web;
};

// The tool strip across the top, the URL frame and the tab strip below it down to just above the status bar,
// the three views inside the tab strip, and their contents to the views' sizes.
void arrange(const Parts &parts);

// Verdana 8.25 pt: frames, buttons and labels in bold, everything else (lists, boxes, the status bar) plain.
void applyFonts(QWidget *window, const QStatusBar *status);

// The window's place and size, the two tables' columns and the Website View's log height, as the user left
// them (keys of our own).
void restore(QMainWindow *window, QTreeView *results, WebsiteViewFrame *web);
void save(const QMainWindow *window, const QTreeView *results, const WebsiteViewFrame *web);

} // namespace mainLayout
