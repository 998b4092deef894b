#include "gui/main/StatusPanel.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

StatusPanel::StatusPanel(QWidget *parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

QSize StatusPanel::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

QSize StatusPanel::sizeHint() const
{
    return {0, QLabel::sizeHint().height()};
}

void StatusPanel::setStatusText(const QString &text)
{
    setText(text);
    setToolTip(text);
}

QString StatusPanel::shownText() const
{
    QString line = text();
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    return fontMetrics().elidedText(line, Qt::ElideMiddle, qMax(0, contentsRect().width() - 2 * margin()));
}

void StatusPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event); // the panel's sunken frame
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(margin(), 0, -margin(), 0);
    style()->drawItemText(&painter, area, int(alignment() | Qt::AlignVCenter), palette(), isEnabled(),
                          shownText(), foregroundRole());
}

void StatusPanel::showHover(const QString &url, bool busy)
{
    if (busy) {
        m_hoverRestore.reset();
        return;
    }
    if (url.isEmpty()) {
        if (m_hoverRestore) {
            setText(m_hoverRestore->first);
            setToolTip(m_hoverRestore->second);
            m_hoverRestore.reset();
        }
        return;
    }
    if (!m_hoverRestore)
        m_hoverRestore = std::pair{text(), toolTip()};
    setStatusText(url);
}
