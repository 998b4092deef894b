#include "ui/modPrint.h"

#include "ui/ChartWidget.h"
#include "ui/Prompts.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace modPrint {

namespace {

void paintOnPage(ChartWidget *chart, QPaintDevice *device, const QRectF &page)
{
    QPainter painter(device);
    // The chart at page size, drawn from a picture of its own aspect so that text keeps its proportions.
    const QSize size = chart->size().isEmpty() ? QSize(800, 600) : chart->size();
    const QSizeF fitted = QSizeF(size).scaled(page.size(), Qt::KeepAspectRatio);
    const QImage picture = chart->toImage(size * 2);
    painter.drawImage(QRectF(page.topLeft(), fitted), picture);
}

} // namespace

bool exportChart(ChartWidget *chart, const QString &path)
{
    if (path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        QPdfWriter pdf(path);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setResolution(150);
        pdf.setTitle(chart->chart().title);
        paintOnPage(chart, &pdf, QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height())));
        return QFileInfo(path).size() > 0;
    }
    const QSize size = chart->size().isEmpty() ? QSize(800, 600) : chart->size();
    return chart->toImage(size).save(path, "PNG");
}

void saveChartAs(ChartWidget *chart, QWidget *parent)
{
    QString path = prompts::saveFile(parent, QStringLiteral("Save Chart"), QDir::homePath(),
                                     QStringLiteral("PDF document (*.pdf);;PNG picture (*.png)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) &&
        !path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    if (!exportChart(chart, path))
        prompts::warning(
            parent, QStringLiteral("Save Chart"),
            QStringLiteral("The chart could not be saved to %1.").arg(QDir::toNativeSeparators(path)));
}

void printChart(ChartWidget *chart, QWidget *parent)
{
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        if (prompts::askYesNo(
                parent, QStringLiteral("Print"),
                QStringLiteral("No printer is installed. Do you want to save the chart as a PDF or "
                               "PNG file instead?")))
            saveChartAs(chart, parent);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    paintOnPage(chart, &printer, QRectF(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size()));
}

} // namespace modPrint
