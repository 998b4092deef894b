#include "gui/chart/ChartViewFrame.h"

#include "core/ini/modINI.h"
#include "core/saved/ChartData.h"
#include "gui/chart/ChartWidget.h"
#include "gui/common/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

using twips::box;

QStringList ChartViewFrame::chartTypes()
{
    return {QStringLiteral("3D Bar Chart"),  QStringLiteral("2D Bar Chart"),  QStringLiteral("3d Line Graph"),
            QStringLiteral("2D Line Graph"), QStringLiteral("3D Area Chart"), QStringLiteral("2D Area Chart"),
            QStringLiteral("3D Step Chart"), QStringLiteral("2D Step Chart")};
}

ChartViewFrame::ChartViewFrame(QWidget *parent)
    : QGroupBox(QStringLiteral("Results - Chart View"), parent),
      loadData(new QPushButton(QStringLiteral("Load Data"), this)),
      print(new QPushButton(QStringLiteral("Print"), this)),
      exportChart(new QPushButton(QStringLiteral("Save as PDF/PNG"), this)),
      searchLabel(new QLabel(QStringLiteral("Search Engine:"), this)),
      typeLabel(new QLabel(QStringLiteral("Chart Type:"), this)), engineBox(new QComboBox(this)),
      typeBox(new QComboBox(this)), hint(new QLabel(this)), focusButton(new QPushButton(this)),
      chart(new ChartWidget(this))
{
    setObjectName(QStringLiteral("Frame3"));
    loadData->setObjectName(QStringLiteral("Command7"));
    print->setObjectName(QStringLiteral("Command14"));
    exportChart->setObjectName(QStringLiteral("cmdExport"));
    searchLabel->setObjectName(QStringLiteral("lblChartSearch"));
    typeLabel->setObjectName(QStringLiteral("lblChartType"));
    engineBox->setObjectName(QStringLiteral("cmbChart1"));
    typeBox->setObjectName(QStringLiteral("cmbChart2"));
    hint->setObjectName(QStringLiteral("Label1"));
    focusButton->setObjectName(QStringLiteral("cmdFocus"));
    loadData->setGeometry(box(180, 300, 1215, 735));
    print->setGeometry(box(1440, 300, 1215, 735));
    exportChart->setGeometry(box(7140, 300, 2000, 735));
    searchLabel->setGeometry(box(2760, 360, 1575, 255));
    typeLabel->setGeometry(box(2760, 720, 1155, 255));
    engineBox->setGeometry(box(4320, 300, 2655, 315));
    typeBox->setGeometry(box(4320, 660, 2655, 315));
    hint->setGeometry(box(240, 1080, 7095, 255));
    chart->setGeometry(box(180, 1380, 9000, 6000));
    focusButton->setGeometry(box(360, 1380, 375, 255));
    focusButton->setFlat(true);
    focusButton->lower();
    typeBox->addItems(chartTypes());
    engineBox->setEnabled(false);
}

void ChartViewFrame::listSavedSearch(const QString &file, const QString &title)
{
    m_file = file;
    m_title = title;
    chart->setChartType(typeBox->currentIndex());
    QStringList sections;
    if (!file.isEmpty())
        modINI::GetINISections(sections, file);
    engineBox->clear();
    engineBox->addItems(sections);
    engineBox->addItem(QStringLiteral("All Engines"));
    engineBox->setEnabled(true);
    engineBox->setCurrentIndex(0);
}

chartData::ChartModel ChartViewFrame::drawChoice(bool *singleDate)
{
    QStringList sections;
    for (int i = 0; i < engineBox->count() - 1; ++i)
        sections.append(engineBox->itemText(i));
    chartData::ChartModel model;
    const QString choice = engineBox->currentText();
    const bool all = choice == QLatin1String("All Engines");
    model = all ? chartData::allEnginesChart(m_file, sections, m_title)
                : chartData::engineHistoryChart(m_file, choice, m_title);
    if (sections.isEmpty()) {
        model = chartData::ChartModel();
        model.title = m_title;
        model.message = QStringLiteral("This saved search holds no engine sections to chart.");
    }
    if (singleDate)
        *singleDate = chartData::hasSingleDateSeries(m_file, all ? sections : QStringList{choice});
    chart->setChart(model);
    return model;
}

void ChartViewFrame::drawCurrentResults(const scan::ResultsModel &results)
{
    chart->setChartType(typeBox->currentIndex());
    engineBox->clear();
    engineBox->setEnabled(false);
    chart->setChart(chartData::currentResultsChart(results));
}

bool ChartViewFrame::showChartType(int index)
{
    if (index < 0 || index >= typeBox->count())
        return false;
    chart->setChartType(index);
    const bool threeD = typeBox->itemText(index).contains(QLatin1String("3D"), Qt::CaseInsensitive);
    hint->setText(threeD ? QStringLiteral("Control Key + Drag to rotate.") : QString());
    return true;
}
