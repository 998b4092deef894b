#pragma once

#include <QGroupBox>

class QPushButton;
class QTreeView;
namespace scan {
class ResultsModel;
}

// Frame2 "Results - Data View": the results table ListView1 and its three buttons. It tells the window what
// the user asks for in signals; its widgets are its own.
class DataViewFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit DataViewFrame(QWidget *parent = nullptr);

    // Shows the model in the table, its columns fitted to the table's width (see fitColumns).
    void showResults(scan::ResultsModel *model);
    // The number columns as wide as their captions and counts need, the first column the rest (at least
    // room for an address); done again whenever the table's size or columns change, until the user sizes a
    // column (or the window restores the widths the user left).
    void fitColumns();
    bool fitsColumns() const { return m_fitColumns; }
    // The header marks the sorted column (0-based; -1: none).
    void showSortArrow(int column, bool ascending);
    // The first column's copy that stays in place while the table scrolls sideways (ListView1Frozen).
    QTreeView *frozenColumn() const { return m_frozen; }
    // The selected row of the table, or -1.
    int selectedRow() const;
    // The table, for the window's layout (its place, size and column widths) only.
    QTreeView *table() const { return m_results; }

signals:
    void saveSelectedRequested(); // "Save Selected"
    void webResultsRequested();   // "Web Results", or a row double-clicked
    void linkingDomainsRequested();
    void clearAllRequested(); // "Clear All"
    // A column header clicked (1-based column, as the table's sort takes it).
    void columnClicked(int column);
    // Right button pressed over the table; row -1 over no row. The selection has already been set.
    void rightPressed(int row, const QPoint &globalPos);
    void rightReleased(int row, const QPoint &globalPos);

private:
    bool eventFilter(QObject *watched, QEvent *event) override;

    QPushButton *m_saveSelected; // Command4
    QPushButton *m_webResults;   // Command12
    QPushButton *m_clearAll;     // Command5
    QPushButton *m_linking;
    QTreeView *m_results; // ListView1
    QTreeView *m_frozen;  // column 0 of the same model and selection, over the table's own
    void placeFrozen();
    void frozenColumnsOnly();
    scan::ResultsModel *m_model = nullptr;
    bool m_fitColumns = true;
    bool m_fitting = false;
};
