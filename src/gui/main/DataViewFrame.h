#pragma once

#include <QGroupBox>

class QPushButton;
class QTreeView;
namespace scan {
class ResultsModel;
}

// Frame2 "Results - Data View": the results table ListView1 and its three buttons.
class DataViewFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit DataViewFrame(QWidget *parent = nullptr);

    QPushButton *saveSelected; // Command4
    QPushButton *webResults;   // Command12
    QPushButton *clearAll;     // Command5
    QTreeView *results;        // ListView1

    // Shows the model in the table, with its column widths, set again whenever its columns change (another
    // set of engines).
    void showResults(scan::ResultsModel *model);

signals:
    // Right button pressed over the table; row -1 over no row. The selection has already been set.
    void rightPressed(int row, const QPoint &globalPos);
    void rightReleased(int row, const QPoint &globalPos);

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
