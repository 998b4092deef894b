#include "gui/main/DataViewFrame.h"

#include "core/scan/ResultsModel.h"

#include "gui/common/Twips.h"
#include "gui/main/ReportView.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>

using twips::box;

DataViewFrame::DataViewFrame(QWidget *parent)
    : QGroupBox(QStringLiteral("Results - Data View"), parent),
      saveSelected(new QPushButton(QStringLiteral("Save Selected"), this)),
      webResults(new QPushButton(QStringLiteral("Web Results"), this)),
      clearAll(new QPushButton(QStringLiteral("Clear All"), this)), results(new ReportView(this))
{
    setObjectName(QStringLiteral("Frame2"));
    saveSelected->setObjectName(QStringLiteral("Command4"));
    webResults->setObjectName(QStringLiteral("Command12"));
    clearAll->setObjectName(QStringLiteral("Command5"));
    results->setObjectName(QStringLiteral("ListView1"));
    saveSelected->setGeometry(box(120, 240, 1755, 735));
    webResults->setGeometry(box(1920, 240, 1755, 735));
    clearAll->setGeometry(box(3720, 240, 1755, 735));
    results->setGeometry(box(120, 1185, 9000, 6000));
    results->viewport()->installEventFilter(this);
}

bool DataViewFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == results->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            const QModelIndex index = results->indexAt(mouse->position().toPoint());
            const QPoint global = mouse->globalPosition().toPoint();
            if (event->type() == QEvent::MouseButtonPress) {
                // The row under the pointer becomes the selected row; over no row nothing stays selected.
                if (index.isValid()) {
                    results->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                          QItemSelectionModel::Rows);
                } else {
                    results->selectionModel()->clearSelection();
                }
                emit rightPressed(index.isValid() ? index.row() : -1, global);
            } else {
                emit rightReleased(index.isValid() ? index.row() : -1, global);
            }
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void DataViewFrame::showResults(scan::ResultsModel *model)
{
    results->setModel(model);
    auto widths = [this, model] {
        for (int c = 0; c < model->shownColumns(); ++c)
            results->setColumnWidth(c, twips::px(model->columnWidthTwips(c)));
    };
    widths();
    connect(model, &QAbstractItemModel::modelReset, this, widths);
}
