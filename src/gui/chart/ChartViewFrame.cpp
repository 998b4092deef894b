#include "gui/chart/ChartViewFrame.h"

#include "core/saved/ChartData.h"
#include "core/saved/SearchFile.h"
#include "gui/chart/ChartWidget.h"
#include "gui/common/Twips.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>

using twips::box;

QStringList ChartViewFrame::chartTypes()
{
    return {QStringLiteral("3D Bar Chart"),  QStringLiteral("2D Bar Chart"),  QStringLiteral("3d Line Graph"),
            QStringLiteral("2D Line Graph"), QStringLiteral("3D Area Chart"), QStringLiteral("2D Area Chart"),
            QStringLiteral("3D Step Chart"), QStringLiteral("2D Step Chart")};
}

ChartViewFrame::ChartViewFrame(QWidget *parent)
    : QGroupBox(QStringLiteral("Results - Chart View"), parent),
      m_loadData(new QPushButton(QStringLiteral("Load Data"), this)),
      m_print(new QPushButton(QStringLiteral("Print"), this)),
      m_exportChart(new QPushButton(QStringLiteral("Save as PDF/PNG"), this)),
      m_searchLabel(new QLabel(QStringLiteral("Search Engine:"), this)),
      m_typeLabel(new QLabel(QStringLiteral("Chart Type:"), this)), m_engineBox(new QComboBox(this)),
      m_typeBox(new QComboBox(this)), m_hint(new QLabel(this)), m_focusButton(new QPushButton(this)),
      m_chart(new ChartWidget(this))
{
    setObjectName(QStringLiteral("Frame3"));
    m_loadData->setObjectName(QStringLiteral("Command7"));
    m_print->setObjectName(QStringLiteral("Command14"));
    m_exportChart->setObjectName(QStringLiteral("cmdExport"));
    m_searchLabel->setObjectName(QStringLiteral("lblChartSearch"));
    m_typeLabel->setObjectName(QStringLiteral("lblChartType"));
    m_engineBox->setObjectName(QStringLiteral("cmbChart1"));
    m_typeBox->setObjectName(QStringLiteral("cmbChart2"));
    m_hint->setObjectName(QStringLiteral("Label1"));
    m_focusButton->setObjectName(QStringLiteral("cmdFocus"));
    m_loadData->setGeometry(box(180, 300, 1215, 735));
    m_print->setGeometry(box(1440, 300, 1215, 735));
    m_exportChart->setGeometry(box(7140, 300, 2000, 735));
    m_searchLabel->setGeometry(box(2760, 360, 1575, 255));
    m_typeLabel->setGeometry(box(2760, 720, 1155, 255));
    m_engineBox->setGeometry(box(4320, 300, 2655, 315));
    m_typeBox->setGeometry(box(4320, 660, 2655, 315));
    m_hint->setGeometry(box(240, 1080, 7095, 255));
    m_chart->setGeometry(box(180, 1380, 9000, 6000));
    // It only holds the keyboard's focus for the chart: nothing of it is drawn.
    m_focusButton->setGeometry(QRect(box(360, 1380, 375, 255).topLeft(), QSize(0, 0)));
    m_focusButton->setFlat(true);
    m_focusButton->setAccessibleName(QStringLiteral("Chart"));
    m_focusButton->lower();
    m_typeBox->addItems(chartTypes());
    m_engineBox->setEnabled(false);
    connect(m_loadData, &QPushButton::clicked, this, &ChartViewFrame::loadDataRequested);
    connect(m_print, &QPushButton::clicked, this, &ChartViewFrame::printRequested);
    connect(m_exportChart, &QPushButton::clicked, this, &ChartViewFrame::exportRequested);
    connect(m_typeBox, &QComboBox::currentIndexChanged, this, &ChartViewFrame::chartTypeChosen);
    connect(m_engineBox, &QComboBox::activated, this, &ChartViewFrame::engineChosen);
    // A click into the chart takes the focus off the boxes, so that the keyboard turns a 3D chart.
    connect(m_chart, &ChartWidget::activated, m_focusButton, [this] { m_focusButton->setFocus(); });
    // The context menu of the whole frame, the chart included.
    m_timeAction = new QAction(QStringLiteral("&Time runs left to right"), this);
    m_timeAction->setObjectName(QStringLiteral("mnuChartTime"));
    m_timeAction->setCheckable(true);
    m_timeAction->setStatusTip(QStringLiteral(
        "History charts put the oldest date on the left and space the dates by the time between them."));
    connect(m_timeAction, &QAction::toggled, this, [this](bool on) {
        m_chart->setTimeLeftToRight(on);
        emit timeLeftToRightChosen(on);
    });
    setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(m_timeAction);
    connect(m_chart, &ChartWidget::contextMenuAsked, this, [this](const QPoint &global) {
        QMenu menu(this);
        menu.addActions(actions());
        menu.exec(global);
    });
}

void ChartViewFrame::setTimeLeftToRight(bool on)
{
    const QSignalBlocker quiet(m_timeAction);
    m_timeAction->setChecked(on);
    m_chart->setTimeLeftToRight(on);
}

void ChartViewFrame::chooseChartType(int index)
{
    m_typeBox->setCurrentIndex(index);
}

void ChartViewFrame::keepHintPlain()
{
    m_hint->setProperty("skinLabel", QStringLiteral("false"));
}

void ChartViewFrame::listSavedSearch(const QString &file, const QString &title)
{
    m_file = file;
    m_title = title;
    m_current = false;
    m_chart->setChartType(m_typeBox->currentIndex());
    saved::SearchFile search;
    if (!file.isEmpty())
        search.load(file);
    const QStringList sections = search.sectionNames();
    m_engineBox->clear();
    m_engineBox->addItems(sections);
    m_engineBox->addItem(QStringLiteral("All Engines"));
    m_engineBox->setEnabled(true);
    m_engineBox->setCurrentIndex(0);
}

chartData::ChartModel ChartViewFrame::drawChoice(bool *singleDate)
{
    QStringList sections;
    for (int i = 0; i < m_engineBox->count() - 1; ++i)
        sections.append(m_engineBox->itemText(i));
    chartData::ChartModel model;
    const QString choice = m_engineBox->currentText();
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
    m_chart->setChart(model);
    return m_chart->drawnChart(); // its message also says what a time axis left out
}

void ChartViewFrame::drawCurrentResults(const scan::ResultsModel &results)
{
    m_chart->setChartType(m_typeBox->currentIndex());
    m_engineBox->clear();
    m_engineBox->setEnabled(false);
    m_chart->setChart(chartData::currentResultsChart(results));
    m_current = true;
}

bool ChartViewFrame::showChartType(int index)
{
    if (index < 0 || index >= m_typeBox->count())
        return false;
    m_chart->setChartType(index);
    const bool threeD = m_typeBox->itemText(index).contains(QLatin1String("3D"), Qt::CaseInsensitive);
    m_hint->setText(threeD ? QStringLiteral("Control Key + Drag to rotate.") : QString());
    return true;
}
