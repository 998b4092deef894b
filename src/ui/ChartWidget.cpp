#include "ui/ChartWidget.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QStackedLayout>
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

#include <cmath>

namespace {

QColor seriesColor(qsizetype i)
{
    static const QList<QColor> colors{QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                                      QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                      QColor(0x94, 0x67, 0xbd), QColor(0x17, 0xbe, 0xcf),
                                      QColor(0x8c, 0x56, 0x4b), QColor(0xe3, 0x77, 0xc2),
                                      QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22)};
    return colors.at(i % colors.size());
}

// Categories get a label only every so often when there are many, so that labels stay readable.
int labelStep(qsizetype categories)
{
    return categories <= 24 ? 1 : int(std::ceil(double(categories) / 12.0));
}

// Rotates the camera while the left button is dragged with the Control key held; every other press goes to
// the standard handler.
class ControlDragHandler : public Q3DInputHandler
{
public:
    using Q3DInputHandler::Q3DInputHandler;

    void mousePressEvent(QMouseEvent *event, const QPoint &pos) override
    {
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
    }

private:
    bool m_rotating = false;
    QPoint m_last;
};

} // namespace

ChartWidget::ChartWidget(QWidget *parent)
    : QWidget(parent), m_stack(new QStackedLayout(this)), m_view(new QChartView(this)),
      m_page3D(new QWidget(this)), m_legend3D(new QWidget(m_page3D)), m_title3D(new QLabel(m_page3D)),
      m_notice(new QLabel(this))
{
    setObjectName(QStringLiteral("MSChart1"));
    m_view->setObjectName(QStringLiteral("MSChart1View"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->viewport()->installEventFilter(this);
    m_notice->setObjectName(QStringLiteral("MSChart1Notice"));
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->setWordWrap(true);
    m_notice->installEventFilter(this);
    m_title3D->setAlignment(Qt::AlignCenter);
    QFont titleFont = m_title3D->font();
    titleFont.setBold(true);
    m_title3D->setFont(titleFont);
    auto *page = new QVBoxLayout(m_page3D);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(m_title3D);
    page->addWidget(m_legend3D);
    new QHBoxLayout(m_legend3D);
    m_stack->addWidget(m_view);
    m_stack->addWidget(m_page3D);
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
    if (!is3DType(m_type))
        return nullptr;
    return (m_type == 0 || m_type == 6) ? static_cast<QAbstract3DGraph *>(m_bars)
                                        : static_cast<QAbstract3DGraph *>(m_surface);
}

void ChartWidget::setChart(const chartData::ChartModel &model)
{
    m_model = model;
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
    if (!is3DType(m_type)) {
        build2D();
        m_stack->setCurrentWidget(m_view);
        return;
    }
    if (!threeDAvailable()) {
        m_notice->setText(
            QStringLiteral("%1\n\nThis three-dimensional chart needs an OpenGL display, which this "
                           "session does not have. Choose a 2D chart type to see the data.")
                .arg(m_model.title));
        m_stack->setCurrentWidget(m_notice);
        return;
    }
    if (m_type == 0 || m_type == 6)
        build3DBars(m_type == 6);
    else
        build3DSurface(m_type == 4);
    m_title3D->setText(m_model.title);
    fill3DLegend();
    m_stack->setCurrentWidget(m_page3D);
}

void ChartWidget::build2D()
{
    auto *chart = new QChart;
    chart->setTitle(m_model.title);
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignBottom);
    const qsizetype categories = m_model.categoryLabels.size();
    double top = 0;
    for (const auto &row : std::as_const(m_model.values)) {
        for (const auto &value : row) {
            if (value)
                top = std::max(top, *value);
        }
    }
    auto *valueAxis = new QValueAxis;
    valueAxis->setTitleText(m_model.valueAxisTitle);
    valueAxis->setRange(0, top > 0 ? top * 1.1 : 1);
    valueAxis->applyNiceNumbers();
    valueAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(valueAxis, Qt::AlignLeft);

    QAbstractAxis *categoryAxis = nullptr;
    const int step = labelStep(categories);
    if (m_type == 1 && step == 1) {
        auto *axis = new QBarCategoryAxis;
        axis->append(m_model.categoryLabels);
        categoryAxis = axis;
    } else {
        auto *axis = new QCategoryAxis;
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        for (qsizetype i = 0; i < categories; i += step)
            axis->append(m_model.categoryLabels.at(i), double(i));
        axis->setRange(-0.5, std::max<double>(0.5, double(categories) - 0.5));
        categoryAxis = axis;
    }
    categoryAxis->setTitleText(m_model.categoryAxisTitle);
    chart->addAxis(categoryAxis, Qt::AlignBottom);

    if (m_type == 1) {
        auto *bars = new QBarSeries;
        for (qsizetype s = 0; s < m_model.seriesLabels.size(); ++s) {
            auto *set = new QBarSet(m_model.seriesLabels.at(s));
            set->setColor(seriesColor(s));
            for (const auto &value : m_model.values.value(s))
                set->append(value.value_or(0)); // a gap draws no bar
            bars->append(set);
        }
        chart->addSeries(bars);
        bars->attachAxis(categoryAxis);
        bars->attachAxis(valueAxis);
    } else {
        // Lines, areas and steps: one piece per run of values without a gap, one legend entry per series.
        for (qsizetype s = 0; s < m_model.seriesLabels.size(); ++s) {
            const QList<std::optional<double>> row = m_model.values.value(s);
            bool first = true;
            qsizetype i = 0;
            while (i < row.size()) {
                if (!row.at(i)) {
                    ++i;
                    continue;
                }
                auto *line = new QLineSeries;
                for (; i < row.size() && row.at(i); ++i) {
                    const double v = *row.at(i);
                    if (m_type == 7) {
                        line->append(double(i) - 0.5, v);
                        line->append(double(i) + 0.5, v);
                    } else {
                        line->append(double(i), v);
                    }
                }
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
                    if (line->count() == 1)
                        line->setPointsVisible(true);
                }
                piece->setName(m_model.seriesLabels.at(s));
                chart->addSeries(piece);
                piece->attachAxis(categoryAxis);
                piece->attachAxis(valueAxis);
                if (!first) {
                    for (QLegendMarker *marker : chart->legend()->markers(piece))
                        marker->setVisible(false);
                }
                first = false;
            }
        }
    }
    QChart *old = m_view->chart();
    m_view->setChart(chart);
    delete old;
}

