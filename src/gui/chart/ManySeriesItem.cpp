#include "gui/chart/ManySeriesItem.h"

#include "gui/chart/ChartLegend.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

ManySeriesItem::ManySeriesItem(const chartData::ChartModel &model, int type, double top, QGraphicsItem *chart)
    : QGraphicsItem(chart), m_model(model), m_type(type), m_top(top > 0 ? top : 1)
{
    setZValue(10); // above the plot area's background and grid, as chart series are
    // Drawn once into a picture of the item, which is shown again until the chart changes.
    setCacheMode(DeviceCoordinateCache);
}

void ManySeriesItem::setPlotArea(const QRectF &area)
{
    if (area == m_area)
        return;
    prepareGeometryChange();
    m_area = area;
}

// The category axis runs from the first category's slot to the last one's; the value axis from 0 to the top.
QPointF ManySeriesItem::at(double position, double value) const
{
    const double start = m_model.axisStart();
    const double span = std::max(1e-9, m_model.axisEnd() - start);
    return {m_area.left() + (position - start) / span * m_area.width(),
            m_area.bottom() - value / m_top * m_area.height()};
}

void ManySeriesItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (m_area.isEmpty())
        return;
    painter->save();
    painter->setClipRect(m_area);
    // Without smoothing: hundreds of lines over one another look the same either way, and smooth wide lines
    // take twenty times as long to draw.
    painter->setRenderHint(QPainter::Antialiasing, false);
    if (m_type == 1) {
        paintBars(painter);
    } else {
        for (qsizetype s = 0; s < m_model.seriesLabels.size(); ++s)
            paintSeries(painter, s);
    }
    painter->restore();
}

// Each category holds one bar per series side by side, in series order, over its bar group's width.
void ManySeriesItem::paintBars(QPainter *painter) const
{
    const qsizetype series = m_model.seriesLabels.size();
    const qsizetype categories = m_model.categoryLabels.size();
    painter->setPen(Qt::NoPen);
    for (qsizetype s = 0; s < series; ++s) {
        painter->setBrush(seriesColor(s));
        const QList<std::optional<double>> row = m_model.values.value(s);
        for (qsizetype c = 0; c < categories; ++c) {
            const double value = row.value(c).value_or(0);
            if (value <= 0)
                continue; // a gap draws no bar
            const double group = chartData::barGroupWidth(m_model, c);
            const double barWidth = group / double(std::max<qsizetype>(series, 1));
            const double left = m_model.positionOf(c) - group / 2 + double(s) * barWidth;
            QRectF bar(at(left, value), at(left + barWidth, 0));
            if (bar.width() < 1)
                bar.setWidth(1); // a bar narrower than a pixel is still seen
            painter->drawRect(bar);
        }
    }
}

// Lines, areas and steps: one piece per run of values without a gap; a step spans its category; a lone
// value of an area is a narrow block and of a line a dot.
void ManySeriesItem::paintSeries(QPainter *painter, qsizetype s) const
{
    const QColor colour = seriesColor(s);
    const QList<std::optional<double>> row = m_model.values.value(s);
    QPen pen(colour);
    pen.setWidth(2);
    for (const auto &[first, last] : chartData::runsWithoutGaps(row)) {
        QPolygonF line;
        for (const QPointF &point : chartData::runPoints(m_model, s, first, last, m_type))
            line << at(point.x(), point.y());
        if (m_type == 5) {
            QPolygonF area = line;
            area << QPointF(line.last().x(), at(0, 0).y()) << QPointF(line.first().x(), at(0, 0).y());
            painter->setOpacity(0.75);
            painter->setPen(pen);
            painter->setBrush(colour.lighter(120));
            painter->drawPolygon(area);
            painter->setOpacity(1);
        } else if (line.size() == 1) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(colour);
            painter->drawEllipse(line.first(), 3, 3);
        } else {
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            painter->drawPolyline(line);
        }
    }
}
