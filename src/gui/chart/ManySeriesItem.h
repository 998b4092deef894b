#pragma once

#include "core/saved/ChartData.h"

#include <QGraphicsItem>

// Draws the series of a 2D chart that has very many of them (the current results of a large scan: one series
// per URL) straight from the chart model, in the plot area of the chart it belongs to: the same lines,
// steps, areas and bars, colours and gaps as one chart series each would give, without one set of chart
// objects per series (a few tens of kilobytes each, and work that grows with the square of their number when
// they are added and removed).
class ManySeriesItem : public QGraphicsItem
{
public:
    // type: 1 bar, 3 line, 5 area, 7 step; top: the value at the top of the value axis.
    ManySeriesItem(const chartData::ChartModel &model, int type, double top, QGraphicsItem *chart);

    void setPlotArea(const QRectF &area);
    QRectF boundingRect() const override { return m_area; }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    QPointF at(double position, double value) const;
    void paintBars(QPainter *painter) const;
    void paintSeries(QPainter *painter, qsizetype series) const;

    chartData::ChartModel m_model; // shares the chart's values
    int m_type;
    double m_top;
    QRectF m_area;
};
