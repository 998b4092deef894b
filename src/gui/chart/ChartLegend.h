#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>

// The legend of every chart type: one coloured mark and name per series, in rows that wrap to the width. The
// same drawing serves the window, printing and export, so a chart on paper carries the legend it has on
// screen.
class ChartLegend : public QWidget
{
    Q_OBJECT

public:
    struct Entry
    {
        QColor color;
        QString text;
    };

    explicit ChartLegend(QWidget *parent = nullptr);

    void setEntries(const QList<Entry> &entries);
    const QList<Entry> &entries() const { return m_entries; }

    // The height the entries take at a width, and drawing them into a rectangle of that width.
    static int heightFor(const QList<Entry> &entries, const QFont &font, int width);
    static void paint(QPainter *painter, const QRect &rect, const QList<Entry> &entries, const QFont &font,
                      const QColor &text);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QList<Entry> m_entries;
};

// Series colours: ten well-known chart colours, then further hues, all different from each other for at
// least the 50 series a chart can hold.
QColor seriesColor(qsizetype index);
