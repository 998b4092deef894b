#pragma once

#include "core/scan/CellReport.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace scan {

// The web-result log: one "Home Page" row and one row per engine for every scanned URL, columns
// "Webpage Type" and "URL" (the target URL, never the query URL), and "Result": how the engine answered.
class WebLogModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A log nobody reads (the command line's) keeps no rows.
    void setKeepRows(bool keep) { m_keepRows = keep; }
    bool keepsRows() const { return m_keepRows; }
    // Room for this many rows in all, so that a long run's rows are not copied as they grow.
    void reserveRows(qsizetype rows) { m_rows.reserve(rows); }
    // Appends a row; once the log has been sorted, rows go to their place in that order.
    void appendRow(const QString &type, const QString &url, const CellReport &report = CellReport());
    QString type(int row) const;
    QString url(int row) const;
    // The third column "Result": the status of the engine's answer in words ("" for a "Home Page" row).
    QString result(int row) const;
    void clear();
    // Gives engine rows a new result: report(type, url) returns the new report, or none to keep the row.
    void updateResults(
        const std::function<std::optional<CellReport>(const QString &type, const QString &url)> &report);

    // A click on a column header: sorts by that column (0-based) in the order opposite to the log's current
    // one. The order is one setting of the whole log, ascending at first, so the first click sorts
    // descending. An empty log is left as it is. Returns true.
    bool EnhListView_SortColumns(int column);

    bool sortedMode() const { return m_sorted; }
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_order; }

private:
    // One row: its texts shared with the scan's own (type, URL, detail), the result as its status.
    struct Row
    {
        QString type;
        QString url;
        QString detail;
        CellStatus status = CellStatus::NotAsked;
        bool engineRow = false;
        QString text(int column) const;
    };
    bool before(const Row &a, const Row &b) const;
    void applySort();

    QList<Row> m_rows;
    bool m_sorted = false;
    bool m_keepRows = true;
    int m_sortColumn = 0;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

} // namespace scan
