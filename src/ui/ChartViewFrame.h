#pragma once

#include <QGroupBox>

class ChartWidget;
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

    QPushButton *loadData;    // Command7
    QPushButton *print;       // Command14
    QPushButton *exportChart; // cmdExport: "Save as PDF/PNG"
    QLabel *searchLabel;      // lblChartSearch
    QLabel *typeLabel;        // lblChartType
    QComboBox *engineBox;     // cmbChart1
    QComboBox *typeBox;       // cmbChart2
    QLabel *hint;             // Label1
    QPushButton *focusButton; // cmdFocus
    ChartWidget *chart;       // MSChart1
};
