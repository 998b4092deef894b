#include "gui/main/ProfileIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace profileIcons {

namespace {

QIcon paint(const QColor &color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient shade(0, 4, 0, 12);
    shade.setColorAt(0, color.lighter(140));
    shade.setColorAt(1, color.darker(115));
    p.setPen(QPen(color.darker(150), 1));
    p.setBrush(shade);
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 7), 3, 3);
    return QIcon(pixmap);
}

} // namespace

QIcon unknownIcon()
{
    static const QIcon grey = paint(QColor(150, 150, 150));
    return grey;
}

QIcon warningIcon()
{
    static const QIcon warning = [] {
        QPixmap pixmap(12, 12);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath triangle;
        triangle.moveTo(6, 1);
        triangle.lineTo(11.2, 10.8);
        triangle.lineTo(0.8, 10.8);
        triangle.closeSubpath();
        p.setPen(QPen(QColor(166, 110, 0), 1));
        p.setBrush(QColor(250, 190, 40));
        p.drawPath(triangle);
        p.setPen(QPen(QColor(60, 40, 0), 1.4));
        p.drawLine(QPointF(6, 4), QPointF(6, 7.4));
        p.drawPoint(QPointF(6, 9.2));
        return QIcon(pixmap);
    }();
    return warning;
}

QIcon icon(int profile)
{
    static const std::array<QIcon, 3> icons{paint(QColor(214, 48, 49)), paint(QColor(240, 196, 25)),
                                            paint(QColor(46, 160, 67))};
    if (profile < 1 || profile > 3)
        return QIcon();
    return icons[std::size_t(profile - 1)];
}

} // namespace profileIcons
