#include "gui/common/FrameLimiter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

void FrameLimiter::limit(QWidget *inWindow)
{
    QWidget *window = inWindow->window();
    if (!window->findChild<FrameLimiter *>(QString(), Qt::FindDirectChildrenOnly))
        new FrameLimiter(window);
}

FrameLimiter::FrameLimiter(QWidget *window) : QObject(window), m_window(window)
{
    m_later.setSingleShot(true);
    m_later.setTimerType(Qt::PreciseTimer);
    connect(&m_later, &QTimer::timeout, this, [this] {
        QCoreApplication::postEvent(m_window, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    });
    window->installEventFilter(this);
}

bool FrameLimiter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || event->type() != QEvent::UpdateRequest)
        return false;
    if (!m_sincePaint.isValid() || m_sincePaint.elapsed() >= IntervalMs) {
        m_later.stop();
        m_sincePaint.start();
        return false;
    }
    // Too soon after the last paint: the window keeps its pending changes and is painted when the interval
    // is over.
    if (!m_later.isActive())
        m_later.start(int(IntervalMs - m_sincePaint.elapsed()));
    return true;
}
