#include "gui/chart/ChartLegend.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {

constexpr int Mark = 12;      // the colour square
constexpr int MarkGap = 6;    // between the square and its text
constexpr int ColumnGap = 18; // between entries on a row
constexpr int MaxTextWidth = 300;

struct Grid
{
    int columns = 1;
    int columnWidth = 0;
    int rowHeight = 0;
    int rows = 0;
    int left = 0; // the grid is centred
};

Grid gridFor(const QList<ChartLegend::Entry> &entries, const QFont &font, int width)
{
    const QFontMetrics metrics(font);
    Grid grid;
    if (entries.isEmpty())
        return grid;
    int text = 0;
    for (const auto &entry : entries)
        text = std::max(text, metrics.horizontalAdvance(entry.text));
    grid.columnWidth = Mark + MarkGap + std::min(text + 2, MaxTextWidth) + ColumnGap;
    grid.columns =
        int(std::clamp<qsizetype>((width + ColumnGap) / std::max(1, grid.columnWidth), 1, entries.size()));
    grid.columnWidth = std::min(grid.columnWidth, width + ColumnGap);
    grid.rowHeight = std::max(Mark, metrics.height()) + 4;
    grid.rows = int((entries.size() + grid.columns - 1) / grid.columns);
    grid.left = std::max(0, (width + ColumnGap - grid.columns * grid.columnWidth) / 2);
    return grid;
}

QRect entryRect(const Grid &grid, qsizetype index)
{
    const int row = int(index / grid.columns);
    const int column = int(index % grid.columns);
    return QRect(grid.left + column * grid.columnWidth, row * grid.rowHeight, grid.columnWidth - ColumnGap,
                 grid.rowHeight);
}

} // namespace

QColor seriesColor(qsizetype index)
{
    static const QList<QColor> known{QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                                     QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                     QColor(0x94, 0x67, 0xbd), QColor(0x17, 0xbe, 0xcf),
                                     QColor(0x8c, 0x56, 0x4b), QColor(0xe3, 0x77, 0xc2),
                                     QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22)};
    if (index < known.size())
        return known.at(index);
    // Further colours step round the hue circle by the golden angle, in three shades.
    const qsizetype n = index - known.size();
    const int hue = int((n * 137 + 20) % 360);
    const int shade = int(n % 3);
    return QColor::fromHsv(hue, 255 - shade * 60, 150 + shade * 45);
}

ChartLegend::ChartLegend(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MSChart1Legend"));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ChartLegend::setEntries(const QList<Entry> &entries)
{
    m_entries = entries;
    updateGeometry();
    update();
}

int ChartLegend::heightFor(const QList<Entry> &entries, const QFont &font, int width)
{
    const Grid grid = gridFor(entries, font, width);
    return grid.rows * grid.rowHeight;
}

void ChartLegend::paint(QPainter *painter, const QRect &rect, const QList<Entry> &entries, const QFont &font,
                        const QColor &text)
{
    const Grid grid = gridFor(entries, font, rect.width());
    const QFontMetrics metrics(font);
    painter->save();
    painter->setFont(font);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QRect cell = entryRect(grid, i).translated(rect.topLeft());
        const QRect mark(cell.left(), cell.center().y() - Mark / 2, Mark, Mark);
        painter->fillRect(mark, entries.at(i).color);
        painter->setPen(text);
        const QRect label = cell.adjusted(Mark + MarkGap, 0, 0, 0);
        // Long names lose their middle, where addresses are most alike, not their end.
        painter->drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                          metrics.elidedText(entries.at(i).text, Qt::ElideMiddle, label.width()));
    }
    painter->restore();
}

int ChartLegend::heightForWidth(int width) const
{
    return heightFor(m_entries, font(), width);
}

QSize ChartLegend::sizeHint() const
{
    return QSize(200, heightForWidth(std::max(width(), 200)));
}

void ChartLegend::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(&painter, rect(), m_entries, font(), palette().color(QPalette::WindowText));
}

bool ChartLegend::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const Grid grid = gridFor(m_entries, font(), width());
        for (qsizetype i = 0; i < m_entries.size(); ++i) {
            if (entryRect(grid, i).contains(help->pos())) {
                QToolTip::showText(help->globalPos(), m_entries.at(i).text, this);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}