void ChartWidget::build3DBars(bool steps)
{
    if (!m_bars) {
        m_bars = new Q3DBars;
        m_bars->setActiveInputHandler(new ControlDragHandler(m_bars));
        m_barsContainer = QWidget::createWindowContainer(m_bars, m_page3D);
        m_barsContainer->setObjectName(QStringLiteral("MSChart1Bars"));
        m_barsContainer->setMinimumSize(50, 50);
        qobject_cast<QVBoxLayout *>(m_page3D->layout())->addWidget(m_barsContainer, 1);
        m_bars->scene()->activeCamera()->setCameraPreset(Q3DCamera::CameraPresetIsometricRight);
    }
    if (m_surfaceContainer)
        m_surfaceContainer->hide();
    m_barsContainer->show();
    for (QBar3DSeries *old : m_bars->seriesList()) {
        m_bars->removeSeries(old);
        delete old;
    }
    const qsizetype categories = m_model.categoryLabels.size();
    auto *array = new QBarDataArray;
    for (qsizetype s = 0; s < m_model.seriesLabels.size(); ++s) {
        auto *row = new QBarDataRow;
        for (qsizetype c = 0; c < categories; ++c)
            row->append(QBarDataItem(float(m_model.values.value(s).value(c).value_or(0))));
        array->append(row);
    }
    QStringList columnLabels;
    const int step = labelStep(categories);
    for (qsizetype c = 0; c < categories; ++c)
        columnLabels.append(c % step == 0 ? m_model.categoryLabels.at(c) : QString());
    auto *series = new QBar3DSeries;
    series->dataProxy()->resetArray(array, m_model.seriesLabels, columnLabels);
    series->setItemLabelFormat(QStringLiteral("@rowLabel @colLabel: @valueLabel"));
    series->setMesh(QAbstract3DSeries::MeshBevelBar);
    // Rows are named on the row axis; bars are coloured by their height (this Qt has no colour per row).
    QLinearGradient gradient;
    gradient.setColorAt(0.0, seriesColor(0).lighter(150));
    gradient.setColorAt(1.0, seriesColor(0).darker(130));
    series->setBaseGradient(gradient);
    series->setColorStyle(Q3DTheme::ColorStyleRangeGradient);
    if (steps) {
        const bool many = categories > 60;
        m_bars->setBarSpacingRelative(true);
        m_bars->setBarSpacing(QSizeF(0, many ? 4.0 : 2.0));
        m_bars->setBarThickness(many ? 0.1f : 0.3f);
    } else {
        m_bars->setBarSpacingRelative(true);
        m_bars->setBarSpacing(QSizeF(0.2, 0.2));
        m_bars->setBarThickness(1.0f);
    }
    m_bars->valueAxis()->setTitle(m_model.valueAxisTitle);
    m_bars->valueAxis()->setTitleVisible(true);
    m_bars->columnAxis()->setTitle(m_model.categoryAxisTitle);
    m_bars->columnAxis()->setTitleVisible(true);
    m_bars->addSeries(series);
}

