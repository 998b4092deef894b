#include "gui/chart/ChartWidget.h"

#include "gui/chart/ManySeriesItem.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QSet>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <QtDataVisualization/Q3DBars>
#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DInputHandler>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/Q3DSurface>
#include <QtDataVisualization/Q3DTheme>
#include <QtDataVisualization/QBar3DSeries>
#include <QtDataVisualization/QCategory3DAxis>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QValue3DAxis>
#include <QtDataVisualization/QValue3DAxisFormatter>

#include <cmath>
#include <functional>

namespace {

QString exampleMark()
{
    return QStringLiteral("Example - not measured data");
}

QList<ChartLegend::Entry> legendEntries(const chartData::ChartModel &model)
{
    QList<ChartLegend::Entry> entries;
    for (qsizetype s = 0; s < model.seriesLabels.size(); ++s)
        entries.append({seriesColor(s), model.seriesLabels.at(s)});
    return entries;
}

double largestValue(const chartData::ChartModel &model)
{
    double top = 0;
    for (const auto &row : model.values) {
        for (const auto &value : row) {
            if (value)
                top = std::max(top, *value);
        }
    }
    return top;
}

// Every n-th category of a 3D chart keeps its label, so that about a dozen stay readable.
int labelStep3D(qsizetype categories)
{
    return categories <= 12 ? 1 : int((categories + 11) / 12);
}

// Labels a 3D value axis along the categories with the given ticks (a label and a grid line each).
class CategoryFormatter : public QValue3DAxisFormatter
{
public:
    explicit CategoryFormatter(const QList<chartData::AxisTick> &ticks = {}) : m_ticks(ticks) {}

protected:
    QValue3DAxisFormatter *createNewInstance() const override { return new CategoryFormatter; }
    void populateCopy(QValue3DAxisFormatter &copy) const override
    {
        QValue3DAxisFormatter::populateCopy(copy);
        static_cast<CategoryFormatter &>(copy).m_ticks = m_ticks;
    }
    void recalculate() override
    {
        gridPositions().clear();
        subGridPositions().clear();
        labelPositions().clear();
        labelStrings().clear();
        const float min = axis()->min();
        const float span = std::max(axis()->max() - min, 1e-6f);
        for (const chartData::AxisTick &tick : std::as_const(m_ticks)) {
            const float position = (float(tick.position) - min) / span;
            gridPositions().append(position);
            labelPositions().append(position);
            labelStrings().append(tick.label);
        }
    }

private:
    QList<chartData::AxisTick> m_ticks;
};

// Axis labels and titles turn to face the camera, so that none reads mirrored from where it looks.
void faceCamera(QAbstract3DAxis *axis)
{
    axis->setLabelAutoRotation(90.0f);
    axis->setTitleFixed(false);
}

// Rotates the camera while the left button is dragged with the Control key held; a right click that does not
// drag asks for the context menu; every other press goes to the standard handler.
class ControlDragHandler : public Q3DInputHandler
{
public:
    ControlDragHandler(QObject *parent, std::function<void(const QPoint &)> contextMenu)
        : Q3DInputHandler(parent), m_contextMenu(std::move(contextMenu))
    {
    }

    void mousePressEvent(QMouseEvent *event, const QPoint &pos) override
    {
        if (event->button() == Qt::RightButton)
            m_rightPress = pos;
        if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
            m_rotating = true;
            m_last = pos;
            return;
        }
        Q3DInputHandler::mousePressEvent(event, pos);
    }
    void mouseMoveEvent(QMouseEvent *event, const QPoint &pos) override
    {
        if (!m_rotating) {
            Q3DInputHandler::mouseMoveEvent(event, pos);
            return;
        }
        Q3DCamera *camera = scene()->activeCamera();
        const QPoint delta = pos - m_last;
        m_last = pos;
        camera->setCameraPosition(camera->xRotation() + delta.x() * 0.5f,
                                  std::clamp(camera->yRotation() + delta.y() * 0.5f, 0.0f, 90.0f),
                                  camera->zoomLevel());
    }
    void mouseReleaseEvent(QMouseEvent *event, const QPoint &pos) override
    {
        if (m_rotating && event->button() == Qt::LeftButton) {
            m_rotating = false;
            return;
        }
        Q3DInputHandler::mouseReleaseEvent(event, pos);
        if (event->button() == Qt::RightButton && (pos - m_rightPress).manhattanLength() < 4)
            m_contextMenu(event->globalPosition().toPoint());
    }

private:
    std::function<void(const QPoint &)> m_contextMenu;
    bool m_rotating = false;
    QPoint m_last;
    QPoint m_rightPress;
};

} // namespace

