// The three-dimensional chart types; they need an OpenGL context, so this test runs under xvfb-run.
#include "core/saved/ChartData.h"
#include "gui/chart/ChartWidget.h"

#include <QTest>

#include <cmath>

#include "../../support/ChartKinds.h"

#include <QTemporaryDir>

#include <QtDataVisualization/Q3DBars>
#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/Q3DSurface>
#include <QtDataVisualization/QAbstract3DGraph>
#include <QtDataVisualization/QBar3DSeries>
#include <QtDataVisualization/QCategory3DAxis>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QValue3DAxis>

namespace {

int inkOf(const QImage &image)
{
    const QColor ground = image.pixelColor(2, 2);
    int ink = 0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4)
            ink += image.pixelColor(x, y) != ground ? 1 : 0;
    }
    return ink;
}

} // namespace

class TestChart3D : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static void checkWholeTicks(QValue3DAxis *axis, double largest)
    {
        QCOMPARE(axis->min(), 0.0f);
        QVERIFY(axis->max() >= largest);
        const double step = double(axis->max()) / axis->segmentCount();
        QVERIFY2(step >= 1 && step == std::floor(step), qPrintable(QString::number(step)));
        QCOMPARE(axis->labelFormat(), QStringLiteral("%.0f"));
    }

private slots:
    void drawsEveryKind_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("size");
        for (const int type : {0, 2, 4, 6}) {
            QTest::addRow("type %d history 1", type) << type << QStringLiteral("history") << 1;
            QTest::addRow("type %d history 30", type) << type << QStringLiteral("history") << 30;
            QTest::addRow("type %d history 3650", type) << type << QStringLiteral("history") << 3650;
            QTest::addRow("type %d all 6", type) << type << QStringLiteral("all") << 6;
            QTest::addRow("type %d all 50", type) << type << QStringLiteral("all") << 50;
            QTest::addRow("type %d current 4", type) << type << QStringLiteral("current") << 4;
        }
    }

    // What the 3D types draw, read back from the graph: category labels, whole value ticks, one colour per
    // series matching the legend, gaps as gaps; and the picture export makes carries title and legend.
    void drawsEveryKind()
    {
        if (!ChartWidget::threeDAvailable())
            QSKIP("no display with OpenGL");
        QFETCH(int, type);
        QFETCH(QString, kind);
        QFETCH(int, size);
        const chartData::ChartModel model =
            kind == QLatin1String("history") ? chartKinds::engineHistory(m_dir.path(), size)
            : kind == QLatin1String("all")   ? chartKinds::allEngines(m_dir.path(), size, 40)
                                             : chartKinds::currentResults(size);
        ChartWidget widget;
        widget.resize(600, 400);
        widget.setChartType(type);
        widget.setChart(model);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        const qsizetype categories = model.categoryLabels.size();
        const qsizetype seriesCount = model.seriesLabels.size();
        const double largest = chartKinds::largestValue(model);

        // The legend: every series, each in its own colour.
        chartKinds::verifyLegend(widget, model);
        if (QTest::currentTestFailed())
            return;
        const QList<ChartLegend::Entry> legend = widget.legend()->entries();

        // Category labels: the model's, starting with the first, about a dozen at most.
        const QStringList shown = widget.shownCategoryLabels();
        QCOMPARE(shown.first(), model.categoryLabels.first());
        QVERIFY(shown.size() <= 13);
        QCOMPARE(shown.size(), std::min<qsizetype>(categories, shown.size()));
        for (const QString &label : shown)
            QVERIFY(model.categoryLabels.contains(label));

        // The camera looks down on the rows, so the front ones do not hide the ones behind.
        QVERIFY(widget.graph3D()->scene()->activeCamera()->yRotation() >= 40);

        if (type == 0 || type == 6) {
            Q3DBars *bars = widget.bars3D();
            QCOMPARE(bars->seriesList().size(), 1);
            QBar3DSeries *series = bars->seriesList().first();
            QCOMPARE(series->colorStyle(), Q3DTheme::ColorStyleUniform);
            QList<QColor> expected;
            for (const auto &entry : legend)
                expected.append(entry.color);
            QCOMPARE(series->rowColors(), expected);
            QCOMPARE(series->dataProxy()->rowLabels(), model.seriesLabels);
            QStringList named = series->dataProxy()->columnLabels();
            named.removeAll(QString());
            QCOMPARE(named, shown);
            for (qsizetype r = 0; r < seriesCount; ++r)
                for (qsizetype c = 0; c < categories; ++c)
                    QCOMPARE(double(series->dataProxy()->itemAt(int(r), int(c))->value()),
                             double(float(model.values.at(r).at(c).value_or(0)))); // a gap: no bar
            checkWholeTicks(bars->valueAxis(), largest);
            QCOMPARE(bars->valueAxis()->title(), model.valueAxisTitle);
            QCOMPARE(bars->columnAxis()->title(), QStringLiteral("Search Date"));
        } else {
            Q3DSurface *surface = widget.surface3D();
            QCOMPARE(surface->axisX()->labels(), shown);
            QCOMPARE(surface->axisX()->title(), QStringLiteral("Search Date"));
            QCOMPARE(surface->axisY()->title(), model.valueAxisTitle);
            checkWholeTicks(surface->axisY(), largest);
            // Every surface is one run of values of one series, in its colour; a gap has no surface.
            QHash<QString, QSet<qsizetype>> drawn;
            for (QSurface3DSeries *series : surface->seriesList()) {
                const qsizetype index = model.seriesLabels.indexOf(series->name());
                QVERIFY(index >= 0);
                QCOMPARE(series->baseColor(), legend.at(index).color);
                const QSurfaceDataArray *array = series->dataProxy()->array();
                const QSurfaceDataRow &top = *array->at(1); // the row at the values
                const bool lone = top.size() == 2 && top.at(0).x() != std::floor(top.at(0).x());
                for (const QSurfaceDataItem &item : top) {
                    const qsizetype category = qsizetype(std::lround(item.x()));
                    QVERIFY(lone ? std::abs(item.x() - category) < 0.5 : item.x() == float(category));
                    QVERIFY(category >= 0 && category < categories);
                    QVERIFY2(model.values.at(index).at(category).has_value(),
                             "drawn where a value is missing");
                    QCOMPARE(item.y(), float(*model.values.at(index).at(category)));
                    drawn[series->name()].insert(category);
                }
            }
            for (qsizetype i = 0; i < seriesCount; ++i)
                for (qsizetype c = 0; c < categories; ++c)
                    QCOMPARE(drawn.value(model.seriesLabels.at(i)).contains(c),
                             model.values.at(i).at(c).has_value());
        }

        // The picture export makes: the title's ink at the top and every legend colour at the bottom.
        QTRY_VERIFY(widget.graph3D()->hasContext());
        const QImage picture = widget.toImage(QSize(600, 400));
        bool titleInk = false;
        for (int y = 0; y < 24 && !titleInk; ++y)
            for (int x = 0; x < picture.width() && !titleInk; ++x)
                titleInk = qGray(picture.pixel(x, y)) < 100;
        QVERIFY(titleInk);
        if (seriesCount <= 10) {
            QSet<QRgb> found;
            for (int y = picture.height() * 3 / 4; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    found.insert(picture.pixel(x, y) & 0xffffff);
            for (const ChartLegend::Entry &entry : legend)
                QVERIFY2(found.contains(entry.color.rgb() & 0xffffff), qPrintable(entry.text));
        }
    }

    void drawsEveryType()
    {
        if (!ChartWidget::threeDAvailable())
            QSKIP("no display with OpenGL");
        ChartWidget chart;
        chart.resize(640, 480);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.setChart(chartData::exampleChart());
        for (const int type : {0, 2, 4, 6}) {
            chart.setChartType(type);
            QAbstract3DGraph *graph = chart.graph3D();
            QVERIFY(graph);
            QTRY_VERIFY(graph->hasContext());
            QVERIFY2(inkOf(graph->renderToImage(0, QSize(320, 240))) > 300,
                     qPrintable(QString::number(type)));
            QVERIFY(inkOf(chart.toImage(QSize(320, 240))) > 300);
        }
        // A long history draws too.
        chartData::ChartModel big;
        big.title = QStringLiteral("ten years");
        big.seriesLabels = {QStringLiteral("Google"), QStringLiteral("MSN")};
        for (int day = 0; day < 400; ++day)
            big.categoryLabels.append(QString::number(day));
        for (int s = 0; s < 2; ++s) {
            QList<std::optional<double>> row;
            for (int day = 0; day < 400; ++day)
                row.append(day % 17 == 0 ? std::nullopt : std::optional<double>(day * (s + 1)));
            big.values.append(row);
        }
        chart.setChart(big);
        chart.setChartType(6);
        QVERIFY(inkOf(chart.graph3D()->renderToImage(0, QSize(320, 240))) > 100);
    }

    void timeRunsLeftToRight()
    {
        if (!ChartWidget::threeDAvailable())
            QSKIP("no display with OpenGL");
        // Newest first as saved; a release years before the daily saves; a gap on 06-16-20.
        chartData::ChartModel model;
        model.title = QStringLiteral("mixed");
        model.seriesLabels = {QStringLiteral("Google")};
        model.categoryLabels = {QStringLiteral("06-17-20"), QStringLiteral("06-16-20"),
                                QStringLiteral("06-15-20"), QStringLiteral("01-01-17")};
        model.categoryDates = {QDate(2020, 6, 17), QDate(2020, 6, 16), QDate(2020, 6, 15), QDate(2017, 1, 1)};
        model.values = {{30.0, std::nullopt, 10.0, 2.0}};
        ChartWidget chart;
        chart.resize(640, 480);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.setChart(model);
        chart.setTimeLeftToRight(true);
        const chartData::ChartModel &drawn = chart.drawnChart();
        const double days = QDate(2017, 1, 1).daysTo(QDate(2020, 6, 15));
        for (const int type : {0, 2, 4, 6}) {
            chart.setChartType(type);
            QTRY_VERIFY(chart.graph3D()->hasContext());
            if (type == 0 || type == 6) {
                // Bars stand in columns: the dates in order, oldest on the left, evenly.
                QCOMPARE(chart.bars3D()->seriesList().first()->dataProxy()->columnLabels().first(),
                         QStringLiteral("01-01-17"));
                QCOMPARE(chart.shownCategoryLabels().first(), QStringLiteral("01-01-17"));
                QCOMPARE(chart.bars3D()->seriesList().first()->dataProxy()->itemAt(0, 0)->value(), 2.0f);
                continue;
            }
            // Lines and areas stand at their dates on a calendar axis.
            Q3DSurface *surface = chart.surface3D();
            QCOMPARE(surface->axisX()->min(), float(drawn.axisStart()));
            QCOMPARE(surface->axisX()->max(), float(drawn.axisEnd()));
            QStringList ticks;
            for (const chartData::AxisTick &tick : chartData::timeTicks(drawn, 10))
                ticks.append(tick.label);
            QCOMPARE(chart.shownCategoryLabels(), ticks);
            QCOMPARE(surface->seriesList().size(), 2); // two runs: the gap stays a gap
            const QSurfaceDataRow *front = surface->seriesList().first()->dataProxy()->array()->at(1);
            QCOMPARE(front->size(), 2);
            QCOMPARE(front->at(0).x(), 0.0f);
            QCOMPARE(front->at(1).x(), float(days));
            QCOMPARE(front->at(1).y(), 10.0f);
        }
    }

    void controlDragRotates()
    {
        if (!ChartWidget::threeDAvailable())
            QSKIP("no display with OpenGL");
        ChartWidget chart;
        chart.resize(640, 480);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.setChartType(0);
        QAbstract3DGraph *graph = chart.graph3D();
        QTRY_VERIFY(graph->hasContext());
        QTRY_VERIFY(graph->isExposed());
        Q3DCamera *camera = graph->scene()->activeCamera();
        const float before = camera->xRotation();
        const QPoint start(200, 200);
        // A plain left drag selects; it does not rotate.
        QTest::mousePress(graph, Qt::LeftButton, {}, start);
        QTest::mouseMove(graph, start + QPoint(60, 0));
        QTest::mouseRelease(graph, Qt::LeftButton, {}, start + QPoint(60, 0));
        QCOMPARE(camera->xRotation(), before);
        // With the Control key held it rotates.
        QTest::mousePress(graph, Qt::LeftButton, Qt::ControlModifier, start);
        QTest::mouseMove(graph, start + QPoint(60, 10));
        QTest::mouseMove(graph, start + QPoint(120, 20));
        QTest::mouseRelease(graph, Qt::LeftButton, Qt::ControlModifier, start + QPoint(120, 20));
        QVERIFY(camera->xRotation() != before);
    }
};

QTEST_MAIN(TestChart3D)
#include "tst_chart3d.moc"
