// Speed of the charts: a saved search of ten years of daily saves for all six engines, and the current
// results of 1,000 URLs, from the file or table to a drawn 2D chart. Run with QT_QPA_PLATFORM=offscreen.
#include "core/saved/ChartData.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsModel.h"
#include "gui/chart/ChartWidget.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class BenchChart : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;
    QStringList m_sections{QStringLiteral("Google"), QStringLiteral("Altavista"),
                           QStringLiteral("Yahoo!"), QStringLiteral("Teoma"),
                           QStringLiteral("MSN"),    QStringLiteral("All The Web")};

    // A results table of that many rows with counts in every engine's column.
    static void fillResults(scan::ResultsModel &results, int rows)
    {
        for (int r = 0; r < rows; ++r) {
            results.insertResultRow(r, QStringLiteral("http://site%1.example").arg(r));
            for (int c = 2; c < 8; ++c)
                results.setCell(r, c, QString::number((r * 37 + c * 101) % 50000));
        }
    }

private slots:
    void initTestCase()
    {
        m_file = m_dir.filePath(QStringLiteral("ten-years.vty"));
        QByteArray bytes;
        const QDate last(2026, 12, 7);
        for (const QString &section : std::as_const(m_sections)) {
            bytes += "\r\n[" + section.toLatin1() + "]\r\n";
            for (int day = 0; day < 3650; ++day)
                bytes += saved::dateKey(last.addDays(-day)).toLatin1() + '=' +
                         QByteArray::number(100000 + day * 7) + "\r\n";
        }
        QFile file(m_file);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void allEnginesModel()
    {
        chartData::ChartModel model;
        QBENCHMARK
        {
            model = chartData::allEnginesChart(m_file, m_sections, QStringLiteral("ten-years"));
        }
        QCOMPARE(model.categoryLabels.size(), 3650);
    }

    void allEnginesDrawn2D()
    {
        ChartWidget chart;
        chart.resize(900, 600);
        chart.setChartType(3);
        QBENCHMARK
        {
            chart.setChart(chartData::allEnginesChart(m_file, m_sections, QStringLiteral("ten-years")));
            chart.toImage(QSize(900, 600));
        }
    }

    // The 3D types need an OpenGL context: run under xvfb-run.
    void allEnginesDrawn3D_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("3D bars") << 0;
        QTest::newRow("3D lines") << 2;
        QTest::newRow("3D steps") << 6;
    }

    void allEnginesDrawn3D()
    {
        if (!ChartWidget::threeDAvailable())
            QSKIP("no display with OpenGL");
        QFETCH(int, type);
        ChartWidget chart;
        chart.resize(900, 600);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.setChartType(type);
        QBENCHMARK
        {
            chart.setChart(chartData::allEnginesChart(m_file, m_sections, QStringLiteral("ten-years")));
            chart.toImage(QSize(900, 600));
        }
    }

    void currentResults1000Drawn2D()
    {
        scan::ResultsModel results;
        fillResults(results, 1000);
        ChartWidget chart;
        chart.resize(900, 600);
        chart.setChartType(1);
        QBENCHMARK
        {
            chart.setChart(chartData::currentResultsChart(results));
            chart.toImage(QSize(900, 600));
        }
    }

    // The current-results chart of a large scan as a line chart: drawn, then replaced by the next chart (the
    // old one is freed then). VANTORY_BENCH_CHART_ROWS sets the rows (5,000 unless set).
    void currentResultsLargeLineChart()
    {
        const int rows = qEnvironmentVariableIsSet("VANTORY_BENCH_CHART_ROWS")
                             ? qEnvironmentVariableIntValue("VANTORY_BENCH_CHART_ROWS")
                             : 5000;
        scan::ResultsModel results;
        fillResults(results, rows);
        ChartWidget chart;
        chart.resize(900, 600);
        chart.setChartType(3);
        QElapsedTimer clock;
        clock.start();
        chart.setChart(chartData::currentResultsChart(results));
        const qint64 built = clock.restart();
        chart.toImage(QSize(900, 600));
        const qint64 drawn = clock.restart();
        chart.setChart(chartData::exampleChart());
        const qint64 replaced = clock.elapsed();
        qInfo("current results of %d rows as a line chart: built in %lld ms, drawn in %lld ms, replaced in "
              "%lld ms",
              rows, built, drawn, replaced);
    }
};

QTEST_MAIN(BenchChart)
#include "bench_chart.moc"
