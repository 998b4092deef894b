#include "core/scan/ResultsModel.h"

#include "core/scan/SortKeys.h"

#include <algorithm>
#include <numeric>

namespace scan {

Profile profileOf(qint64 total, qint64 lowThreshold, qint64 mediumThreshold)
{
    if (total < lowThreshold)
        return Profile::Low;
    if (total >= mediumThreshold)
        return Profile::High;
    return Profile::Medium;
}

ResultsModel::ResultsModel(QObject *parent) : ResultsModel(engines::EngineSet::builtin(), parent) {}

ResultsModel::ResultsModel(const engines::EngineSet &set, QObject *parent)
    : QAbstractTableModel(parent), m_engines(set)
{
}

void ResultsModel::setEngines(const engines::EngineSet &set)
{
    const bool sameColumns = set.sameColumns(m_engines);
    if (sameColumns) {
        m_engines = set; // the same columns, perhaps other extraction rules
        return;
    }
    beginResetModel();
    const engines::EngineSet old = m_engines;
    m_engines = set;
    for (Row &row : m_rows) {
        Row moved;
        moved.cells.resize(cellColumns());
        moved.reports.resize(set.count());
        moved.cells[0] = row.cells.value(0);
        moved.cells[1] = row.cells.value(1);
        for (int e = 1; e <= set.count(); ++e) {
            if (const int before = old.numberOfKey(set.at(e).key)) {
                moved.cells[e + 1] = row.cells.value(before + 1);
                moved.reports[e - 1] = row.reports.value(before - 1);
            }
        }
        row.cells = std::move(moved.cells);
        row.reports = std::move(moved.reports);
    }
    endResetModel();
}

QString ResultsModel::columnCaption(int column) const
{
    if (column == 0)
        return QStringLiteral("Domain Name");
    if (column == 1)
        return QStringLiteral("Total");
    if (column == changeColumn())
        return QStringLiteral("Change");
    if (column < 0 || column > changeColumn())
        return QString();
    return m_engines.at(column - 1).header;
}

int ResultsModel::columnWidthTwips(int column) const
{
    return column == 0 ? 4851 : column == changeColumn() ? 1300 : column == cellColumns() - 1 ? 1941 : 1676;
}

int ResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : shownColumns();
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    const Row &row = m_rows.at(index.row());
    if (index.column() == changeColumn()) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return changeText(row.change);
        if (role == Qt::ToolTipRole && !row.alert.isEmpty())
            return row.alert;
        if (role == Qt::ToolTipRole && row.change)
            return row.changeAgainst;
        return QVariant();
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return row.cells.value(index.column());
    if (role == ProfileRole && index.column() == 0)
        return int(row.profile);
    return QVariant();
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < shownColumns())
        return columnCaption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ResultsModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= shownColumns())
        return;
    SortListView(column + 1, column == 0 ? TextMode : NumberMode, order == Qt::AscendingOrder);
}

void ResultsModel::insertResultRow(int position, const QString &url)
{
    position = std::clamp(position, 0, int(m_rows.size()));
    beginInsertRows(QModelIndex(), position, position);
    Row row;
    row.cells.resize(cellColumns());
    row.reports.resize(m_engines.count());
    row.cells[0] = url;
    m_rows.insert(position, row);
    endInsertRows();
}

void ResultsModel::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= cellColumns())
        return;
    m_rows[row].cells[column] = text;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

QString ResultsModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= cellColumns())
        return QString();
    return m_rows.at(row).cells.at(column);
}

void ResultsModel::setReport(int row, int engine, const CellReport &report)
{
    if (row < 0 || row >= m_rows.size() || engine < 1 || engine > m_engines.count())
        return;
    m_rows[row].reports[engine - 1] = report;
    m_rows[row].reported = true;
    const QModelIndex changed = index(row, engine + 1);
    emit dataChanged(changed, changed, {Qt::ToolTipRole, Qt::DecorationRole});
}

CellReport ResultsModel::report(int row, int engine) const
{
    if (row < 0 || row >= m_rows.size() || engine < 1 || engine > m_engines.count())
        return CellReport();
    return m_rows.at(row).reports.at(engine - 1);
}

bool ResultsModel::rowReported(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows.at(row).reported;
}

bool ResultsModel::hasNoCount(int row) const
{
    if (row < 0 || row >= m_rows.size() || !m_rows.at(row).reported)
        return false;
    for (const CellReport &report : m_rows.at(row).reports) {
        if (report.hasCount())
            return false;
    }
    return true;
}

void ResultsModel::setProfile(int row, Profile profile)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].profile = profile;
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed, {ProfileRole, Qt::DecorationRole});
}

