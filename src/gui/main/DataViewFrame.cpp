#include "gui/main/DataViewFrame.h"

#include "core/scan/ResultsModel.h"

#include "gui/common/Twips.h"
#include "gui/main/ReportView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>

using twips::box;

DataViewFrame::DataViewFrame(QWidget *parent)
    : QGroupBox(QStringLiteral("Results - Data View"), parent),
      m_saveSelected(new QPushButton(QStringLiteral("Save Selected"), this)),
      m_webResults(new QPushButton(QStringLiteral("Web Results"), this)),
      m_clearAll(new QPushButton(QStringLiteral("Clear All"), this)),
      m_linking(new QPushButton(QStringLiteral("Linking Domains"), this)), m_results(new ReportView(this)),
      m_frozen(new ReportView(m_results))
{
    setObjectName(QStringLiteral("Frame2"));
    m_saveSelected->setObjectName(QStringLiteral("Command4"));
    m_webResults->setObjectName(QStringLiteral("Command12"));
    m_clearAll->setObjectName(QStringLiteral("Command5"));
    m_linking->setObjectName(QStringLiteral("cmdLinkingDomains"));
    m_linking->setToolTip(
        QStringLiteral("The domains that link to the selected row's site, from the web graph"));
    m_results->setObjectName(QStringLiteral("ListView1"));
    m_saveSelected->setGeometry(box(120, 240, 1755, 735));
    m_webResults->setGeometry(box(1920, 240, 1755, 735));
    m_clearAll->setGeometry(box(3720, 240, 1755, 735));
    m_linking->setGeometry(box(5520, 240, 1755, 735));
    m_results->setGeometry(box(120, 1185, 9000, 6000));
    m_results->viewport()->installEventFilter(this); // its size (for the columns) and the right button
    connect(m_saveSelected, &QPushButton::clicked, this, &DataViewFrame::saveSelectedRequested);
    connect(m_webResults, &QPushButton::clicked, this, &DataViewFrame::webResultsRequested);
    connect(m_clearAll, &QPushButton::clicked, this, &DataViewFrame::clearAllRequested);
    connect(m_linking, &QPushButton::clicked, this, &DataViewFrame::linkingDomainsRequested);
    connect(m_results, &QTreeView::doubleClicked, this, &DataViewFrame::webResultsRequested);
    connect(m_results->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { emit columnClicked(section + 1); });

    // The first column stays in place when the table scrolls sideways: a view of column 0 only lies over
    // the table's own, sharing its rows' scrolling, its selection and its first column's width.
    m_frozen->setObjectName(QStringLiteral("ListView1Frozen"));
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setFrameShape(QFrame::NoFrame);
    // No border of its own under any style sheet: its rows lie exactly over the table's.
    m_frozen->setProperty("styleExtra", QStringLiteral("border: none; margin: 0"));
    m_frozen->setStyleSheet(QStringLiteral("#ListView1Frozen { border: none; margin: 0 }"));
    // Its header's edge sizes the table's first column, as the edge it covers would.
    connect(m_frozen->header(), &QHeaderView::sectionResized, this, [this](int section, int, int width) {
        if (section == 0 && width != m_results->columnWidth(0) && width < m_results->viewport()->width())
            m_results->setColumnWidth(0, width);
    });
    m_frozen->viewport()->installEventFilter(this);
    connect(m_frozen->header(), &QHeaderView::sectionClicked, this, [this] { emit columnClicked(1); });
    connect(m_frozen, &QTreeView::doubleClicked, this, &DataViewFrame::webResultsRequested);
    connect(m_results->verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, m_results->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_results->header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section == 0)
            placeFrozen();
    });
    connect(m_results->header(), &QHeaderView::geometriesChanged, this, &DataViewFrame::placeFrozen);
}

void DataViewFrame::frozenColumnsOnly()
{
    for (int c = 1; c < m_frozen->header()->count(); ++c)
        m_frozen->setColumnHidden(c, true);
    placeFrozen();
}

void DataViewFrame::placeFrozen()
{
    if (!m_model)
        return;
    const int width = std::min(m_results->columnWidth(0), m_results->viewport()->width());
    m_frozen->setColumnWidth(0, width);
    m_frozen->setGeometry(m_results->frameWidth(), m_results->frameWidth(), width,
                          m_results->header()->height() + m_results->viewport()->height());
    m_frozen->header()->setFixedHeight(m_results->header()->height());
    m_frozen->verticalScrollBar()->setValue(m_results->verticalScrollBar()->value());
}

void DataViewFrame::showSortArrow(int column, bool ascending)
{
    for (QTreeView *view : {m_results, m_frozen}) {
        QHeaderView *header = view->header();
        header->setSortIndicatorShown(column >= 0 && (view == m_results || column == 0));
        if (column >= 0)
            header->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
}

int DataViewFrame::selectedRow() const
{
    const QModelIndexList rows =
        m_results->selectionModel() ? m_results->selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool DataViewFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_results->viewport() && event->type() == QEvent::Resize) {
        if (m_fitColumns)
            fitColumns();
        placeFrozen();
    }
    if ((watched == m_results->viewport() || watched == m_frozen->viewport()) &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            const QTreeView *view = watched == m_frozen->viewport() ? m_frozen : m_results;
            const QModelIndex index = view->indexAt(mouse->position().toPoint());
            const QPoint global = mouse->globalPosition().toPoint();
            if (event->type() == QEvent::MouseButtonPress) {
                // The row under the pointer becomes the selected row; over no row nothing stays selected.
                if (index.isValid()) {
                    m_results->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                            QItemSelectionModel::Rows);
                } else {
                    m_results->selectionModel()->clearSelection();
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
    m_model = model;
    m_results->setModel(model);
    m_frozen->setModel(model);
    m_frozen->setSelectionModel(m_results->selectionModel());
    frozenColumnsOnly();
    connect(model, &QAbstractItemModel::modelReset, this, &DataViewFrame::frozenColumnsOnly);
    connect(model, &QAbstractItemModel::columnsInserted, this, &DataViewFrame::frozenColumnsOnly);
    auto widths = [this, model] {
        if (m_fitColumns) {
            fitColumns();
            return;
        }
        for (int c = 0; c < model->shownColumns(); ++c)
            m_results->setColumnWidth(c, twips::px(model->columnWidthTwips(c)));
    };
    widths();
    connect(model, &QAbstractItemModel::modelReset, this, widths);
    // A column the user sizes (or widths the window restores) stay as they are from then on.
    connect(m_results->header(), &QHeaderView::sectionResized, this, [this] {
        if (!m_fitting)
            m_fitColumns = false;
    });
}

void DataViewFrame::fitColumns()
{
    if (!m_model)
        return;
    const int columns = m_model->shownColumns();
    const QFontMetrics caption(m_results->header()->font());
    const QFontMetrics cell(m_results->font());
    const int count = cell.horizontalAdvance(QStringLiteral("999,999,999")) + 16;
    QList<int> widths(columns, 0);
    int others = 0;
    for (int c = 1; c < columns; ++c) {
        const QString text = m_model->headerData(c, Qt::Horizontal).toString();
        widths[c] = std::max(caption.horizontalAdvance(text) + 32, count); // room for the sort arrow too
        others += widths.at(c);
    }
    const int address = cell.horizontalAdvance(QStringLiteral("http://www.example.com")) + 48;
    widths[0] = std::max(address, m_results->viewport()->width() - others);
    m_fitting = true;
    for (int c = 0; c < columns; ++c)
        m_results->setColumnWidth(c, widths.at(c));
    m_fitting = false;
}
