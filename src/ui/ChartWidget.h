#pragma once

#include "saved/ChartData.h"

#include <QWidget>

class QAbstract3DGraph;
class Q3DBars;
class Q3DSurface;
class QChartView;
class QLabel;
class QPainter;
class QStackedLayout;

// MSChart1: draws a chart model in one of eight types. Even types are three-dimensional (0 bar, 2 line,
// 4 area, 6 step) on Qt Data Visualization; odd types two-dimensional (1 bar, 3 line, 5 area, 7 step) on
// Qt Charts. Without an OpenGL context (the offscreen platform) a 3D chart's place shows a short notice.
class ChartWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ChartWidget(QWidget *parent = nullptr);
    ~ChartWidget() override;

    void setChart(const chartData::ChartModel &model);
    const chartData::ChartModel &chart() const { return m_model; }
    void setChartType(int type);
    int chartType() const { return m_type; }
    static bool is3DType(int type) { return type % 2 == 0; }
    // Whether this platform can draw the 3D types.
    static bool threeDAvailable();

    // The chart as a picture of the given size, and drawn into a painter's rectangle (printing, export).
    QImage toImage(const QSize &size);
    void renderTo(QPainter *painter, const QRectF &target);

    // The widgets that draw now (tests and screenshots).
    QChartView *chartView() const { return m_view; }
    QAbstract3DGraph *graph3D() const;
    QLabel *notice() const { return m_notice; }

signals:
    // The user pressed on the chart: the window hands the focus on.
    void activated();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void rebuild();
    void build2D();
    void build3DBars(bool steps);
    void build3DSurface(bool areas);
    void fill3DLegend();

    chartData::ChartModel m_model;
    int m_type = 3;
    QStackedLayout *m_stack;
    QChartView *m_view;
    QWidget *m_page3D;
    QWidget *m_legend3D;
    QLabel *m_title3D;
    QLabel *m_notice;
    Q3DBars *m_bars = nullptr;
    Q3DSurface *m_surface = nullptr;
    QWidget *m_barsContainer = nullptr;
    QWidget *m_surfaceContainer = nullptr;
};
