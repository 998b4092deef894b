#pragma once

#include <QString>

class ChartWidget;
class QPaintDevice;
class QRectF;
class QWidget;

// Printing and exporting the chart.
namespace modPrint {

// Writes the chart to a file: PDF for a name ending in ".pdf" (one landscape A4 page, the chart filling it
// within the margins, with its title and legend), otherwise a PNG picture of the chart at its size on screen.
// False when the file cannot be written.
bool exportChart(ChartWidget *chart, const QString &path);

// Prints the chart at page size through the print dialog. Where no printer is installed it says so and offers
// to save the chart as PDF or PNG instead.
void printChart(ChartWidget *chart, QWidget *parent);

// Draws the chart laid out for the page rectangle of a device (a printer's printable area, a PDF page within
// its margins): title, chart and legend fill it. False when the device cannot be painted on.
bool paintOnPage(ChartWidget *chart, QPaintDevice *device, const QRectF &page);

// The file a name typed into the save dialog stands for: the name as typed when it ends in ".pdf" or ".png",
// else the name with the extension of the filter left selected ("*.pdf" or "*.png").
QString exportPath(const QString &typed, const QString &filter);

// Asks for a file name and exports the chart there.
void saveChartAs(ChartWidget *chart, QWidget *parent);

} // namespace modPrint
