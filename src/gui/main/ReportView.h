#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>

// A list view in report view, as the results table and the web-result log are: rows selected whole, one at
// a time, headers clickable for sorting, nothing editable.
//
// A scan appends rows one by one, hundreds a second, to lists that may grow to hundreds of thousands of
// rows, and a tree view lays out all its rows again after every insertion and searches all of them for a
// changed row that is not near the last one it painted; so rows appended shortly after a layout are laid out
// together when the interval is over (they show at most that much later), and changes are painted only
// where rows show.
class ReportView : public QTreeView
{
    Q_OBJECT

public:
    static constexpr int LayoutIntervalMs = 50;

    explicit ReportView(QWidget *parent = nullptr);

    void doItemsLayout() override;

protected:
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    QTimer m_later;
    QElapsedTimer m_sinceLayout;
    bool m_behind = false; // rows were appended that are not laid out yet
    int m_laidOut = 0;     // the rows of the last layout
};
