#pragma once

#include "core/saved/ChartData.h"
#include "gui/chart/ChartLegend.h"

#include <QWidget>

class QAbstract3DGraph;
class Q3DBars;
class Q3DSurface;
class QCategoryAxis;
class QChartView;
class ManySeriesItem;
class QGraphicsSimpleTextItem;
class QLabel;
class QPainter;
class QScrollArea;
class QStackedWidget;

// MSChart1: draws a chart model in one of eight types. Even types are three-dimensional (0 bar, 2 line,
// 4 area, 6 step) on Qt Data Visualization; odd types two-dimensional (1 bar, 3 line, 5 area, 7 step) on
// Qt Charts. Every type has the same legend below the chart, one colour per series, and leaves a gap where a
// value is missing. Without an OpenGL context (the offscreen platform) a 3D chart's place shows a short
// notice.
class ChartWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ChartWidget(QWidget *parent = nullptr);
    ~ChartWidget() override;

    void setChart(const chartData::ChartModel &model);
    const chartData::ChartModel &chart() const { return m_model; }
    // The model as drawn: with time running left to right, a history's dates oldest first and spaced by
    // their distance.
    const chartData::ChartModel &drawnChart() const { return m_drawn; }
    void setTimeLeftToRight(bool on);
    bool timeLeftToRight() const { return m_timeLeftToRight; }
    void setChartType(int type);
    int chartType() const { return m_type; }
    static bool is3DType(int type) { return type % 2 == 0; }
    // Whether this platform can draw the 3D types.
    static bool threeDAvailable();

    // The chart as a picture laid out at the given size (in screen pixels) and drawn scale times as large,
    // and drawn into a painter's rectangle: title, chart and legend laid out for that rectangle.
    QImage toImage(const QSize &size, qreal scale = 1);
    void renderTo(QPainter *painter, const QRectF &target);

    // A 2D chart with more series than this draws them from the model, not as one chart series each.
    static constexpr int DefaultSeriesObjectLimit = 500;
    void setSeriesObjectLimit(int limit) { m_seriesObjectLimit = limit; }

    // The widgets that draw now (tests and screenshots). A chart changed while the widget is hidden is drawn
    // when it shows, or when one of these asks for it.
    QChartView *chartView() const { return settled()->m_view; }
    QAbstract3DGraph *graph3D() const;
    Q3DBars *bars3D() const { return settled()->m_bars; }
    Q3DSurface *surface3D() const { return settled()->m_surface; }
    QLabel *notice() const { return settled()->m_notice; }
    ManySeriesItem *manySeries() const { return settled()->m_manySeries; }
    ChartLegend *legend() const { return m_legend; }
    // The words across an example chart's plot, or an empty text.
    QString exampleMarkText() const;
    // The category labels the chart shows now, in order, without the ones left out for room.
    QStringList shownCategoryLabels() const;

signals:
    // The user pressed on the chart: the window hands the focus on.
    void activated();
    // A right click on a 3D chart, which takes its mouse events for itself (global position).
    void contextMenuAsked(const QPoint &global);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The model, type or time option changed: what is drawn follows at once when the widget shows, else
    // when it is shown or asked for (a hidden chart view, as at start-up, builds nothing).
    void rebuild();
    void draw();
    const ChartWidget *settled() const;
    void build2D();
    void placeCategoryLabels();
    void fitLegend(const QSize &size);
    void build3DBars(bool steps);
    void build3DSurface(bool areas);
    void style3D(QAbstract3DGraph *graph);

    chartData::ChartModel m_model;
    chartData::ChartModel m_drawn;
    bool m_pending = false;
    bool m_timeLeftToRight = false;
    int m_type = 3;
    QLabel *m_title3D;
    QStackedWidget *m_stack;
    QChartView *m_view;
    QCategoryAxis *m_categoryAxis = nullptr;
    int m_categoryWidth = 0;
    int m_seriesObjectLimit = DefaultSeriesObjectLimit;
    ManySeriesItem *m_manySeries = nullptr;
    QGraphicsSimpleTextItem *m_exampleMark = nullptr;
    QLabel *m_notice;
    QScrollArea *m_legendArea;
    ChartLegend *m_legend;
    Q3DBars *m_bars = nullptr;
    Q3DSurface *m_surface = nullptr;
    QWidget *m_barsContainer = nullptr;
    QWidget *m_surfaceContainer = nullptr;
    QStringList m_shown3DLabels;
};
