#include "gui/chart/modPrint.h"

#include "gui/chart/ChartWidget.h"
#include "gui/common/Prompts.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace modPrint {

bool paintOnPage(ChartWidget *chart, QPaintDevice *device, const QRectF &page)
{
    // Laid out as on a screen 1200 pixels wide with the page's proportions, drawn at twice that resolution.
    const QSize layout(1200, int(1200 * page.height() / std::max<qreal>(1, page.width())));
    const QImage picture = chart->toImage(layout, 2);
    QPainter painter(device);
    if (!painter.isActive())
        return false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(page, picture);
    return painter.end();
}

bool exportChart(ChartWidget *chart, const QString &path)
{
    if (path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        QPdfWriter pdf(path);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setResolution(150);
        pdf.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
        pdf.setTitle(chart->chart().title);
        pdf.setCreator(QStringLiteral("Vantory"));
        return paintOnPage(chart, &pdf, QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height()))) &&
               QFileInfo(path).size() > 0;
    }
    const QSize size = chart->size().isEmpty() ? QSize(800, 600) : chart->size();
    return chart->toImage(size).save(path, "PNG");
}

QString exportPath(const QString &typed, const QString &filter)
{
    if (typed.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) ||
        typed.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return typed;
    return typed +
           (filter.contains(QLatin1String("*.png")) ? QStringLiteral(".png") : QStringLiteral(".pdf"));
}

void saveChartAs(ChartWidget *chart, QWidget *parent)
{
    QString filter;
    const QString typed =
        prompts::saveFile(parent, QStringLiteral("Save Chart"), QDir::homePath(),
                          QStringLiteral("PDF document (*.pdf);;PNG picture (*.png)"), &filter);
    if (typed.isEmpty())
        return;
    const QString path = exportPath(typed, filter);
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
                               "PNG file instead?"),
                prompts::Stakes::None))
            saveChartAs(chart, parent);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!paintOnPage(chart, &printer, QRectF(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size())))
        prompts::warning(parent, QStringLiteral("Print"), QStringLiteral("The chart could not be printed."));
}

} // namespace modPrint
