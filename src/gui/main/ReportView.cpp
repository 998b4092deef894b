#include "gui/main/ReportView.h"

#include <QHeaderView>
#include <QTreeView>

void setUpReportView(QTreeView *view)
{
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->header()->setSectionsClickable(true);
    view->header()->setSectionsMovable(false);
    view->header()->setStretchLastSection(false);
}
