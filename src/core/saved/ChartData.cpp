#include "core/saved/ChartData.h"

#include "core/saved/SavedSearch.h"
#include "core/saved/SearchFile.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/SortKeys.h"

#include <QHash>
#include <QLocale>
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
    chart.example = true;
    chart.seriesLabels = {QStringLiteral("Google"), QStringLiteral("Yahoo"), QStringLiteral("Altavista"),
                          QStringLiteral("MSN"),    QStringLiteral("Teoma"), QStringLiteral("AllTheWeb")};
    chart.categoryLabels = {QStringLiteral("04/04"), QStringLiteral("05/04"), QStringLiteral("06/04"),
                            QStringLiteral("07/04"), QStringLiteral("08/04"), QStringLiteral("09/04")};
    for (int month = 4; month <= 9; ++month)
        chart.categoryDates.append(QDate(2004, month, 1));
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
    for (const QString &label : series.labels)
        chart.categoryDates.append(saved::dateOfKey(label));
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
    chart.categoryDates = dateValues;
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

QList<QPointF> runPoints(const ChartModel &model, qsizetype s, qsizetype first, qsizetype last, int type)
{
    const QList<std::optional<double>> values = model.values.value(s);
    QList<QPointF> points;
    for (qsizetype i = first; i <= last; ++i) {
        const double v = values.value(i).value_or(0);
        const double at = model.positionOf(i);
        if (type == 7) {
            const auto [left, right] = model.slotOf(i);
            points << QPointF(left, v) << QPointF(right, v);
        } else if (type == 5 && first == last) {
            const auto [left, right] = model.slotOf(i);
            const double half = 0.6 * std::min(at - left, right - at);
            points << QPointF(at - half, v) << QPointF(at + half, v);
        } else {
            points << QPointF(at, v);
        }
    }
    return points;
}

double barGroupWidth(const ChartModel &model, qsizetype category)
{
    const double share = model.categoryLabels.size() > 60 ? 1.0 : 0.8;
    const auto [left, right] = model.slotOf(category);
    const double at = model.positionOf(category);
    return share * 2 * std::min(at - left, right - at);
}

QPair<double, double> ChartModel::slotOf(qsizetype category) const
{
    const qsizetype n = categoryLabels.size();
    const double at = positionOf(category);
    if (positions.isEmpty())
        return {at - 0.5, at + 0.5};
    const double before = category > 0 ? (at - positionOf(category - 1)) / 2 : -1;
    const double after = category + 1 < n ? (positionOf(category + 1) - at) / 2 : -1;
    // The ends of a time axis reach a little past the first and the last date: a fiftieth of the time
    // between them, at least half a day.
    const double edge = std::max(0.5, (positionOf(n - 1) - positionOf(0)) / 50);
    return {at - (before < 0 ? edge : before), at + (after < 0 ? edge : after)};
}

ChartModel timeScaled(const ChartModel &model)
{
    if (!model.isHistory() || model.isTimeScaled())
        return model;
    QList<qsizetype> dated;
    for (qsizetype c = 0; c < model.categoryLabels.size(); ++c) {
        if (model.categoryDates.value(c).isValid())
            dated.append(c);
    }
    ChartModel scaled = model;
    if (dated.isEmpty()) {
        scaled.message = QStringLiteral("No date of this chart can be read, so its dates stay as saved.");
        return scaled;
    }
    std::stable_sort(dated.begin(), dated.end(), [&model](qsizetype a, qsizetype b) {
        return model.categoryDates.at(a) < model.categoryDates.at(b);
    });
    const QDate origin = model.categoryDates.at(dated.first());
    scaled.categoryLabels.clear();
    scaled.categoryDates.clear();
    for (QList<std::optional<double>> &row : scaled.values)
        row.clear();
    for (const qsizetype c : std::as_const(dated)) {
        scaled.categoryLabels.append(model.categoryLabels.at(c));
        scaled.categoryDates.append(model.categoryDates.at(c));
        scaled.positions.append(double(origin.daysTo(model.categoryDates.at(c))));
        for (qsizetype s = 0; s < scaled.values.size(); ++s)
            scaled.values[s].append(model.values.at(s).value(c));
    }
    scaled.timeOrigin = origin;
    if (const qsizetype left = model.categoryLabels.size() - dated.size(); left > 0) {
        const QString note = QStringLiteral("%1 saved %2 without a readable date %3 not on the time axis.")
                                 .arg(left)
                                 .arg(left == 1 ? QStringLiteral("point") : QStringLiteral("points"),
                                      left == 1 ? QStringLiteral("is") : QStringLiteral("are"));
        scaled.message = scaled.message.isEmpty() ? note : scaled.message + u' ' + note;
    }
    return scaled;
}

