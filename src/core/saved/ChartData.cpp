#include "core/saved/ChartData.h"

#include "core/saved/SavedSearch.h"
#include "core/saved/SearchFile.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/SortKeys.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace chartData {

namespace {

std::optional<qint64> wholeNumber(const QString &text)
{
    double number = 0;
    if (!scan::cellNumber(text, &number) || number != std::floor(number) || std::abs(number) > 9e15)
        return std::nullopt;
    return qint64(number);
}

std::optional<double> scaled(const std::optional<qint64> &value, int divisor)
{
    if (!value)
        return std::nullopt;
    return double(*value) / divisor;
}

} // namespace

Series readSeries(const QString &file, const QString &section)
{
    saved::SearchFile search;
    search.load(file);
    return readSeries(search, section);
}

Series readSeries(const saved::SearchFile &search, const QString &section)
{
    Series series;
    for (const saved::Entry &entry : search.entries(search.indexOf(section))) {
        series.labels.append(entry.key);
        series.values.append(entry.value ? wholeNumber(*entry.value) : std::nullopt);
    }
    return series;
}

qint64 LargestNumber(const QList<std::optional<qint64>> &values)
{
    qint64 largest = 0;
    for (const auto &value : values) {
        if (value)
            largest = std::max(largest, *value);
    }
    return largest;
}

Scaling scalingFor(qint64 largest)
{
    if (largest > 100000000)
        return {1000, QStringLiteral("Linking Sites x1000")};
    if (largest > 10000000)
        return {100, QStringLiteral("Linking Sites x100")};
    if (largest > 1000000)
        return {10, QStringLiteral("Linking Sites x10")};
    return {1, QStringLiteral("Linking Sites")};
}

ChartModel exampleChart()
{
    ChartModel chart;
    chart.title = QStringLiteral("Example Popularity Over Time Chart");
    chart.seriesLabels = {QStringLiteral("Google"), QStringLiteral("Yahoo"), QStringLiteral("Altavista"),
                          QStringLiteral("MSN"),    QStringLiteral("Teoma"), QStringLiteral("AllTheWeb")};
    chart.categoryLabels = {QStringLiteral("04/04"), QStringLiteral("05/04"), QStringLiteral("06/04"),
                            QStringLiteral("07/04"), QStringLiteral("08/04"), QStringLiteral("09/04")};
    const int start[6] = {420, 310, 260, 200, 150, 120};
    const int step[6] = {60, 45, 25, 35, 20, 15};
    for (int s = 0; s < 6; ++s) {
        QList<std::optional<double>> row;
        for (int c = 0; c < 6; ++c)
            row.append(double(start[s] + step[s] * c + ((c * 37 + s * 11) % 40)));
        chart.values.append(row);
    }
    return chart;
}

ChartModel engineHistoryChart(const QString &file, const QString &section, const QString &title)
{
    ChartModel chart;
    chart.title = title;
    const Series series = readSeries(file, section); // one load of the file
    if (series.labels.isEmpty()) {
        chart.message = QStringLiteral("\"%1\" holds no saved dates to chart.").arg(section);
        return chart;
    }
    const Scaling scaling = scalingFor(LargestNumber(series.values));
    chart.valueAxisTitle = scaling.valueAxisTitle;
    chart.seriesLabels = {section};
    chart.categoryLabels = series.labels;
    QList<std::optional<double>> row;
    for (const auto &value : series.values)
        row.append(scaled(value, scaling.divisor));
    chart.values = {row};
    return chart;
}

ChartModel allEnginesChart(const QString &file, const QStringList &sections, const QString &title)
{
    ChartModel chart;
    chart.title = title;
    // One load of the file for every section.
    saved::SearchFile search;
    search.load(file);
    QStringList drawn = sections;
    if (drawn.size() > MaxSeries) {
        drawn = drawn.first(MaxSeries);
        chart.message = QStringLiteral("This saved search holds %1 sections; the first %2 are charted.")
                            .arg(sections.size())
                            .arg(MaxSeries);
    }
    QList<Series> all;
    all.reserve(drawn.size());
    for (const QString &section : std::as_const(drawn))
        all.append(readSeries(search, section));
    // The categories: the first section's dates in its order; every other date placed by date (newest first).
    QStringList dates;
    QList<QDate> dateValues; // dates[i] as a date, parsed once
    QSet<QString> seen;
    for (const Series &series : all) {
        for (const QString &label : series.labels) {
            if (seen.contains(label))
                continue;
            seen.insert(label);
            const QDate date = saved::dateOfKey(label);
            qsizetype at = dates.size();
            if (date.isValid() && &series != &all.first()) {
                for (qsizetype i = 0; i < dateValues.size(); ++i) {
                    const QDate &other = dateValues.at(i);
                    if (other.isValid() && other < date) {
                        at = i;
                        break;
                    }
                }
            }
            dates.insert(at, label);
            dateValues.insert(at, date);
        }
    }
    if (dates.isEmpty()) {
        chart.message = QStringLiteral("This saved search holds no dates to chart.");
        return chart;
    }
    const Scaling scaling = scalingFor(all.isEmpty() ? 0 : LargestNumber(all.first().values));
    chart.valueAxisTitle = scaling.valueAxisTitle;
    chart.seriesLabels = drawn;
    chart.categoryLabels = dates;
    for (const Series &series : std::as_const(all)) {
        QHash<QString, std::optional<qint64>> byDate;
        for (qsizetype i = 0; i < series.labels.size(); ++i) {
            if (!byDate.contains(series.labels.at(i)))
                byDate.insert(series.labels.at(i), series.values.at(i));
        }
        QList<std::optional<double>> row;
        for (const QString &date : std::as_const(dates))
            row.append(scaled(byDate.value(date, std::nullopt), scaling.divisor));
        chart.values.append(row);
    }
    return chart;
}

