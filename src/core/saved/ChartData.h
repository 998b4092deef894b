#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <algorithm>
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
    // A history's categories as dates (an invalid date for a label that is none); empty for other charts.
    QList<QDate> categoryDates;
    // Where each category stands along its axis. Empty: at 0, 1, 2 ... in order. A time-scaled chart places
    // them by their date, in days after timeOrigin.
    QList<double> positions;
    QDate timeOrigin;
    bool example = false; // invented figures, drawn marked as such

    bool isEmpty() const { return seriesLabels.isEmpty() || categoryLabels.isEmpty(); }
    bool isHistory() const { return !categoryDates.isEmpty(); }
    bool isTimeScaled() const { return timeOrigin.isValid(); }
    double positionOf(qsizetype category) const
    {
        return positions.isEmpty() ? double(category) : positions.value(category);
    }
    // The stretch of the axis that belongs to a category: half-way to each neighbour; the first and the last
    // reach half a step outwards on an even axis, a fiftieth of the dates' span (at least half a day) on a
    // time axis.
    QPair<double, double> slotOf(qsizetype category) const;
    // The axis runs from the first category's slot to the last one's.
    double axisStart() const { return slotOf(0).first; }
    double axisEnd() const { return slotOf(std::max<qsizetype>(0, categoryLabels.size() - 1)).second; }
};

// The chart with time running left to right: its dated categories oldest first, each placed by its date
// (days after the oldest), so that dates months apart stand months apart; categories without a date are
// left out and the message says how many. A chart that is no history comes back as it is.
ChartModel timeScaled(const ChartModel &model);

// A labelled tick of a time axis, at a position in days after the chart's time origin.
struct AxisTick
{
    double position;
    QString label;
};
// The ticks of a time-scaled chart's axis: the finest calendar step (1, 2 or 7 days; 1, 2, 3 or 6 months;
// 1, 2, 5, 10 ... years) that puts at most maxTicks ticks on the axis, each on a whole day, month or year,
// labelled as the step reads best ("mm-dd-yy", "Mar 2024", "2024").
QList<AxisTick> timeTicks(const ChartModel &model, int maxTicks);

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
// The points of one run of series s of a 2D line (3), area (5) or step (7) chart, as (axis position, value):
// a step spans its category's slot, a lone value of an area is a narrow block around it, a line has a point
// per value.
QList<QPointF> runPoints(const ChartModel &model, qsizetype s, qsizetype first, qsizetype last, int type);
// The width of the axis that the bars of one category share, centred on it: most of the narrower half of its
// slot on each side (all of it when there are many categories).
double barGroupWidth(const ChartModel &model, qsizetype category);

// True when the series of any section of the chart held a single date (the "two saves" hint).
bool hasSingleDateSeries(const QString &file, const QStringList &sections);

} // namespace chartData