std::optional<qint64> ResultsModel::settleRow(int row, qint64 lowThreshold, qint64 mediumThreshold)
{
    if (row < 0 || row >= m_rows.size())
        return std::nullopt;
    const Row &r = m_rows.at(row);
    std::optional<qint64> total;
    for (int engine = 1; engine <= m_engines.count(); ++engine) {
        qint64 value = 0;
        if ((!r.reported || r.reports.at(engine - 1).hasCount()) &&
            isCountText(r.cells.at(engine + 1), &value))
            total = total.value_or(0) + value; // 32 engines of 18 digits stay far inside 64 bits
    }
    setCell(row, 1, total ? QString::number(*total) : QString());
    setProfile(row, total ? profileOf(*total, lowThreshold, mediumThreshold) : Profile::None);
    return total;
}

Profile ResultsModel::profile(int row) const
{
    return (row >= 0 && row < m_rows.size()) ? m_rows.at(row).profile : Profile::None;
}

void ResultsModel::setChange(int row, std::optional<qint64> change, const QString &against)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].change = change;
    m_rows[row].changeAgainst = change ? against : QString();
    const QModelIndex changed = index(row, changeColumn());
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::ToolTipRole});
}

void ResultsModel::setAlert(int row, const QString &text)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows[row].alert = text;
    const QModelIndex changed = index(row, changeColumn());
    emit dataChanged(changed, changed, {Qt::ForegroundRole, Qt::ToolTipRole});
}

QString ResultsModel::alert(int row) const
{
    return (row >= 0 && row < m_rows.size()) ? m_rows.at(row).alert : QString();
}

std::optional<qint64> ResultsModel::change(int row) const
{
    return (row >= 0 && row < m_rows.size()) ? m_rows.at(row).change : std::nullopt;
}

QString ResultsModel::changeText(std::optional<qint64> change)
{
    if (!change)
        return QString();
    if (*change > 0)
        return QStringLiteral("\u25b2 +") + QString::number(*change);
    if (*change < 0)
        return QStringLiteral("\u25bc ") + QString::number(*change);
    return QStringLiteral("0");
}

void ResultsModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void ResultsModel::SortListView(int column, int mode, bool ascending)
{
    if (column < 1 || column > shownColumns())
        return;
    const int c = column - 1;
    const qsizetype n = m_rows.size();
    // The keys the rows are ordered by, computed once per sort: in number mode each cell's number (cells that
    // are no number first, as their empty numeric keys order), otherwise the cells' own texts.
    auto textOf = [this, c](const Row &row) -> QString {
        return c == changeColumn() ? (row.change ? QString::number(*row.change) : QString())
                                   : row.cells.value(c);
    };
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    if (mode == NumberMode) {
        struct Key
        {
            bool number;
            double value;
        };
        std::vector<Key> keys(static_cast<std::size_t>(n));
        for (qsizetype i = 0; i < n; ++i) {
            const Row &row = m_rows.at(i);
            double x = 0;
            const bool number =
                c == changeColumn() ? row.change.has_value() : cellNumber(row.cells.value(c), &x);
            if (c == changeColumn() && number)
                x = double(*row.change);
            keys[std::size_t(i)] = {number, x == 0 ? 0.0 : x};
        }
        std::stable_sort(order.begin(), order.end(), [&keys, ascending](int a, int b) {
            const Key &ka = keys[std::size_t(a)];
            const Key &kb = keys[std::size_t(b)];
            if (ka.number != kb.number)
                return ascending ? kb.number : ka.number;
            return ascending ? ka.value < kb.value : ka.value > kb.value;
        });
    } else {
        QStringList keys;
        keys.reserve(n);
        for (const Row &row : std::as_const(m_rows))
            keys.append(textOf(row));
        std::stable_sort(order.begin(), order.end(), [&keys, ascending](int a, int b) {
            const int cmp = QString::compare(keys.at(a), keys.at(b), Qt::CaseInsensitive);
            return ascending ? cmp < 0 : cmp > 0;
        });
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<Row> sorted;
    sorted.reserve(n);
    std::vector<int> newPosition(static_cast<std::size_t>(n));
    for (qsizetype i = 0; i < n; ++i) {
        sorted.append(std::move(m_rows[order[std::size_t(i)]]));
        newPosition[std::size_t(order[std::size_t(i)])] = int(i);
    }
    m_rows = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from)
        to.append(this->index(newPosition[std::size_t(index.row())], index.column()));
    changePersistentIndexList(from, to);
    m_sorted = true;
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace scan
