#pragma once

#include <QGroupBox>
#include <QString>

namespace chartData {
struct ChartModel;
}
namespace scan {
class ResultsModel;
}

class ChartWidget;
class QAction;
class QComboBox;
class QLabel;
class QPushButton;

// Frame3 "Results - Chart View": "Load Data", "Print", the engine and chart-type boxes, the rotation hint
// Label1, the focus button cmdFocus and the chart area MSChart1.
class ChartViewFrame : public QGroupBox
{
    Q_OBJECT

public:
    explicit ChartViewFrame(QWidget *parent = nullptr);

    // The eight chart types, in the order of their index.
    static QStringList chartTypes();

    // A saved search to chart: its engine sections into the engine box, then "All Engines". An empty file
    // (one that may not be read) lists no section.
    void listSavedSearch(const QString &file, const QString &title);
    // Draws the engine box's choice from the saved search listed; the model drawn, whose message is for the
    // status bar. singleDate (when given) tells whether a drawn series has one date only.
    chartData::ChartModel drawChoice(bool *singleDate = nullptr);
    // Draws in chart type index from now on, with the rotation hint for the 3D types; false (nothing changes)
    // for an index that is no type.
    bool showChartType(int index);
    // Draws the current results, one series per URL.
    void drawCurrentResults(const scan::ResultsModel &results);
    // True while the chart is the current results' (not the example, not a saved search).
    bool showsCurrentResults() const { return m_current; }

    // Chooses chart type index as the user would (chartTypeChosen follows when it changes).
    void chooseChartType(int index);
    // The 3D hint is drawn as a plain label, not as a skin label.
    void keepHintPlain();
    // The chart, for printing and saving it as a file only.
    ChartWidget *chart() const { return m_chart; }
    // History charts with the oldest date on the left, dates spaced by their distance (the context menu's
    // "Time runs left to right").
    void setTimeLeftToRight(bool on);
    QAction *timeAction() const { return m_timeAction; }

signals:
    void loadDataRequested(); // "Load Data"
    void printRequested();    // "Print"
    void exportRequested();   // "Save as PDF/PNG"
    void chartTypeChosen(int index);
    void engineChosen();                 // an engine (or "All Engines") chosen in the engine box
    void timeLeftToRightChosen(bool on); // the context menu's "Time runs left to right" toggled

private:
    QPushButton *m_loadData;    // Command7
    QPushButton *m_print;       // Command14
    QPushButton *m_exportChart; // cmdExport: "Save as PDF/PNG"
    QLabel *m_searchLabel;      // lblChartSearch
    QLabel *m_typeLabel;        // lblChartType
    QComboBox *m_engineBox;     // cmbChart1
    QComboBox *m_typeBox;       // cmbChart2
    QLabel *m_hint;             // Label1
    QPushButton *m_focusButton; // cmdFocus
    ChartWidget *m_chart;       // MSChart1
    QAction *m_timeAction;      // mnuChartTime

    QString m_file;  // the saved search charted
    QString m_title; // its name
    bool m_current = false;
};