ChartWidget::ChartWidget(QWidget *parent)
    : QWidget(parent), m_title3D(new QLabel(this)), m_stack(new QStackedWidget(this)),
      m_view(new QChartView(m_stack)), m_notice(new QLabel(m_stack)), m_legendArea(new QScrollArea(this)),
      m_legend(new ChartLegend)
{
    setObjectName(QStringLiteral("MSChart1"));
    m_view->setObjectName(QStringLiteral("MSChart1View"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->viewport()->installEventFilter(this);
    m_notice->setObjectName(QStringLiteral("MSChart1Notice"));
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->setWordWrap(true);
    m_notice->installEventFilter(this);
    m_title3D->setObjectName(QStringLiteral("MSChart1Title"));
    m_title3D->setAlignment(Qt::AlignCenter);
    QFont titleFont = m_title3D->font();
    titleFont.setBold(true);
    m_title3D->setFont(titleFont);
    m_legendArea->setObjectName(QStringLiteral("MSChart1LegendArea"));
    m_legendArea->setWidget(m_legend);
    m_legendArea->setWidgetResizable(true);
    m_legendArea->setFrameShape(QFrame::NoFrame);
    m_legendArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_legendArea->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_legend->installEventFilter(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->setSpacing(4);
    layout->addWidget(m_title3D);
    layout->addWidget(m_stack, 1);
    layout->addWidget(m_legendArea);
    m_stack->addWidget(m_view);
    m_stack->addWidget(m_notice);
    m_model = chartData::exampleChart();
    rebuild();
}

ChartWidget::~ChartWidget() = default;

bool ChartWidget::threeDAvailable()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

QAbstract3DGraph *ChartWidget::graph3D() const
{
    settled();
    if (!is3DType(m_type))
        return nullptr;
    return (m_type == 0 || m_type == 6) ? static_cast<QAbstract3DGraph *>(m_bars)
                                        : static_cast<QAbstract3DGraph *>(m_surface);
}

QStringList ChartWidget::shownCategoryLabels() const
{
    settled();
    if (is3DType(m_type))
        return m_shown3DLabels;
    return m_categoryAxis ? m_categoryAxis->categoriesLabels() : QStringList();
}

QString ChartWidget::exampleMarkText() const
{
    settled();
    if (is3DType(m_type))
        return m_drawn.example ? exampleMark() : QString();
    return m_exampleMark ? m_exampleMark->text() : QString();
}

void ChartWidget::setChart(const chartData::ChartModel &model)
{
    m_model = model;
    rebuild();
}

void ChartWidget::setTimeLeftToRight(bool on)
{
    if (on == m_timeLeftToRight)
        return;
    m_timeLeftToRight = on;
    rebuild();
}

void ChartWidget::setChartType(int type)
{
    if (type < 0 || type > 7)
        return;
    m_type = type;
    rebuild();
}

void ChartWidget::rebuild()
{
    m_drawn = m_timeLeftToRight ? chartData::timeScaled(m_model) : m_model;
    m_legend->setEntries(legendEntries(m_drawn));
    m_pending = true;
    if (isVisible())
        draw();
}

const ChartWidget *ChartWidget::settled() const
{
    if (m_pending)
        const_cast<ChartWidget *>(this)->draw();
    return this;
}

void ChartWidget::showEvent(QShowEvent *event)
{
    if (m_pending)
        draw();
    QWidget::showEvent(event);
}

void ChartWidget::draw()
{
    m_pending = false;
    m_shown3DLabels.clear();
    const bool noDisplay = is3DType(m_type) && !threeDAvailable();
    m_legendArea->setVisible(!noDisplay && !m_legend->entries().isEmpty());
    m_title3D->setVisible(is3DType(m_type) && !noDisplay);
    if (!is3DType(m_type)) {
        build2D();
        m_stack->setCurrentWidget(m_view);
    } else if (noDisplay) {
        m_notice->setText(
            QStringLiteral("%1\n\nThis three-dimensional chart needs an OpenGL display, which this "
                           "session does not have. Choose a 2D chart type to see the data.")
                .arg(m_drawn.title));
        m_stack->setCurrentWidget(m_notice);
    } else {
        m_title3D->setText(m_drawn.example ? m_drawn.title + QStringLiteral(" - ") + exampleMark()
                                           : m_drawn.title);
        if (m_type == 0 || m_type == 6)
            build3DBars(m_type == 6);
        else
            build3DSurface(m_type == 4);
        m_stack->setCurrentWidget(m_type == 0 || m_type == 6 ? m_barsContainer : m_surfaceContainer);
    }
    fitLegend(size());
}

void ChartWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitLegend(event->size());
}

// The legend takes what its entries need, at most a quarter of the chart; more scrolls.
void ChartWidget::fitLegend(const QSize &size)
{
    const int width = std::max(size.width(), 200);
    m_legendArea->setFixedHeight(
        std::min(m_legend->heightForWidth(width - 4), std::max(40, size.height() / 4)));
}

void ChartWidget::build2D()
{
    auto *chart = new QChart;
    chart->setTitle(m_drawn.title);
    chart->legend()->setVisible(false); // the legend below serves every chart type
    const qsizetype categories = m_drawn.categoryLabels.size();
    const chartData::ValueScale scale = chartData::valueScale(largestValue(m_drawn));
    auto *valueAxis = new QValueAxis;
    valueAxis->setTitleText(m_drawn.valueAxisTitle);
    valueAxis->setRange(0, scale.top);
    valueAxis->setTickCount(scale.steps() + 1);
    valueAxis->setMinorTickCount(0);
    valueAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(valueAxis, Qt::AlignLeft);

    auto *categoryAxis = new QCategoryAxis;
    categoryAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    categoryAxis->setRange(m_drawn.axisStart(), m_drawn.axisEnd());
    categoryAxis->setTruncateLabels(false); // labels are thinned or turned to fit, never cut
    categoryAxis->setTitleText(m_drawn.categoryAxisTitle);
    chart->addAxis(categoryAxis, Qt::AlignBottom);
    m_categoryAxis = categoryAxis;
    const QFontMetrics metrics(categoryAxis->labelsFont());
    m_categoryWidth = 0;
    for (const QString &label : std::as_const(m_drawn.categoryLabels))
        m_categoryWidth = std::max(m_categoryWidth, metrics.horizontalAdvance(label));

    m_manySeries = nullptr;
    m_exampleMark = nullptr;
    // Bars placed by date stand where no bar series can put them: they are drawn from the model.
    if (m_drawn.seriesLabels.size() > m_seriesObjectLimit || (m_type == 1 && m_drawn.isTimeScaled())) {
        m_manySeries = new ManySeriesItem(m_drawn, m_type, scale.top, chart);
        connect(chart, &QChart::plotAreaChanged, this,
                [item = m_manySeries](const QRectF &area) { item->setPlotArea(area); });
    } else if (m_type == 1) {
        auto *bars = new QBarSeries;
        bars->setBarWidth(categories > 60 ? 1.0 : 0.8);
        for (qsizetype s = 0; s < m_drawn.seriesLabels.size(); ++s) {
            auto *set = new QBarSet(m_drawn.seriesLabels.at(s));
            set->setColor(seriesColor(s));
            set->setBorderColor(seriesColor(s)); // a light outline would cover narrow bars
            for (const auto &value : m_drawn.values.value(s))
                set->append(value.value_or(0)); // a gap draws no bar
            bars->append(set);
        }
        chart->addSeries(bars);
        bars->attachAxis(categoryAxis);
        bars->attachAxis(valueAxis);
    } else {
        // Lines, areas and steps: one piece per run of values without a gap.
        for (qsizetype s = 0; s < m_drawn.seriesLabels.size(); ++s) {
            for (const auto &[first, last] : chartData::runsWithoutGaps(m_drawn.values.value(s))) {
                auto *line = new QLineSeries;
                line->append(chartData::runPoints(m_drawn, s, first, last, m_type));
                QAbstractSeries *piece = line;
                if (m_type == 5) {
                    auto *area = new QAreaSeries(line);
                    line->setParent(area); // an area series does not own its line
                    area->setColor(seriesColor(s).lighter(120));
                    area->setBorderColor(seriesColor(s));
                    area->setOpacity(0.75);
                    piece = area;
                } else {
                    QPen pen(seriesColor(s));
                    pen.setWidth(2);
                    line->setPen(pen);
                    line->setColor(seriesColor(s));
                    if (line->count() == 1)
                        line->setPointsVisible(true);
                }
                piece->setName(m_drawn.seriesLabels.at(s));
                chart->addSeries(piece);
                piece->attachAxis(categoryAxis);
                piece->attachAxis(valueAxis);
            }
        }
    }
    connect(chart, &QChart::plotAreaChanged, this, &ChartWidget::placeCategoryLabels);
    if (m_drawn.example) {
        // Invented figures say so across the plot, so that nobody takes them for measurements.
        auto *mark = new QGraphicsSimpleTextItem(exampleMark(), chart);
        m_exampleMark = mark;
        QFont font = mark->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 2.2);
        mark->setFont(font);
        mark->setBrush(QColor(120, 120, 120, 110));
        mark->setZValue(20);
        connect(chart, &QChart::plotAreaChanged, chart, [mark](const QRectF &area) {
            const QRectF box = mark->boundingRect();
            const qreal scale = std::min(1.0, area.width() * 0.9 / std::max<qreal>(1, box.width()));
            mark->setScale(scale);
            mark->setPos(area.center() - QPointF(box.width(), box.height()) * scale / 2);
        });
    }
    QChart *old = m_view->chart();
    m_view->setChart(chart);
    delete old;
    placeCategoryLabels();
}

void ChartWidget::placeCategoryLabels()
{
    QChart *chart = m_view->chart();
    if (!m_categoryAxis || !chart || !chart->axes().contains(m_categoryAxis))
        return;
    const qsizetype categories = m_drawn.categoryLabels.size();
    int available = int(chart->plotArea().width());
    if (available < 50)
        available = std::max(50, m_view->width() - 120); // not laid out yet
    const QFontMetrics metrics(m_categoryAxis->labelsFont());
    QList<chartData::AxisTick> ticks;
    int angle = 0;
    if (m_drawn.isTimeScaled()) {
        // Calendar ticks as many as fit flat, each as wide as the widest tick label.
        const int slot = metrics.horizontalAdvance(QStringLiteral("00-00-00")) + 16;
        ticks = chartData::timeTicks(m_drawn, std::max(1, available / slot));
    } else {
        const chartData::LabelPlan plan =
            chartData::labelPlan(categories, m_categoryWidth, metrics.height(), available);
        for (qsizetype i = 0; i < categories; i += plan.step)
            ticks.append({double(i), m_drawn.categoryLabels.at(i)});
        angle = plan.angle;
    }
    QStringList wanted;
    for (const chartData::AxisTick &tick : std::as_const(ticks))
        wanted.append(tick.label);
    if (wanted == m_categoryAxis->categoriesLabels() && m_categoryAxis->labelsAngle() == angle)
        return;
    for (const QString &label : m_categoryAxis->categoriesLabels())
        m_categoryAxis->remove(label);
    QSet<QString> used;
    for (const chartData::AxisTick &tick : std::as_const(ticks)) {
        QString label = tick.label;
        while (used.contains(label))
            label += QChar(0x200B); // the axis needs distinct names; a zero-width space keeps the look
        used.insert(label);
        m_categoryAxis->append(label, tick.position);
    }
    m_categoryAxis->setLabelsAngle(angle);
    m_categoryAxis->setRange(m_drawn.axisStart(), m_drawn.axisEnd());
}

void ChartWidget::style3D(QAbstract3DGraph *graph)
{
    graph->setActiveInputHandler(
        new ControlDragHandler(graph, [this](const QPoint &global) { emit contextMenuAsked(global); }));
    graph->setShadowQuality(QAbstract3DGraph::ShadowQualityNone);
    graph->setReflection(false);
    Q3DTheme *theme = graph->activeTheme();
    QFont font = theme->font();
    font.setPointSize(36); // labels are drawn in the scene's units: larger type reads at window size
    theme->setFont(font);
    theme->setLabelBorderEnabled(false);
    theme->setLabelBackgroundEnabled(false);
    // From above the front corner, so that tall front rows do not hide the rows behind them; far enough
    // that the whole floor, its labels and the value axis stay inside the window.
    graph->scene()->activeCamera()->setCameraPosition(-20.0f, 48.0f, 78.0f);
}

void ChartWidget::build3DBars(bool steps)
{
    if (!m_bars) {
        m_bars = new Q3DBars;
        style3D(m_bars);
        m_barsContainer = QWidget::createWindowContainer(m_bars, m_stack);
        m_barsContainer->setObjectName(QStringLiteral("MSChart1Bars"));
        m_barsContainer->setMinimumSize(50, 50);
        m_stack->addWidget(m_barsContainer);
    }
    for (QBar3DSeries *old : m_bars->seriesList()) {
        m_bars->removeSeries(old);
        delete old;
    }
    const qsizetype categories = m_drawn.categoryLabels.size();
    const qsizetype rows = m_drawn.seriesLabels.size();
    auto *array = new QBarDataArray;
    QList<QColor> colors;
    for (qsizetype s = 0; s < rows; ++s) {
        auto *row = new QBarDataRow;
        for (qsizetype c = 0; c < categories; ++c)
            row->append(QBarDataItem(float(m_drawn.values.value(s).value(c).value_or(0)))); // a gap: no bar
        array->append(row);
        colors.append(seriesColor(s));
    }
    QStringList columnLabels;
    const int step = labelStep3D(categories);
    for (qsizetype c = 0; c < categories; ++c) {
        columnLabels.append(c % step == 0 ? m_drawn.categoryLabels.at(c) : QString());
        if (c % step == 0)
            m_shown3DLabels.append(m_drawn.categoryLabels.at(c));
    }
    auto *series = new QBar3DSeries;
    series->dataProxy()->resetArray(array, m_drawn.seriesLabels, columnLabels);
    series->setItemLabelFormat(QStringLiteral("@rowLabel, @colLabel: @valueLabel"));
    series->setMesh(QAbstract3DSeries::MeshBevelBar);
    series->setColorStyle(Q3DTheme::ColorStyleUniform);
    series->setRowColors(colors); // one colour per series, as in the legend
    // Rows are told apart by colour; their names (often long addresses) are in the legend.
    m_bars->rowAxis()->setLabels(QStringList(rows, QString()));
    m_bars->rowAxis()->setTitle(QString());
    // Steps stand side by side along the dates; rows keep room between them so the ones behind show. The
    // bars' depth is chosen so that the floor is at most 2.5 times as wide as it is deep: long histories
    // stretch along the dates instead of shrinking into a strip.
    const double along = steps ? 0.0 : 0.2;
    const double across = steps ? 1.0 : 0.8;
    const double cols = double(std::max<qsizetype>(categories, 1));
    const double depthRows = double(std::max<qsizetype>(rows, 1));
    const double ratio = std::clamp(cols / depthRows, 1.0, 2.5);
    m_bars->setBarSpacingRelative(true);
    m_bars->setBarSpacing(QSizeF(along, across));
    m_bars->setBarThickness(float(ratio * depthRows * (1 + across) / (cols * (1 + along)))); // width : depth
    m_bars->setHorizontalAspectRatio(0.0f);
    const chartData::ValueScale scale = chartData::valueScale(largestValue(m_drawn));
    m_bars->valueAxis()->setRange(0, float(scale.top));
    m_bars->valueAxis()->setSegmentCount(scale.steps());
    m_bars->valueAxis()->setSubSegmentCount(1);
    m_bars->valueAxis()->setLabelFormat(QStringLiteral("%.0f"));
    m_bars->valueAxis()->setTitle(m_drawn.valueAxisTitle);
    m_bars->valueAxis()->setTitleVisible(true);
    m_bars->columnAxis()->setTitle(m_drawn.categoryAxisTitle);
    m_bars->columnAxis()->setTitleVisible(true);
    for (QAbstract3DAxis *axis : std::initializer_list<QAbstract3DAxis *>{
             m_bars->valueAxis(), m_bars->columnAxis(), m_bars->rowAxis()})
        faceCamera(axis);
    m_bars->addSeries(series);
}

void ChartWidget::build3DSurface(bool areas)
{
    if (!m_surface) {
        m_surface = new Q3DSurface;
        style3D(m_surface);
        m_surfaceContainer = QWidget::createWindowContainer(m_surface, m_stack);
        m_surfaceContainer->setObjectName(QStringLiteral("MSChart1Surface"));
        m_surfaceContainer->setMinimumSize(50, 50);
        m_stack->addWidget(m_surfaceContainer);
    }
    for (QSurface3DSeries *old : m_surface->seriesList()) {
        m_surface->removeSeries(old);
        delete old;
    }
    const qsizetype categories = m_drawn.categoryLabels.size();
    const chartData::ValueScale scale = chartData::valueScale(largestValue(m_drawn));
    const float thin = float(scale.top * 0.004);
    for (qsizetype s = 0; s < m_drawn.seriesLabels.size(); ++s) {
        const QList<std::optional<double>> values = m_drawn.values.value(s);
        const float z = float(s);
        // Lines: a thin solid band with a front face; areas: a wall down to the floor.
        const QList<QPair<float, bool>> depths =
            areas ? QList<QPair<float, bool>>{{z, false},
                                              {z + 0.001f, true},
                                              {z + 0.599f, true},
                                              {z + 0.6f, false}}
                  : QList<QPair<float, bool>>{
                        {z, false}, {z + 0.001f, true}, {z + 0.6f, true}, {z + 0.601f, false}};
        // One surface per run of values without a gap, so a missing value is a gap, not a drop to 0.
        for (const auto &[first, last] : chartData::runsWithoutGaps(values)) {
            // Axis position and value; a lone value is a narrow block.
            const QList<QPointF> points = chartData::runPoints(m_drawn, s, first, last, 5);
            auto *array = new QSurfaceDataArray;
            for (const auto &[depth, atValue] : depths) {
                auto *row = new QSurfaceDataRow;
                for (const QPointF &point : points) {
                    const float v = float(point.y());
                    const float y = atValue ? v : (areas ? 0.0f : std::max(0.0f, v - thin));
                    row->append(QSurfaceDataItem(QVector3D(float(point.x()), y, depth)));
                }
                array->append(row);
            }
            auto *series = new QSurface3DSeries;
            series->setName(m_drawn.seriesLabels.at(s));
            series->setDrawMode(QSurface3DSeries::DrawSurface);
            series->setFlatShadingEnabled(true);
            series->setBaseColor(seriesColor(s));
            series->setItemLabelFormat(QStringLiteral("@seriesName: @yLabel"));
            series->dataProxy()->resetArray(array);
            m_surface->addSeries(series);
        }
    }
    QList<chartData::AxisTick> ticks;
    if (m_drawn.isTimeScaled()) {
        ticks = chartData::timeTicks(m_drawn, 10);
    } else {
        for (qsizetype c = 0; c < categories; c += labelStep3D(categories))
            ticks.append({double(c), m_drawn.categoryLabels.at(c)});
    }
    for (const chartData::AxisTick &tick : std::as_const(ticks))
        m_shown3DLabels.append(tick.label);
    m_surface->axisX()->setFormatter(new CategoryFormatter(ticks));
    m_surface->axisX()->setTitle(m_drawn.categoryAxisTitle);
    m_surface->axisX()->setTitleVisible(true);
    m_surface->axisX()->setRange(float(m_drawn.axisStart()), float(m_drawn.axisEnd()));
    m_surface->axisY()->setTitle(m_drawn.valueAxisTitle);
    m_surface->axisY()->setTitleVisible(true);
    m_surface->axisY()->setRange(0, float(scale.top));
    m_surface->axisY()->setSegmentCount(scale.steps());
    m_surface->axisY()->setSubSegmentCount(1);
    m_surface->axisY()->setLabelFormat(QStringLiteral("%.0f"));
    m_surface->axisZ()->setRange(0, float(std::max<qsizetype>(m_drawn.seriesLabels.size(), 1)));
    m_surface->axisZ()->setSegmentCount(int(std::max<qsizetype>(m_drawn.seriesLabels.size(), 1)));
    m_surface->axisZ()->setLabelFormat(QString());
    for (QAbstract3DAxis *axis :
         std::initializer_list<QAbstract3DAxis *>{m_surface->axisX(), m_surface->axisY(), m_surface->axisZ()})
        faceCamera(axis);
    const double ratio =
        std::max<double>(double(categories), 1) / double(std::max<qsizetype>(m_drawn.seriesLabels.size(), 1));
    m_surface->setHorizontalAspectRatio(float(std::clamp(ratio, 1.0, 3.0)));
}

QImage ChartWidget::toImage(const QSize &size, qreal scale)
{
    // Text is measured and drawn at screen resolution, whatever the scale of the picture.
    QImage image((QSizeF(size) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(3780); // 96 dots per inch
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    renderTo(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

void ChartWidget::renderTo(QPainter *painter, const QRectF &target)
{
    settled();
    const QRectF area(QPointF(0, 0), target.size());
    const qreal pixels = painter->deviceTransform().m11(); // device pixels per unit, for the 3D picture
    painter->save();
    painter->translate(target.topLeft());
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    QAbstract3DGraph *graph = graph3D();
    const bool drawn3D = graph && graph->hasContext() && m_stack->currentWidget() != m_notice;
    if (is3DType(m_type) && !drawn3D) {
        painter->setPen(Qt::black);
        painter->drawText(area.adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                          m_notice->text());
        painter->restore();
        return;
    }
    QRectF chartArea = area;
    if (is3DType(m_type)) {
        const QFontMetrics metrics(m_title3D->font());
        painter->setFont(m_title3D->font());
        painter->setPen(Qt::black);
        painter->drawText(QRectF(0, 4, area.width(), metrics.height()), Qt::AlignCenter, m_title3D->text());
        chartArea.setTop(metrics.height() + 8);
    }
    const QList<ChartLegend::Entry> &entries = m_legend->entries();
    const int legendHeight = std::min<int>(ChartLegend::heightFor(entries, font(), int(area.width()) - 20),
                                           int(area.height() / 3));
    if (legendHeight > 0)
        chartArea.setBottom(area.bottom() - legendHeight - 8);
    if (is3DType(m_type)) {
        const QImage picture =
            graph->renderToImage(4, (chartArea.size() * std::max<qreal>(1, pixels)).toSize());
        painter->drawImage(chartArea, picture);
    } else if (QChart *chart = m_view->chart()) {
        // The chart is laid out again at the target's size, then given back its own.
        const QSizeF old = chart->size();
        chart->resize(chartArea.size());
        chart->layout()->activate();
        placeCategoryLabels();
        chart->scene()->render(painter, chartArea, QRectF(chart->pos(), chartArea.size()));
        chart->resize(old);
        chart->layout()->activate();
        placeCategoryLabels();
    }
    if (legendHeight > 0)
        ChartLegend::paint(
            painter, QRect(10, int(area.bottom()) - legendHeight - 4, int(area.width()) - 20, legendHeight),
            entries, font(), Qt::black);
    painter->restore();
}

bool ChartWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == m_view->viewport() || watched == m_notice || watched == m_legend))
        emit activated();
    return QWidget::eventFilter(watched, event);
}
