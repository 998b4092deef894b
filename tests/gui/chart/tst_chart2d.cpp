// What the two-dimensional chart types draw, read back from the chart objects: axis labels, value ticks,
// legend entries and colours, gaps; and what export writes.
#include "gui/chart/ChartWidget.h"
#include "gui/chart/modPrint.h"
#include "gui/common/Prompts.h"

#include "../../support/ChartKinds.h"
#include "../../support/TestText.h"

#include <QAreaSeries>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QTest>
#include <QValueAxis>

#include <cmath>

using testText::s;

namespace {

// The colour a series is drawn in, and its points' categories.
QColor colourOf(QAbstractSeries *series)
{
    if (auto *area = qobject_cast<QAreaSeries *>(series))
        return area->borderColor();
    return static_cast<QLineSeries *>(series)->color();
}

QList<QPointF> pointsOf(QAbstractSeries *series)
{
    if (auto *area = qobject_cast<QAreaSeries *>(series))
        return area->upperSeries()->points();
    return static_cast<QLineSeries *>(series)->points();
}

QString withoutMarks(QString label)
{
    return label.remove(QChar(0x200B));
}

// Daily saves and a release years before them, newest first as a saved search holds them; Google has a gap
// on 06-16-20, MSN a value on that day only.
chartData::ChartModel mixedHistory()
{
    chartData::ChartModel model;
    model.title = s("mixed");
    model.seriesLabels = {s("Google"), s("MSN")};
    model.categoryLabels = {s("06-17-20"), s("06-16-20"), s("06-15-20"), s("01-01-17")};
    model.categoryDates = {QDate(2020, 6, 17), QDate(2020, 6, 16), QDate(2020, 6, 15), QDate(2017, 1, 1)};
    model.values = {{30.0, std::nullopt, 10.0, 2.0}, {std::nullopt, 7.0, std::nullopt, std::nullopt}};
    return model;
}

} // namespace

