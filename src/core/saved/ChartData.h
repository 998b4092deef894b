#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <optional>

namespace scan {
class ResultsModel;
}
namespace saved {
class SearchFile;
}

// What a chart shows, independent of how it is drawn: series (the legend's entries), categories along the
// horizontal axis, one value per series and category (a gap where there is none), the titles.
namespace chartData {

struct ChartModel
{
    QString title;
    QString categoryAxisTitle = QStringLiteral("Search Date");
    QString valueAxisTitle = QStringLiteral("Linking Sites");
    QStringList seriesLabels;
    QStringList categoryLabels;
    QList<QList<std::optional<double>>> values; // [series][category]
    QString message;                            // a short note for the user when there is nothing to draw

    bool isEmpty() const { return seriesLabels.isEmpty() || categoryLabels.isEmpty(); }
};

// One section of a saved search: its dates in file order (newest first) and their counts. A value that is
// empty or not a whole number is a gap.
struct Series
{
    QStringList labels;
    QList<std::optional<qint64>> values;
};
Series readSeries(const QString &file, const QString &section);
Series readSeries(const saved::SearchFile &search, const QString &section);

// "All Engines" charts at most this many sections; a file with more says so in the chart's message.
inline constexpr int MaxSeries = 50;

// The largest of the values (0 for none or only gaps).
qint64 LargestNumber(const QList<std::optional<qint64>> &values);

struct Scaling
{
    int divisor;
    QString valueAxisTitle;
};
// 1 up to 1,000,000; 10 up to 10,000,000; 100 up to 100,000,000; 1000 above.
Scaling scalingFor(qint64 largest);

// The example shown before any chart: six engines over six months.
ChartModel exampleChart();

// The history of one engine's section of a saved search.
ChartModel engineHistoryChart(const QString &file, const QString &section, const QString &title);

// Every section of a saved search, paired by date: each category is a date that at least one section holds,
// in the first section's order with other dates placed by date; a section that lacks a date has a gap there.
// Scaled from the first section.
ChartModel allEnginesChart(const QString &file, const QStringList &sections, const QString &title);

// The results table: one series per row (its domain), the six engines as categories, an empty cell as 0; a
// row in which no engine gave a count is all gaps.
// Scaled from the first row.
ChartModel currentResultsChart(const scan::ResultsModel &results);

// How a chart is drawn, whatever draws it.

// A value axis from 0 that carries whole-number ticks only: its top and the distance between ticks, one of
// 1, 2 or 5 times a power of ten, chosen so that there are at most ten steps above 0.
struct ValueScale
{
    double top;
    double step;
    int steps() const { return int(top / step + 0.5); }
};
ValueScale valueScale(double largest);

// Which category labels a category axis shows and how: every label flat when they fit side by side; a few
// (up to a dozen) turned when they do not; otherwise every n-th label flat, so that none is cut. Widths in
// pixels: the widest label, the height of a line of text and the space the axis has.
struct LabelPlan
{
    int step = 1;  // every step-th category has a label, starting with the first
    int angle = 0; // 0 or -45 degrees
};
LabelPlan labelPlan(qsizetype categories, int labelWidth, int lineHeight, int available);

// The runs of a series without a gap, as [first, last] category indexes.
QList<QPair<qsizetype, qsizetype>> runsWithoutGaps(const QList<std::optional<double>> &values);
// The points of one run of a 2D line (3), area (5) or step (7) chart, as (category position, value): a step
// spans its category, a lone value of an area is a narrow block around it, a line has a point per value.
QList<QPointF> runPoints(const QList<std::optional<double>> &values, qsizetype first, qsizetype last,
                         int type);

// True when the series of any section of the chart held a single date (the "two saves" hint).
bool hasSingleDateSeries(const QString &file, const QStringList &sections);

} // namespace chartData
