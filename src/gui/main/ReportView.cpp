#include "gui/main/ReportView.h"

#include <QHeaderView>

ReportView::ReportView(QWidget *parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, [this] {
        if (m_behind)
            scheduleDelayedItemsLayout(); // on the next pass; a view hidden meanwhile when it shows
    });
}

void ReportView::doItemsLayout()
{
    m_later.stop();
    m_behind = false;
    m_sinceLayout.start();
    m_laidOut = model() ? model()->rowCount() : 0;
    QTreeView::doItemsLayout();
}

void ReportView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    const bool appended = !parent.isValid() && model() && end == model()->rowCount() - 1;
    const qint64 since = m_sinceLayout.isValid() ? m_sinceLayout.elapsed() : LayoutIntervalMs;
    if (!appended || !isVisible() || since >= LayoutIntervalMs) {
        QTreeView::rowsInserted(parent, start, end);
        return;
    }
    // Shown and laid out a moment ago: the new rows wait for the end of the interval. Until then the view
    // knows the rows it had; any other change lays them out first.
    m_behind = true;
    if (!m_later.isActive())
        m_later.start(int(LayoutIntervalMs - since));
    QAbstractItemView::rowsInserted(parent, start, end);
}

void ReportView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    if (m_behind)
        doItemsLayout();
    QTreeView::rowsAboutToBeRemoved(parent, start, end);
}

void ReportView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                             const QList<int> &roles)
{
    if (topLeft.isValid() && !topLeft.parent().isValid()) {
        if (m_behind && topLeft.row() >= m_laidOut)
            return; // painted with the layout that takes its row in
        // A flat list of rows of one height: the rows on screen are those at its top and bottom edges.
        const QModelIndex first = indexAt(QPoint(1, 1));
        const QModelIndex last = indexAt(QPoint(1, viewport()->height() - 2));
        if (first.isValid() &&
            (bottomRight.row() < first.row() || (last.isValid() && topLeft.row() > last.row())))
            return;
    }
    QTreeView::dataChanged(topLeft, bottomRight, roles);
}