class TestChart2D : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void drawsEveryKind_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("size");
        for (const int type : {1, 3, 5, 7}) {
            for (const char *kind : {"history", "all", "current"}) {
                const QList<int> sizes = QByteArray(kind) == "current" ? QList<int>{1, 6, 50}
                                         : QByteArray(kind) == "all"   ? QList<int>{2, 50}
                                                                       : QList<int>{1, 2, 30, 365, 3650};
                for (const int size : sizes)
                    QTest::addRow("type %d %s %d", type, kind, size)
                        << type << QString::fromLatin1(kind) << size;
            }
        }
    }

    void drawsEveryKind()
    {
        QFETCH(int, type);
        QFETCH(QString, kind);
        QFETCH(int, size);
        // History: size dates; All Engines: size sections of 40 dates; current results: size rows.
        const chartData::ChartModel model =
            kind == s("history") ? chartKinds::engineHistory(m_dir.path(), size)
            : kind == s("all")   ? chartKinds::allEngines(m_dir.path(), size, 40)
                                 : chartKinds::currentResults(size);
        QVERIFY(!model.isEmpty());
        ChartWidget widget;
        widget.resize(600, 400); // the chart's size in the main window
        widget.setChartType(type);
        widget.setChart(model);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QChart *chart = widget.chartView()->chart();
        const qsizetype categories = model.categoryLabels.size();
        const qsizetype seriesCount = model.seriesLabels.size();

        // Titles.
        QCOMPARE(chart->title(), model.title);
        auto *valueAxis = qobject_cast<QValueAxis *>(chart->axes(Qt::Vertical).value(0));
        auto *categoryAxis = qobject_cast<QCategoryAxis *>(chart->axes(Qt::Horizontal).value(0));
        QVERIFY(valueAxis && categoryAxis);
        QCOMPARE(valueAxis->titleText(), model.valueAxisTitle);
        QCOMPARE(categoryAxis->titleText(), s("Search Date"));

        // Value ticks are whole numbers from 0 past the largest value.
        QCOMPARE(valueAxis->min(), 0.0);
        const double step = (valueAxis->max() - valueAxis->min()) / (valueAxis->tickCount() - 1);
        QVERIFY2(step >= 1 && step == std::floor(step), qPrintable(QString::number(step)));
        QCOMPARE(valueAxis->labelFormat(), s("%.0f"));
        QVERIFY(valueAxis->max() >= chartKinds::largestValue(model));

        // Category labels: the model's, in order, starting with the first; whole and not overlapping.
        const QStringList labels = categoryAxis->categoriesLabels();
        QVERIFY(!labels.isEmpty());
        QCOMPARE(withoutMarks(labels.first()), model.categoryLabels.first());
        QVERIFY(!categoryAxis->truncateLabels());
        const QFontMetrics metrics(categoryAxis->labelsFont());
        const double perCategory = chart->plotArea().width() / double(categories);
        qsizetype previous = -1;
        for (const QString &label : labels) {
            const qsizetype at = qsizetype(categoryAxis->endValue(label));
            QCOMPARE(withoutMarks(label), model.categoryLabels.at(at));
            QVERIFY(at > previous);
            if (previous >= 0 && categoryAxis->labelsAngle() == 0)
                QVERIFY2(metrics.horizontalAdvance(label) <= (at - previous) * perCategory,
                         qPrintable(label));
            previous = at;
        }
        QCOMPARE(widget.shownCategoryLabels(), labels);
        if (categories <= 6)
            QCOMPARE(labels.size(), categories); // a few categories are all named, turned when needed

        // The legend: every series once, each its own colour, the colour it is drawn in.
        chartKinds::verifyLegend(widget, model);
        if (QTest::currentTestFailed())
            return;
        const QList<ChartLegend::Entry> legend = widget.legend()->entries();
        QVERIFY(!chart->legend()->isVisible());

        if (type == 1) {
            auto *bars = qobject_cast<QBarSeries *>(chart->series().value(0));
            QVERIFY(bars);
            QCOMPARE(bars->count(), seriesCount);
            for (qsizetype i = 0; i < seriesCount; ++i) {
                QBarSet *set = bars->barSets().at(i);
                QCOMPARE(set->label(), model.seriesLabels.at(i));
                QCOMPARE(set->color(), legend.at(i).color);
                QCOMPARE(set->borderColor(), legend.at(i).color); // no light outline over narrow bars
                for (qsizetype c = 0; c < categories; ++c)
                    QCOMPARE(set->at(c), model.values.at(i).at(c).value_or(0));
            }
            return;
        }
        // Lines, areas, steps: every point is a value of its series at its category; a gap has no point.
        // Steps, and a lone value of an area, are drawn as pairs of points around their category.
        QHash<QString, QList<QPair<double, double>>> drawn; // category position, value
        for (QAbstractSeries *series : chart->series()) {
            const qsizetype index = model.seriesLabels.indexOf(series->name());
            QVERIFY(index >= 0);
            QCOMPARE(colourOf(series), legend.at(index).color);
            const QList<QPointF> piece = pointsOf(series);
            const bool paired =
                type == 7 || (piece.size() == 2 && piece.first().x() != std::floor(piece.first().x()));
            for (qsizetype k = 0; k < piece.size(); k += paired ? 2 : 1) {
                if (paired)
                    QCOMPARE(piece.at(k).y(), piece.at(k + 1).y());
                const double x = paired ? (piece.at(k).x() + piece.at(k + 1).x()) / 2 : piece.at(k).x();
                drawn[series->name()].append({x, piece.at(k).y()});
            }
        }
        QCOMPARE(drawn.size(), seriesCount);
        for (qsizetype i = 0; i < seriesCount; ++i) {
            const QList<std::optional<double>> &values = model.values.at(i);
            QSet<qsizetype> at;
            for (const auto &[x, y] : drawn.value(model.seriesLabels.at(i))) {
                const qsizetype category = qsizetype(std::lround(x));
                QCOMPARE(x, double(category));
                QVERIFY(category >= 0 && category < categories);
                QVERIFY2(values.at(category).has_value(), "a point where the value is missing");
                QCOMPARE(y, *values.at(category));
                at.insert(category);
            }
            for (qsizetype c = 0; c < categories; ++c)
                QCOMPARE(at.contains(c), values.at(c).has_value()); // a gap is a gap, never a drop to 0
        }
    }

    void emptyAndSingle()
    {
        // Nothing to draw: the value axis still counts in whole numbers.
        ChartWidget widget;
        widget.setChartType(3);
        widget.setChart(chartData::ChartModel());
        auto *valueAxis =
            qobject_cast<QValueAxis *>(widget.chartView()->chart()->axes(Qt::Vertical).value(0));
        QCOMPARE(valueAxis->max(), 5.0);
        QCOMPARE(valueAxis->tickCount(), 6);
        QVERIFY(!widget.legend()->isVisibleTo(&widget));
        // One date: a line is a dot, an area a narrow block at that date, not a slope to an invented one.
        const chartData::ChartModel one = chartKinds::engineHistory(m_dir.path(), 1);
        widget.setChart(one);
        auto *line = qobject_cast<QLineSeries *>(widget.chartView()->chart()->series().value(0));
        QCOMPARE(line->points(), QList<QPointF>{QPointF(0, *one.values.at(0).at(0))});
        QVERIFY(line->pointsVisible());
        widget.setChartType(5);
        auto *area = qobject_cast<QAreaSeries *>(widget.chartView()->chart()->series().value(0));
        const QList<QPointF> block = area->upperSeries()->points();
        QCOMPARE(block.size(), 2);
        QVERIFY(block.first().x() > -0.5 && block.last().x() < 0.5);
    }

    // A hidden chart (the Chart View behind another tab, as at start-up and during a scan) builds nothing
    // until it shows or is asked for what it draws.
    void hiddenChartWaitsUntilShown()
    {
        ChartWidget widget;
        auto *view = widget.findChild<QChartView *>(s("MSChart1View"));
        QChart *unbuilt = view->chart();
        QVERIFY(unbuilt->series().isEmpty()); // not even the example
        chartData::ChartModel one = chartKinds::engineHistory(m_dir.path(), 3);
        one.title = s("First");
        widget.setChart(one);
        widget.setChartType(3);
        widget.setTimeLeftToRight(true);
        QCOMPARE(view->chart(), unbuilt);
        widget.resize(600, 400);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QCOMPARE(view->chart()->title(), s("First"));
        QVERIFY(!view->chart()->series().isEmpty());
        widget.hide();
        QChart *shown = view->chart();
        chartData::ChartModel two = one;
        two.title = s("Second");
        widget.setChart(two);
        QCOMPARE(view->chart(), shown);
        QCOMPARE(widget.chartView()->chart()->title(), s("Second")); // asked for: drawn now
        QCOMPARE(widget.drawnChart().title, s("Second"));
    }

    void timeRunsLeftToRight()
    {
        // Daily saves and a release years before, newest first as saved; a gap on 06-16-20 for Google.
        chartData::ChartModel model = mixedHistory();
        for (const int type : {1, 3, 5, 7}) {
            ChartWidget widget;
            widget.resize(600, 400);
            widget.setChartType(type);
            widget.setChart(model);
            widget.show();
            QVERIFY(QTest::qWaitForWindowExposed(&widget));
            auto *axis =
                qobject_cast<QCategoryAxis *>(widget.chartView()->chart()->axes(Qt::Horizontal).value(0));
            QCOMPARE(withoutMarks(axis->categoriesLabels().first()),
                     s("06-17-20")); // the saved order by default
            widget.setTimeLeftToRight(true);
            const chartData::ChartModel &drawn = widget.drawnChart();
            QCOMPARE(drawn.categoryLabels.first(), s("01-01-17"));
            QChart *chart = widget.chartView()->chart();
            axis = qobject_cast<QCategoryAxis *>(chart->axes(Qt::Horizontal).value(0));
            QCOMPARE(axis->min(), drawn.axisStart());
            QCOMPARE(axis->max(), drawn.axisEnd());
            // Calendar ticks, flat, in order, none over another.
            const QStringList labels = axis->categoriesLabels();
            QVERIFY(labels.size() >= 2);
            QCOMPARE(axis->labelsAngle(), 0);
            QCOMPARE(widget.shownCategoryLabels(), labels);
            const QList<chartData::AxisTick> ticks = chartData::timeTicks(drawn, int(labels.size()));
            QCOMPARE(ticks.size(), labels.size());
            const double perDay = chart->plotArea().width() / (drawn.axisEnd() - drawn.axisStart());
            const QFontMetrics metrics(axis->labelsFont());
            for (qsizetype i = 0; i < labels.size(); ++i) {
                QCOMPARE(withoutMarks(labels.at(i)), ticks.at(i).label);
                QCOMPARE(axis->endValue(labels.at(i)), ticks.at(i).position);
                if (i > 0)
                    QVERIFY(metrics.horizontalAdvance(labels.at(i)) <=
                            (ticks.at(i).position - ticks.at(i - 1).position) * perDay);
            }
            if (type == 1) {
                // Bars stand at their dates: the release's at the far left, the daily saves at the far right.
                QVERIFY(widget.manySeries());
                const QImage picture = widget.toImage(QSize(600, 400));
                const QRectF plot = chart->plotArea();
                auto columnsOf = [&picture, &plot](const QColor &colour) { // within the plot, not the legend
                    QList<int> columns;
                    for (int x = 0; x < picture.width(); ++x) {
                        for (int y = int(plot.top()); y < int(plot.bottom()); ++y) {
                            if (picture.pixelColor(x, y) == colour) {
                                columns.append(x);
                                break;
                            }
                        }
                    }
                    return columns;
                };
                const QList<int> google = columnsOf(seriesColor(0));
                const QList<int> msn = columnsOf(seriesColor(1));
                QVERIFY(!google.isEmpty() && !msn.isEmpty());
                QVERIFY(google.first() < plot.left() + plot.width() * 0.1);
                QVERIFY(google.last() > plot.left() + plot.width() * 0.9);
                QVERIFY(msn.first() > plot.left() + plot.width() * 0.9);
                continue;
            }
            // Every value at its date; the gap is still a gap.
            QList<double> xs;
            for (QAbstractSeries *series : chart->series()) {
                if (series->name() != s("Google"))
                    continue;
                // Steps, and a lone value of an area, are pairs of points around their place.
                const QList<QPointF> piece = pointsOf(series);
                const bool paired =
                    type == 7 || (piece.size() == 2 && !drawn.positions.contains(piece.first().x()));
                for (qsizetype k = 0; k < piece.size(); k += paired ? 2 : 1)
                    xs.append(paired ? (piece.at(k).x() + piece.at(k + 1).x()) / 2 : piece.at(k).x());
            }
            std::sort(xs.begin(), xs.end());
            if (type == 7) { // steps span their slots: half-way to the neighbours
                QCOMPARE(xs.size(), 3);
                QVERIFY(xs.at(0) < drawn.positionOf(1) / 2);
            } else {
                QCOMPARE(xs, QList<double>({drawn.positionOf(0), drawn.positionOf(1), drawn.positionOf(3)}));
            }
            QCOMPARE(chart->series().size(), 3); // Google's two runs, MSN's lone value
        }
    }

    void manySeriesLookAsOneObjectEach()
    {
        // A chart with more series than the limit draws them from the model; the picture is the one a chart
        // series each would give: places, colours, gaps, lone values, for every 2D type.
        chartData::ChartModel model;
        model.title = s("Temporary Search Results");
        model.categoryLabels = {s("Google"), s("Altavista"), s("Yahoo!"),
                                s("Teoma"),  s("MSN"),       s("All The Web")};
        for (int i = 0; i < 30; ++i) {
            model.seriesLabels.append(s("http://site%1.example").arg(i));
            QList<std::optional<double>> row;
            for (int c = 0; c < 6; ++c) {
                if ((i + c) % 7 == 3)
                    row.append(std::nullopt); // a gap
                else
                    row.append(double((i * 37 + c * 101) % 900 + 50));
            }
            if (i == 5)
                row = {std::nullopt, std::nullopt, 700.0, std::nullopt, std::nullopt, std::nullopt}; // alone
            model.values.append(row);
        }
        for (int type : {1, 3, 5, 7}) {
            ChartWidget objects;
            ChartWidget direct;
            direct.setSeriesObjectLimit(10);
            QImage pictures[2];
            int k = 0;
            for (ChartWidget *widget : {&objects, &direct}) {
                widget->resize(900, 600);
                widget->setChartType(type);
                widget->setChart(model);
                pictures[k++] = widget->toImage(QSize(900, 600));
            }
            QVERIFY(!objects.manySeries());
            QVERIFY(direct.manySeries());
            QVERIFY(direct.chartView()->chart()->series().isEmpty());
            // Compared in blocks of 6 x 6 pixels, so that smoothed and plain edges count alike.
            const QImage a = pictures[0].scaled(150, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const QImage b = pictures[1].scaled(150, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            int differing = 0;
            int coloured = 0;
            for (int y = 0; y < a.height(); ++y) {
                for (int x = 0; x < a.width(); ++x) {
                    const QColor p = a.pixelColor(x, y);
                    const QColor q = b.pixelColor(x, y);
                    if (p != Qt::white)
                        ++coloured;
                    const int d = std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                                  std::abs(p.blue() - q.blue());
                    if (d > 90)
                        ++differing;
                }
            }
            // Bars a few pixels wide fall on other pixels when they are not smoothed.
            QVERIFY2(differing * 100 <= coloured * (type == 1 ? 6 : 2),
                     qPrintable(s("type %1: %2 of %3 blocks differ").arg(type).arg(differing).arg(coloured)));
        }
    }

    void exportFollowsTheChosenType()
    {
        QCOMPARE(modPrint::exportPath(s("/x/chart"), s("PDF document (*.pdf)")), s("/x/chart.pdf"));
        QCOMPARE(modPrint::exportPath(s("/x/chart"), s("PNG picture (*.png)")), s("/x/chart.png"));
        QCOMPARE(modPrint::exportPath(s("/x/chart.PNG"), s("PDF document (*.pdf)")), s("/x/chart.PNG"));
        QCOMPARE(modPrint::exportPath(s("/x/chart.pdf"), s("PNG picture (*.png)")), s("/x/chart.pdf"));
        QCOMPARE(modPrint::exportPath(s("/x/chart.v1"), s("PNG picture (*.png)")), s("/x/chart.v1.png"));

        ChartWidget widget;
        widget.resize(600, 400);
        widget.setChartType(3);
        widget.setChart(chartKinds::allEngines(m_dir.path(), 6, 40));
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        // The save dialog opens on PDF: a name typed without an extension is written as a PDF.
        prompts::setTestMode(true);
        prompts::queueFile(m_dir.filePath(s("typed")));
        modPrint::saveChartAs(&widget, nullptr);
        QVERIFY(prompts::takeShown().isEmpty());
        const QByteArray pdf = testFiles::read(m_dir.filePath(s("typed.pdf")));
        QVERIFY(pdf.startsWith("%PDF"));
        QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 1);
        QVERIFY(!QFile::exists(m_dir.filePath(s("typed.png"))));
        // A PNG is a PNG; it carries the title's ink at the top and every series' colour in its legend.
        const QString png = m_dir.filePath(s("chart.png"));
        QVERIFY(modPrint::exportChart(&widget, png));
        QVERIFY(testFiles::read(png).startsWith("\x89PNG"));
        const QImage picture(png);
        QCOMPARE(picture.size(), widget.size());
        QSet<QRgb> found;
        for (int y = picture.height() * 3 / 4; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                found.insert(picture.pixel(x, y) & 0xffffff);
        for (const ChartLegend::Entry &entry : widget.legend()->entries())
            QVERIFY2(found.contains(entry.color.rgb() & 0xffffff), qPrintable(entry.text));
        prompts::setTestMode(false);
        // On paper the chart fills the page within its margins, whatever its shape on screen: ink near all
        // four edges.
        widget.resize(500, 500);
        QImage page(1170, 827, QImage::Format_RGB32); // A4 landscape
        page.fill(Qt::white);
        QVERIFY(modPrint::paintOnPage(&widget, &page, QRectF(40, 40, 1090, 747)));
        int left = page.width(), right = 0, top = page.height(), bottom = 0;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                if (qGray(page.pixel(x, y)) < 200) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        QVERIFY2(left >= 40 && left < 40 + 60 && right <= 1130 && right > 1130 - 60,
                 qPrintable(QStringLiteral("%1..%2").arg(left).arg(right)));
        QVERIFY2(top >= 40 && top < 40 + 60 && bottom <= 787 && bottom > 787 - 60,
                 qPrintable(QStringLiteral("%1..%2").arg(top).arg(bottom)));
    }
};

QTEST_MAIN(TestChart2D)
#include "tst_chart2d.moc"