void ChartWidget::build3DSurface(bool areas)
{
    if (!m_surface) {
        m_surface = new Q3DSurface;
        m_surface->setActiveInputHandler(new ControlDragHandler(m_surface));
        m_surfaceContainer = QWidget::createWindowContainer(m_surface, m_page3D);
        m_surfaceContainer->setObjectName(QStringLiteral("MSChart1Surface"));
        m_surfaceContainer->setMinimumSize(50, 50);
        qobject_cast<QVBoxLayout *>(m_page3D->layout())->addWidget(m_surfaceContainer, 1);
        m_surface->scene()->activeCamera()->setCameraPreset(Q3DCamera::CameraPresetIsometricRight);
    }
    if (m_barsContainer)
        m_barsContainer->hide();
    m_surfaceContainer->show();
    for (QSurface3DSeries *old : m_surface->seriesList()) {
        m_surface->removeSeries(old);
        delete old;
    }
    const qsizetype categories = m_model.categoryLabels.size();
    double top = 0;
    for (const auto &row : std::as_const(m_model.values)) {
        for (const auto &value : row)
            top = std::max(top, value.value_or(0));
    }
    const float small = float(top > 0 ? top * 0.004 : 0.004);
    for (qsizetype s = 0; s < m_model.seriesLabels.size(); ++s) {
        const float z = float(s);
        // Lines: a thin solid band with a front face; areas: a wall down to the floor.
        const QList<QPair<float, bool>> rows =
            areas ? QList<QPair<float, bool>>{{z, false},
                                              {z + 0.001f, true},
                                              {z + 0.599f, true},
                                              {z + 0.6f, false}}
                  : QList<QPair<float, bool>>{
                        {z, false}, {z + 0.001f, true}, {z + 0.6f, true}, {z + 0.601f, false}};
        auto *array = new QSurfaceDataArray;
        for (const auto &[depth, atValue] : rows) {
            auto *row = new QSurfaceDataRow;
            for (qsizetype c = 0; c < std::max<qsizetype>(categories, 2); ++c) {
                const float v = float(m_model.values.value(s).value(c).value_or(0));
                const float y = atValue ? v : (areas ? 0.0f : std::max(0.0f, v - small));
                row->append(QSurfaceDataItem(QVector3D(float(c), y, depth)));
            }
            array->append(row);
        }
        auto *series = new QSurface3DSeries;
        series->setName(m_model.seriesLabels.at(s));
        series->setDrawMode(QSurface3DSeries::DrawSurface);
        series->setFlatShadingEnabled(true);
        series->setBaseColor(seriesColor(s));
        series->setItemLabelFormat(QStringLiteral("@seriesName: @yLabel"));
        series->dataProxy()->resetArray(array);
        m_surface->addSeries(series);
    }
    m_surface->axisX()->setTitle(m_model.categoryAxisTitle);
    m_surface->axisX()->setTitleVisible(true);
    m_surface->axisX()->setRange(0, float(std::max<qsizetype>(categories - 1, 1)));
    m_surface->axisX()->setSegmentCount(int(std::min<qsizetype>(std::max<qsizetype>(categories - 1, 1), 12)));
    m_surface->axisY()->setTitle(m_model.valueAxisTitle);
    m_surface->axisY()->setTitleVisible(true);
    m_surface->axisY()->setRange(0, float(top > 0 ? top * 1.1 : 1));
    m_surface->axisZ()->setRange(0, float(std::max<qsizetype>(m_model.seriesLabels.size(), 1)));
    m_surface->axisZ()->setLabelFormat(QString());
    if (categories > 100)
        m_surface->setHorizontalAspectRatio(2.5f);
}

void ChartWidget::fill3DLegend()
{
    const bool swatches = m_type == 2 || m_type == 4; // bars carry their series names on the row axis
    QLayout *layout = m_legend3D->layout();
    while (QLayoutItem *item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    static_cast<QHBoxLayout *>(layout)->addStretch();
    for (qsizetype s = 0; s < m_model.seriesLabels.size(); ++s) {
        if (!swatches)
            break;
        QPixmap swatch(12, 12);
        swatch.fill(seriesColor(s));
        auto *mark = new QLabel(m_legend3D);
        mark->setPixmap(swatch);
        auto *text = new QLabel(m_model.seriesLabels.at(s), m_legend3D);
        layout->addWidget(mark);
        layout->addWidget(text);
    }
    static_cast<QHBoxLayout *>(layout)->addStretch();
}

QImage ChartWidget::toImage(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderTo(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

void ChartWidget::renderTo(QPainter *painter, const QRectF &target)
{
    if (QAbstract3DGraph *graph = graph3D(); graph && graph->hasContext()) {
        const QImage picture = graph->renderToImage(4, target.size().toSize());
        painter->drawImage(target, picture);
        return;
    }
    QWidget *source = m_stack->currentWidget() == m_notice ? static_cast<QWidget *>(m_notice)
                                                           : static_cast<QWidget *>(m_view);
    if (source == m_view) {
        m_view->render(painter, target, QRect(), Qt::KeepAspectRatio);
        return;
    }
    const QPixmap shot = source->grab();
    painter->drawPixmap(target, shot, QRectF(shot.rect()));
}

bool ChartWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && (watched == m_view->viewport() || watched == m_notice))
        emit activated();
    return QWidget::eventFilter(watched, event);
}
