#pragma once

// The three kinds of chart (one engine's history, "All Engines", the current results) built by the real chart
// builders from a saved search written for the test, at any number of dates and series.
#include "core/saved/ChartData.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsModel.h"

#include "gui/chart/ChartWidget.h"

#include "TestFiles.h"

#include <QTest>

#include <QDate>
#include <QDir>

namespace chartKinds {

// The category left without a value in the first series of a history (a gap), when there are at least three.
inline qsizetype gapIndex(qsizetype dates)
{
    return dates >= 3 ? 1 : -1;
}

// A saved search of the given number of sections ("Engine 1" ...) and daily dates, newest first; the first
// section misses the date at gapIndex().
inline QString writeHistory(const QString &folder, int sections, int dates)
{
    QByteArray text;
    for (int s = 0; s < sections; ++s) {
        text += "[Engine " + QByteArray::number(s + 1) + "]\r\n";
        for (int d = 0; d < dates; ++d) {
            text += saved::dateKey(QDate(2026, 12, 7).addDays(-d)).toLatin1() + '=';
            if (!(s == 0 && d == gapIndex(dates)))
                text += QByteArray::number(1000 * (s + 1) + 7 * d + 3);
            text += "\r\n";
        }
        text += "\r\n";
    }
    const QString file = QDir(folder).filePath(QStringLiteral("history-%1-%2.vty").arg(sections).arg(dates));
    testFiles::write(file, text);
    return file;
}

inline chartData::ChartModel engineHistory(const QString &folder, int dates)
{
    return chartData::engineHistoryChart(writeHistory(folder, 1, dates), QStringLiteral("Engine 1"),
                                         QStringLiteral("one engine"));
}

inline chartData::ChartModel allEngines(const QString &folder, int sections, int dates)
{
    QStringList names;
    for (int s = 0; s < sections; ++s)
        names.append(QStringLiteral("Engine %1").arg(s + 1));
    return chartData::allEnginesChart(writeHistory(folder, sections, dates), names,
                                      QStringLiteral("all engines"));
}

// Rows with long, alike addresses; the first row has no count for Yahoo! (charted as 0).
inline chartData::ChartModel currentResults(int rows)
{
    scan::ResultsModel results;
    for (int r = 0; r < rows; ++r) {
        results.insertResultRow(r, QStringLiteral("http://www.a-rather-long-domain-name-%1.example").arg(r));
        for (int c = 2; c < 8; ++c)
            results.setCell(r, c, r == 0 && c == 4 ? QString() : QString::number(100 * (r + 1) + 17 * c));
    }
    return chartData::currentResultsChart(results);
}

// The largest value of a chart (0 for none).
inline double largestValue(const chartData::ChartModel &model)
{
    double largest = 0;
    for (const auto &row : model.values)
        for (const auto &value : row)
            largest = std::max(largest, value.value_or(0));
    return largest;
}

// The legend shows every series once, in the model's order, each in a colour of its own.
inline void verifyLegend(const ChartWidget &widget, const chartData::ChartModel &model)
{
    const QList<ChartLegend::Entry> legend = widget.legend()->entries();
    QCOMPARE(legend.size(), model.seriesLabels.size());
    QSet<QRgb> colours;
    for (qsizetype i = 0; i < legend.size(); ++i) {
        QCOMPARE(legend.at(i).text, model.seriesLabels.at(i));
        colours.insert(legend.at(i).color.rgb());
    }
    QCOMPARE(colours.size(), model.seriesLabels.size());
    QVERIFY(widget.legend()->isVisible());
}

} // namespace chartKinds
