#include "core/scan/WebLogModel.h"

#include <algorithm>
#include <numeric>

namespace scan {

int WebLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int WebLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant WebLogModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    const Row &row = m_rows.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return row.text(index.column());
    if (role == Qt::ToolTipRole)
        return index.column() == 2 && !row.detail.isEmpty() ? row.detail : row.text(index.column());
    return QVariant();
}

QVariant WebLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section <= 2)
        return section == 0   ? QStringLiteral("Webpage Type")
               : section == 1 ? QStringLiteral("URL")
                              : QStringLiteral("Result");
    return QAbstractTableModel::headerData(section, orientation, role);
}

QString WebLogModel::Row::text(int column) const
{
    if (column == 0)
        return type;
    if (column == 1)
        return url;
    return engineRow ? statusText(status) : QString();
}

bool WebLogModel::before(const Row &a, const Row &b) const
{
    const int cmp = QString::compare(a.text(m_sortColumn), b.text(m_sortColumn), Qt::CaseInsensitive);
    return m_order == Qt::AscendingOrder ? cmp < 0 : cmp > 0;
}

void WebLogModel::appendRow(const QString &type, const QString &url, const CellReport &report)
{
    if (!m_keepRows)
        return;
    // A "Home Page" row has no answer of its own; an engine row shows how its engine answered.
    const bool engineRow = type != QLatin1String("Home Page");
    const Row row{type, url, engineRow ? report.detail : QString(), report.status, engineRow};
    qsizetype at = m_rows.size();
    if (m_sorted) {
        at = std::upper_bound(m_rows.cbegin(), m_rows.cend(), row,
                              [this](const Row &a, const Row &b) { return before(a, b); }) -
             m_rows.cbegin();
    }
    beginInsertRows(QModelIndex(), int(at), int(at));
    m_rows.insert(at, row);
    endInsertRows();
}

void WebLogModel::updateResults(
    const std::function<std::optional<CellReport>(const QString &type, const QString &url)> &report)
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        Row &row = m_rows[i];
        if (!row.engineRow)
            continue;
        if (const std::optional<CellReport> now = report(row.type, row.url)) {
            row.status = now->status;
            row.detail = now->detail;
            emit dataChanged(index(int(i), 2), index(int(i), 2));
        }
    }
}

QString WebLogModel::type(int row) const
{
    return (row >= 0 && row < m_rows.size()) ? m_rows.at(row).type : QString();
}

QString WebLogModel::url(int row) const
{
    return (row >= 0 && row < m_rows.size()) ? m_rows.at(row).url : QString();
}

QString WebLogModel::result(int row) const
{
    return (row >= 0 && row < m_rows.size()) ? m_rows.at(row).text(2) : QString();
}

void WebLogModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

bool WebLogModel::EnhListView_SortColumns(int column)
{
    if (m_rows.isEmpty() || column < 0 || column > 2)
        return true;
    m_sorted = true;
    m_sortColumn = column;
    m_order = m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    applySort();
    return true;
}

void WebLogModel::applySort()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    QList<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return before(m_rows.at(a), m_rows.at(b)); });
    QList<Row> sorted;
    QList<int> newPosition(m_rows.size());
    for (qsizetype i = 0; i < order.size(); ++i) {
        sorted.append(std::move(m_rows[order.at(i)]));
        newPosition[order.at(i)] = int(i);
    }
    m_rows = sorted;
    QModelIndexList to;
    for (const QModelIndex &index : from)
        to.append(this->index(newPosition.at(index.row()), index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace scan