namespace {

enum class Unit
{
    Days,
    Months,
    Years
};

// The ticks of one calendar step between two dates, or none once there would be more than limit of them.
QList<QDate> ticksOf(Unit unit, int step, const QDate &from, const QDate &to, const QDate &origin, int limit)
{
    QList<QDate> ticks;
    QDate tick;
    switch (unit) {
    case Unit::Days: { // counted from the first date, so that it has a tick of its own
        const qint64 after = origin.daysTo(from);
        tick = origin.addDays((after >= 0 ? (after + step - 1) / step : -(-after / step)) * step);
        break;
    }
    case Unit::Months: {
        tick = QDate(from.year(), from.month(), 1);
        if (tick < from)
            tick = tick.addMonths(1);
        while ((tick.month() - 1) % step != 0)
            tick = tick.addMonths(1);
        break;
    }
    case Unit::Years: {
        int year = from.year() + (QDate(from.year(), 1, 1) < from ? 1 : 0);
        year = (year + step - 1) / step * step;
        tick = QDate(year, 1, 1);
        break;
    }
    }
    for (; tick.isValid() && tick <= to; tick = unit == Unit::Days     ? tick.addDays(step)
                                                : unit == Unit::Months ? tick.addMonths(step)
                                                                       : tick.addYears(step)) {
        if (ticks.size() == limit)
            return {};
        ticks.append(tick);
    }
    return ticks;
}

QString tickLabel(Unit unit, const QDate &date)
{
    switch (unit) {
    case Unit::Days:
        return saved::dateKey(date);
    case Unit::Months:
        return QLocale::c().toString(date, QStringLiteral("MMM yyyy"));
    case Unit::Years:
        break;
    }
    return QString::number(date.year());
}

} // namespace

QList<AxisTick> timeTicks(const ChartModel &model, int maxTicks)
{
    if (!model.isTimeScaled() || model.categoryLabels.isEmpty())
        return {};
    const QDate &origin = model.timeOrigin;
    const QDate from = origin.addDays(qint64(std::ceil(model.axisStart())));
    const QDate to = origin.addDays(qint64(std::floor(model.axisEnd())));
    const int limit = std::max(1, maxTicks);
    static const QList<QPair<Unit, int>> steps{
        {Unit::Days, 1},   {Unit::Days, 2},   {Unit::Days, 7},   {Unit::Months, 1},  {Unit::Months, 2},
        {Unit::Months, 3}, {Unit::Months, 6}, {Unit::Years, 1},  {Unit::Years, 2},   {Unit::Years, 5},
        {Unit::Years, 10}, {Unit::Years, 20}, {Unit::Years, 50}, {Unit::Years, 100}, {Unit::Years, 1000}};
    for (const auto &[unit, step] : steps) {
        const QList<QDate> dates = ticksOf(unit, step, from, to, origin, limit);
        if (dates.isEmpty())
            continue; // too many, or (for a long step over a short axis) none
        QList<AxisTick> ticks;
        for (const QDate &date : dates)
            ticks.append({double(origin.daysTo(date)), tickLabel(unit, date)});
        return ticks;
    }
    return {{0, tickLabel(Unit::Days, origin)}}; // the first date at least
}

} // namespace chartData
