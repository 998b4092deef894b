#pragma once

#include "core/engines/EngineSet.h"
#include "core/scan/CellReport.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <optional>

namespace scan {

// Popularity profile of a results row, also the index of its icon.
enum class Profile : int
{
    None = 0,
    Low = 1,
    Medium = 2,
    High = 3
};

// The profile of a total: low below the low threshold, else high at or above the medium threshold, else
// medium. The low test comes first.
Profile profileOf(qint64 total, qint64 lowThreshold, qint64 mediumThreshold);

// The results table: one row per scanned URL, columns "Domain Name", "Total" and one per engine of its engine
// set (engine n in column n + 1). Cells hold text exactly as the scan wrote it.
class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The table's cells: "Domain Name", "Total", the engines (eight with the six shipped engines).
    int cellColumns() const { return 2 + m_engines.count(); }
    // Shown after them: "Change", the total's difference to the newest save of the row's saved search. It
    // is not a cell: saves, charts and exports keep to the cell columns.
    int changeColumn() const { return cellColumns(); }
    int shownColumns() const { return cellColumns() + 1; }
    int engineCount() const { return m_engines.count(); }
    enum Role
    {
        ProfileRole = Qt::UserRole + 1
    };
    enum SortMode
    {
        TextMode = 0,
        NumberMode = 1
    };

    explicit ResultsModel(QObject *parent = nullptr);
    ResultsModel(const engines::EngineSet &set, QObject *parent = nullptr);

    const engines::EngineSet &engines() const { return m_engines; }
    // Takes another set of engines: each row keeps the cells and reports of the engines that stay (matched
    // by key), new engines' cells are empty, and the totals are left as they are.
    void setEngines(const engines::EngineSet &set);

    QString columnCaption(int column) const; // 0-based
    int columnWidthTwips(int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Column 0 sorts as text, the others as numbers.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Inserts a row whose first cell is url at position (0-based); later rows move down.
    void insertResultRow(int position, const QString &url);
    void setCell(int row, int column, const QString &text);
    QString cell(int row, int column) const;
    // The report of an engine's cell (engine 1..engineCount()): why the cell holds what it holds. Moves with
    // its row.
    void setReport(int row, int engine, const CellReport &report);
    CellReport report(int row, int engine) const;
    // True when the scan wrote reports for the row and none of its engines answered with a count.
    bool hasNoCount(int row) const;
    // True when the scan wrote reports for the row (rows of older kinds of table have none).
    bool rowReported(int row) const;
    // The change since the last save, and what it is measured against (for the tooltip); none clears it.
    void setChange(int row, std::optional<qint64> change, const QString &against = QString());
    std::optional<qint64> change(int row) const;
    // "▲ +1234", "▼ -56", "0", or empty.
    static QString changeText(std::optional<qint64> change);
    // The alerts an update raised for the row ("" for none): the Change column shows them.
    void setAlert(int row, const QString &text);
    QString alert(int row) const;
    void setProfile(int row, Profile profile);
    Profile profile(int row) const;
    // Sets the row's total and profile from the cells that hold a count (a cell whose report has one, or any
    // cell of a count's form in a row without reports). A row in which no engine gave a count has no
    // measurement: its total is empty and its profile None. Returns the total, or nothing for such a row.
    std::optional<qint64> settleRow(int row, qint64 lowThreshold, qint64 mediumThreshold);
    void clear();
    // Room for this many rows in all, so that a long run's rows are not copied as they grow.
    void reserveRows(qsizetype rows) { m_rows.reserve(rows); }

    // Sorts by column (1-based: 1 = "Domain Name"), as text (mode 0) or by the cells' numeric keys (mode 1),
    // stable, ascending or descending. Cell texts stay exactly as they were; selections follow their rows.
    void SortListView(int column, int mode, bool ascending);

    // Whether the last sort still holds; a scan switches it off before it adds rows.
    bool sortedMode() const { return m_sorted; }
    void setSortedMode(bool sorted) { m_sorted = sorted; }

private:
    struct Row
    {
        QList<QString> cells;      // cellColumns() of them
        QList<CellReport> reports; // one per engine
        bool reported = false;
        Profile profile = Profile::None;
        std::optional<qint64> change;
        QString changeAgainst;
        QString alert;
    };
    engines::EngineSet m_engines;
    QList<Row> m_rows;
    bool m_sorted = false;
};

} // namespace scan
