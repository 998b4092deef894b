// The three-dimensional chart types; they need an OpenGL context, so this test runs under xvfb-run.
#include "saved/ChartData.h"
#include "ui/ChartWidget.h"

#include <QTest>

#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/QAbstract3DGraph>

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

private slots:
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
