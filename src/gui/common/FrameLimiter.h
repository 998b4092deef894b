#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

// Paints a window at most once per interval. A window that holds a web view is composed as a whole on every
// paint (on a machine without a graphics card, in software); a scan changes a cell, a status text or a log
// row many hundred times a second, and painting each change would take more time than the scan itself.
// Changes that arrive within one interval are painted together at its end, so nothing is lost, only
// gathered.
class FrameLimiter : public QObject
{
    Q_OBJECT

public:
    static constexpr int IntervalMs = 25; // 40 paints a second at most

    // Limits the window that holds the widget, once however many ask.
    static void limit(QWidget *inWindow);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit FrameLimiter(QWidget *window);

    QWidget *m_window;
    QElapsedTimer m_sincePaint;
    QTimer m_later;
};
