#pragma once

#include <QString>

class ChartWidget;
class QWidget;

// Printing and exporting the chart.
namespace modPrint {

// Writes the chart to a file: PDF for a name ending in ".pdf" (one page, the chart at page size), otherwise a
// PNG picture. False when the file cannot be written.
bool exportChart(ChartWidget *chart, const QString &path);

// Prints the chart at page size through the print dialog. Where no printer is installed it says so and offers
// to save the chart as PDF or PNG instead.
void printChart(ChartWidget *chart, QWidget *parent);

// Asks for a file name and exports the chart there.
void saveChartAs(ChartWidget *chart, QWidget *parent);

} // namespace modPrint