ChartModel currentResultsChart(const scan::ResultsModel &results)
{
    ChartModel chart;
    chart.title = QStringLiteral("Temporary Search Results");
    for (int c = 2; c < results.cellColumns(); ++c)
        chart.categoryLabels.append(results.columnCaption(c));
    int divisor = 1;
    for (int row = 0; row < results.rowCount(); ++row) {
        // A row in which no engine gave a count has no measurement: gaps, not a line along 0.
        const bool unmeasured = results.hasNoCount(row);
        QList<std::optional<qint64>> values;
        for (int c = 2; c < results.cellColumns(); ++c) {
            const QString cell = results.cell(row, c);
            values.append(unmeasured       ? std::nullopt
                          : cell.isEmpty() ? std::optional<qint64>(0)
                                           : wholeNumber(cell));
        }
        if (row == 0) {
            const Scaling scaling = scalingFor(LargestNumber(values));
            divisor = scaling.divisor;
            chart.valueAxisTitle = scaling.valueAxisTitle;
        }
        chart.seriesLabels.append(results.cell(row, 0));
        QList<std::optional<double>> scaledRow;
        for (const auto &value : values)
            scaledRow.append(scaled(value, divisor));
        chart.values.append(scaledRow);
    }
    if (results.rowCount() == 0)
        chart.message = QStringLiteral("There are no results to chart.");
    return chart;
}

bool hasSingleDateSeries(const QString &file, const QStringList &sections)
{
    saved::SearchFile search;
    search.load(file);
    return std::any_of(sections.cbegin(), sections.cend(), [&search](const QString &section) {
        return readSeries(search, section).labels.size() == 1;
    });
}

ValueScale valueScale(double largest)
{
    if (!(largest > 0))
        return {5, 1};
    double step = 1;
    // The smallest nice step that covers the largest value in ten steps; whole numbers only.
    for (double decade = 1; step * 10 < largest; decade *= 10) {
        for (const double nice : {1.0, 2.0, 5.0}) {
            step = nice * decade;
            if (step * 10 >= largest)
                break;
        }
    }
    return {std::ceil(largest / step) * step, step};
}

LabelPlan labelPlan(qsizetype categories, int labelWidth, int lineHeight, int available)
{
    LabelPlan plan;
    if (categories <= 1)
        return plan;
    const int slot = std::max(1, labelWidth + std::max(8, lineHeight / 2));
    const qsizetype flat = std::max<qsizetype>(1, available / slot);
    if (categories <= flat)
        return plan;
    // Turned labels need about one and a half lines each along the axis.
    if (categories <= 12 && categories * lineHeight * 3 / 2 <= available) {
        plan.angle = -45;
        return plan;
    }
    plan.step = int((categories + flat - 1) / flat);
    return plan;
}

QList<QPair<qsizetype, qsizetype>> runsWithoutGaps(const QList<std::optional<double>> &values)
{
    QList<QPair<qsizetype, qsizetype>> runs;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!values.at(i))
            continue;
        qsizetype last = i;
        while (last + 1 < values.size() && values.at(last + 1))
            ++last;
        runs.append({i, last});
        i = last;
    }
    return runs;
}

QList<QPointF> runPoints(const QList<std::optional<double>> &values, qsizetype first, qsizetype last,
                         int type)
{
    QList<QPointF> points;
    for (qsizetype i = first; i <= last; ++i) {
        const double v = *values.at(i);
        if (type == 7 || (type == 5 && first == last)) {
            const double half = type == 7 ? 0.5 : 0.3;
            points << QPointF(double(i) - half, v) << QPointF(double(i) + half, v);
        } else {
            points << QPointF(double(i), v);
        }
    }
    return points;
}

} // namespace chartData
