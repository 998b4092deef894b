#pragma once

#include <QGroupBox>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;
class QWebEngineView;

// Frame4 "Results - Website View": the web-result log ListView2, the address box Text1 with "Go", the
// navigation buttons and the browser area WebBrowser1. The navigation buttons drive the browser; what the
// user asks of the window (a log row, the address typed, the log's menu) comes out as signals.
class WebsiteViewFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit WebsiteViewFrame(QWidget *parent = nullptr);

    void showLog(QAbstractItemModel *model);
    // The selected log row, or -1.
    int selectedLogRow() const;
    // Selects a log row and scrolls it to the top, without logRowChosen.
    void selectLogRow(int row);
    // The address box's text.
    QString address() const;
    // The browser, for what the log's rows and kept pages show in it (its page made on the first call).
    QWebEngineView *browser() const;
    // The log, for the window's layout (its column widths remembered between runs) only.
    QTreeView *logView() const { return m_log; }
    // Fits the log, the address box, "Go" and the browser to a view of this size.
    void fitTo(int width, int height);
    // The log's height, which the grip between log and browser (splLog) changes; kept between runs.
    int logHeight() const { return m_logHeight; }
    void setLogHeight(int height);
    QWidget *grip() const { return m_grip; }

signals:
    void goRequested();             // "Go", or Enter in the address box
    void logRowChosen(int row);     // a log row clicked, moved to with the keyboard, or Enter on it
    void logColumnClicked(int col); // 1-based
    // The log's popup menu over a row (now the selected one), at a place on the screen.
    void logMenuRequested(int row, const QPoint &globalPos);
    void linkHovered(const QString &url);
    void loadStarted(const QString &url);
    void loadFinished();

private:
    bool eventFilter(QObject *watched, QEvent *event) override;

    QTreeView *m_log;                // ListView2
    QLabel *m_urlLabel;              // Label5
    QLineEdit *m_address;            // Text1
    QPushButton *m_go;               // Command10
    QPushButton *m_back;             // Command8
    QPushButton *m_forward;          // Command9
    QPushButton *m_stop;             // Command11
    QPushButton *m_refresh;          // Command70
    QWebEngineView *m_browser;       // WebBrowser1
    mutable bool m_pageMade = false; // the browser's page made, its hovered links passed on
    bool m_selecting = false;        // a row selected by the window, not the user
    QWidget *m_grip;                 // splLog: dragged, it moves the border between log and browser
    int m_logHeight;
    int m_dragFrom = -1; // the grip's pointer position (frame coordinates) when the drag began
    int m_dragHeight = 0;
};
