#include "gui/main/Form1.h"

#include "core/ini/UserSettings.h"
#include "core/program/ProductIdentity.h"
#include "core/program/ProgramEnd.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/ChartData.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"
#include "core/webgraph/ReleaseCatalog.h"
#include "gui/chart/ChartViewFrame.h"
#include "gui/chart/ChartWidget.h"
#include "gui/chart/modPrint.h"
#include "gui/common/Mnemonics.h"
#include "gui/common/Prompts.h"
#include "gui/common/ScreenFit.h"
#include "gui/common/Twips.h"
#include "gui/dialogs/EnginesPage.h"
#include "gui/dialogs/Form2.h"
#include "gui/dialogs/Form4.h"
#include "gui/dialogs/frmAbout.h"
#include "gui/help/Form8.h"
#include "gui/main/DataViewFrame.h"
#include "gui/main/EngineActions.h"
#include "gui/main/MainLayout.h"
#include "gui/main/MainStatusBar.h"
#include "gui/main/ResultsActions.h"
#include "gui/main/ResultsTableModel.h"
#include "gui/main/StatusPanel.h"
#include "gui/main/TabStrip.h"
#include "gui/main/ToolStrip.h"
#include "gui/main/UpdateActions.h"
#include "gui/main/UrlPanel.h"
#include "gui/skin/SkinLabel.h"
#include "gui/skin/modSkin.h"
#include "gui/web/WebLogActions.h"
#include "gui/web/WebsiteViewFrame.h"
#include "gui/web/frmWebsite.h"
#include "gui/webgraph/frmLinkingDomains.h"
#include "gui/webgraph/frmWebGraph.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QWebEngineView>

using twips::px;

Form1::Form1(QWidget *parent)
    : QMainWindow(parent), m_client(new QWidget(this)), m_toolStrip(new ToolStrip(m_client)),
      m_urls(new UrlPanel(m_client)), m_tabs(new TabStrip(m_client)), m_data(new DataViewFrame(m_client)),
      m_chart(new ChartViewFrame(m_client)), m_web(new WebsiteViewFrame(m_client)),
      m_status(new MainStatusBar(this)), m_progress(new QProgressBar(m_status)),
      m_results(new ResultsTableModel(engines::EngineSet::current(), this)),
      m_log(new scan::WebLogModel(this)), m_run(new scan::ScanRun(m_results, m_log, this)),
      m_updates(new UpdateController(m_results, m_run, this))
{
    setObjectName(QStringLiteral("Form1"));
    screenFit::install(); // this window and every other one opens inside the screen
    m_client->setObjectName(QStringLiteral("Form1Client"));
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    setCentralWidget(m_client);
    setStatusBar(m_status);
    m_client->installEventFilter(this);

    m_urls->setGeometry(px(60), px(1095), px(3495), px(6000));
    m_tabs->move(px(3600), px(1095));
    m_chart->hide();
    m_web->hide();

    m_data->showResults(m_results);
    m_web->showLog(m_log);

    m_panels = m_status->panels();
    m_panels[1]->installEventFilter(this);
    buildMenus();
    mainLayout::applyFonts(this, m_status);

    connect(m_toolStrip, &ToolStrip::startRequested, this, &Form1::Command1_Click);
    connect(m_toolStrip, &ToolStrip::stopRequested, this, &Form1::Command2_Click);
    connect(m_toolStrip, &ToolStrip::optionsRequested, this, &Form1::Command6_Click);
    connect(m_toolStrip, &ToolStrip::visitRequested, this, &Form1::Command3_Click);
    connect(m_toolStrip, &ToolStrip::webGraphRequested, this, &Form1::mnuWebGraph_Click);
    connect(m_data, &DataViewFrame::saveSelectedRequested, this, &Form1::Command4_Click);
    connect(m_data, &DataViewFrame::webResultsRequested, this, &Form1::Command12_Click);
    connect(m_data, &DataViewFrame::clearAllRequested, this, &Form1::Command5_Click);
    connect(m_data, &DataViewFrame::linkingDomainsRequested, this, &Form1::mnuLinkingDomains_Click);
    connect(m_data, &DataViewFrame::columnClicked, this, &Form1::ListView1_ColumnClick);
    connect(m_web, &WebsiteViewFrame::logColumnClicked, this, &Form1::ListView2_ColumnClick);
    connect(m_data, &DataViewFrame::rightReleased, this, [this](int row, const QPoint &pos) {
        if (row < 0)
            return;
        m_mnuSaveResults->setText(QStringLiteral("&Save Result For ") +
                                  QString(m_results->cell(row, 0)).replace(u'&', QStringLiteral("&&")));
        m_listViewMenu->popup(pos);
    });
    connect(m_urls, &UrlPanel::loaded, this, [this](const QString &text) {
        if (!isScanning())
            m_panels[0]->setStatusText(text);
    });
    connect(m_chart, &ChartViewFrame::loadDataRequested, this, &Form1::Command7_Click);
    connect(m_chart, &ChartViewFrame::chartTypeChosen, this, &Form1::cmbChart2_Click);
    connect(m_chart, &ChartViewFrame::timeLeftToRightChosen, this, [this](bool on) {
        if (!UserSettings::setValue(UserSettings::ChartTime, on ? QStringLiteral("1") : QStringLiteral("0")))
            prompts::warning(this, QStringLiteral("Chart View"),
                             QStringLiteral("The chart option could not be kept for the next start: %1.")
                                 .arg(UserSettings::lastWriteError()));
    });
    connect(m_chart, &ChartViewFrame::engineChosen, this, &Form1::cmbChart1_Click);
    connect(m_chart, &ChartViewFrame::printRequested, this, &Form1::Command14_Click);
    connect(m_chart, &ChartViewFrame::exportRequested, this, &Form1::cmdExport_Click);
    connect(this, &Form1::currentResultsChartRequested, this, &Form1::doChart2);
    connect(m_tabs, &TabStrip::tabClicked, this, &Form1::TabStrip1_Click);
    connect(m_web, &WebsiteViewFrame::goRequested, this, &Form1::Command10_Click);
    connect(m_web, &WebsiteViewFrame::logRowChosen, this, &Form1::ListView2_Click);
    connect(m_web, &WebsiteViewFrame::linkHovered, this, &Form1::browserLinkHovered);
    connect(m_web, &WebsiteViewFrame::loadStarted, this,
            [this](const QString &url) { m_panels[1]->setStatusText(QStringLiteral("Opening ") + url); });
    connect(m_web, &WebsiteViewFrame::loadFinished, this, [this] {
        m_panels[1]->setStatusText(m_keptNote);
        m_keptNote.clear();
    });
    // The log's popup menu: the page a row's count was cut from, as fetched.
    connect(m_web, &WebsiteViewFrame::logMenuRequested, this, [this](int row, const QPoint &at) {
        m_mnuShowFetchedPage->setEnabled(webLogActions::keptPage(*m_log, *m_run, row) != nullptr);
        m_logMenu->popup(at);
    });

    connect(m_run, &scan::ScanRun::started, m_progress, &QProgressBar::setMaximum);
    connect(m_run, &scan::ScanRun::progressChanged, m_progress, &QProgressBar::setValue);
    connect(m_run, &scan::ScanRun::statusChanged, this, [this](const QString &text) {
        m_lastStatus = text;
        // A pending stop shows until the run has ended.
        m_panels[0]->setStatusText(m_run->stopRequested() ? QStringLiteral("Stopping...") : text);
    });
    connect(m_run, &scan::ScanRun::stopped, this, &Form1::stopped);
    connect(m_run, &scan::ScanRun::completed, this, [this] {
        m_progress->hide();
        setRunning(false);
        m_panels[0]->setStatusText(m_lastStatus); // the completion message, also after a late stop
        // What each engine answered: the Scan Report, and the tooltip of the completion message.
        m_scanReport = m_run->summaryLines().join(u'\n');
        m_panels[0]->setToolTip(m_scanReport);
        for (int row = 0; row < m_results->rowCount(); ++row)
            resultsActions::updateChange(*m_results, row); // against the newest save of the URL's search
        if (UserSettings::autoSort())
            showSortArrow(1, false); // sorted by total, largest first
    });
    connect(m_run, &scan::ScanRun::chartRequested, this, &Form1::currentResultsChartRequested);
    connect(m_updates, &UpdateController::reported, this, [this](const QString &lines) {
        m_scanReport += u'\n' + lines;
        m_panels[0]->setToolTip(m_scanReport);
    });

    // The window's load.
    setWindowTitle(productIdentity::productName() + QStringLiteral(" by ") + productIdentity::companyName());
    m_toolStrip->setWebsite(productIdentity::website());
    m_mnuStop->setEnabled(false);
    PlaceProgressBar();
    m_progress->hide();
    m_panels[0]->setStatusText(QString());
    if (modSkin::skinSwitch()) {
        // The skin, then the skinned twins of the Website View's and the Chart View's labels, then the skin
        // again for the new labels.
        m_toolStrip->setProperty("controlKind", QStringLiteral("PictureBox"));
        m_chart->keepHintPlain();
        modSkin::ApplySkin(this);
        new SkinLabel(QStringLiteral("SkinLabel1"), 0, m_web);
        new SkinLabel(QStringLiteral("SkinLabel2"), 0, m_chart);
        modSkin::substituteLabels(
            this, {{QStringLiteral("SkinLabel1"), m_web}, {QStringLiteral("SkinLabel2"), m_chart}});
        modSkin::ApplySkin(this);
    }

    resize(px(13170), px(11115) + menuBar()->sizeHint().height() + m_status->sizeHint().height());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ArrangeControls();

    if (UserSettings::value(UserSettings::ShowHelp) == QLatin1String("1"))
        mnuHelpItem_Click();
    // A quarter of the log's designed width (the window is not laid out before it is shown).
    const int quarter = px(9050) / 4;
    m_web->logView()->setColumnWidth(0, quarter);
    m_web->logView()->setColumnWidth(1, quarter * 3);
    restoreLayout();
    bool ok = false; // the chart type of the last run, chosen as a click would choose it
    if (const int type = UserSettings::value(UserSettings::CmbChart2).toInt(&ok);
        ok && m_chart->showChartType(type))
        m_chart->chooseChartType(type);
    m_chart->setTimeLeftToRight(UserSettings::chartTimeLeftToRight());
    mnemonics::assignAll(this); // Alt+F opens File, and every entry has a key of its own
    // The browser's first page after the window's first paint (the eventFilter): the web engine starts when
    // the browser's page is made, and the window shows without waiting for it.
}

Form1::~Form1()
{
    delete m_website;
    delete m_help;
    delete m_about;
    delete m_optionsDialog;
}

QAction *Form1::menuAction(QMenu *menu, const char *name, const QString &text, void (Form1::*slot)(),
                           const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void Form1::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto topLevel = [this, bar](const char *name, const QString &title, bool shown) {
        auto *menu = new QMenu(title, this);
        menu->setObjectName(QString::fromLatin1(name));
        if (shown)
            bar->addMenu(menu);
        return menu;
    };
    QMenu *file = topLevel("mnuFile2", QStringLiteral("File"), true);
    m_urls->addMenuEntries(file);
    file->addSeparator()->setObjectName(QStringLiteral("mnuFileSplit2"));
    menuAction(file, "mnuExportResults", QStringLiteral("Export Results..."), &Form1::mnuExportResults_Click);
    m_mnuExportHistory = menuAction(file, "mnuExportHistory", QStringLiteral("Export History..."),
                                    &Form1::mnuExportHistory_Click);
    m_mnuExportHistory->setEnabled(false);
    file->addSeparator()->setObjectName(QStringLiteral("mnuFileSplit84"));
    menuAction(file, "mnuExitNow", QStringLiteral("Exit"), &Form1::mnuExitNow_Click,
               QKeySequence(Qt::CTRL | Qt::Key_X));

    QMenu *scanMenu = topLevel("mnuOptions", QStringLiteral("Scan"), true);
    m_mnuScan = menuAction(scanMenu, "mnuScan", QStringLiteral("Start Scan"), &Form1::mnuScan_Click);
    m_mnuStop = menuAction(scanMenu, "mnuStop", QStringLiteral("Stop Scan"), &Form1::mnuStop_Click);
    scanMenu->addSeparator();
    menuAction(scanMenu, "mnuScanReport", QStringLiteral("Scan Report"), &Form1::mnuScanReport_Click);
    m_mnuUpdateSaved = menuAction(scanMenu, "mnuUpdateSaved", QStringLiteral("Update Saved Searches"),
                                  &Form1::mnuUpdateSaved_Click);
    menuAction(scanMenu, "mnuRereadPages", QStringLiteral("Re-read Kept Pages"),
               &Form1::mnuRereadPages_Click);
    scanMenu->addSeparator();
    menuAction(scanMenu, "mnuWebGraph", QStringLiteral("Web Graph..."), &Form1::mnuWebGraph_Click);
    QMenu *options = topLevel("mnuOptions2", QStringLiteral("Options"), true);
    menuAction(options, "mnuConfig", QStringLiteral("View Options"), &Form1::mnuConfig_Click);
    QMenu *tools = topLevel("mnuTools", QStringLiteral("Tools"), false);
    menuAction(tools, "mnuGraph", QStringLiteral("View Graph..."), &Form1::mnuGraph_Click);
    QMenu *help = topLevel("mnuHelp01", QStringLiteral("Help"), true);
    menuAction(help, "mnuHelpItem", QStringLiteral("View Help"), &Form1::mnuHelpItem_Click);
    QMenu *about = topLevel("mnuHelp", QStringLiteral("About"), true);
    menuAction(about, "mnuAbout", QStringLiteral("About this software"), &Form1::mnuAbout_Click);
    m_listViewMenu = topLevel("mnuListView", QStringLiteral("ListView"), false);
    m_mnuSaveResults = menuAction(m_listViewMenu, "mnuSaveResults", QStringLiteral("Save Results"),
                                  &Form1::mnuSaveResults_Click);
    menuAction(m_listViewMenu, "mnuWebResults", QStringLiteral("Web Results"), &Form1::mnuWebResults_Click);
    menuAction(m_listViewMenu, "mnuLinkingDomains", QStringLiteral("Linking Domains..."),
               &Form1::mnuLinkingDomains_Click);
    menuAction(m_listViewMenu, "mnuClearResults", QStringLiteral("Clear Results"),
               &Form1::mnuClearResults_Click);
    m_logMenu = topLevel("mnuLogView", QStringLiteral("Log"), false);
    m_mnuShowFetchedPage = menuAction(m_logMenu, "mnuShowFetchedPage", QStringLiteral("Show Fetched Page"),
                                      &Form1::mnuShowFetchedPage_Click);
}

Form2 *Form1::optionsDialog() const
{
    return m_optionsDialog;
}

Form8 *Form1::helpWindow() const
{
    return m_help;
}

frmWebsite *Form1::websiteWindow() const
{
    return m_website;
}

bool Form1::isScanning() const
{
    return m_run->isRunning();
}

void Form1::browserLinkHovered(const QString &url)
{
    m_panels[0]->showHover(url, isScanning());
}

void Form1::setRunning(bool running)
{
    if (running)
        m_panels[0]->dropHover(); // the scan's texts take the panel over
    m_toolStrip->setRunning(running);
    m_mnuStop->setEnabled(running);
    m_mnuScan->setEnabled(!running);
    m_mnuUpdateSaved->setEnabled(!running);
}

void Form1::Command1_Click()
{
    startScan(m_urls->entries());
}

void Form1::mnuUpdateSaved_Click()
{
    if (m_run->isRunning())
        return;
    // The update's rows take the table's place: results in it are asked about first, as Clear All does.
    if (m_results->rowCount() > 0 &&
        !prompts::askYesNo(
            this, QStringLiteral("Update Saved Searches"),
            QStringLiteral("Updating the saved searches replaces the %1 in the table. Continue?")
                .arg(m_results->rowCount() == 1 ? QStringLiteral("result")
                                                : QStringLiteral("%1 results").arg(m_results->rowCount()))))
        return;
    if (m_updates->prepare(this))
        startScan(m_updates->urls());
}

void Form1::startScan(const QStringList &urls)
{
    // One run at a time: a second run inside a running one would break its row positions.
    if (m_run->isRunning())
        return;
    PlaceProgressBar();
    m_progress->show();
    m_progress->raise();
    m_run->setSettingsFile(programFolder::settingsIni());
    m_run->setWebGraphFolder(programFolder::webGraphFolder());
    m_progress->setValue(0);
    showSortArrow(-1, false); // a run's rows come in scan order
    // Texts of an earlier run or page leave the status bar.
    m_panels[1]->setStatusText(QString());
    m_keptNote.clear();
    if (!m_run->start(urls)) {
        m_progress->hide();
        return;
    }
    setRunning(true);
}

void Form1::mnuScanReport_Click()
{
    prompts::information(this, QStringLiteral("Scan Report"),
                         m_scanReport.isEmpty() ? QStringLiteral("No scan has been completed yet.")
                                                : m_scanReport);
}

void Form1::mnuRereadPages_Click()
{
    if (const QString text = engineActions::reread(this, *m_results, *m_log, *m_run); !text.isEmpty()) {
        m_panels[0]->setStatusText(text);
        currentResultsChartRequested();
    }
}

void Form1::Command2_Click()
{
    mnuStop_Click();
}

void Form1::mnuScan_Click()
{
    Command1_Click();
}

void Form1::mnuStop_Click()
{
    m_run->requestStop();
    m_progress->hide();
    if (m_run->isRunning())
        m_panels[0]->setStatusText(QStringLiteral("Stopping..."));
}

void Form1::stopped()
{
    setRunning(false);
    m_progress->hide();
    // What happened, in place of the last URL's "Scanning ..." text; the rows done are charted as a
    // completed scan's are.
    m_lastStatus =
        QStringLiteral("Stopped after %1 of %2 URLs.").arg(m_run->position()).arg(m_run->urlCount());
    m_panels[0]->setStatusText(m_lastStatus);
    m_panels[1]->setStatusText(QString());
    currentResultsChartRequested();
}

void Form1::Command4_Click()
{
    mnuSaveResults_Click();
}

void Form1::Command5_Click()
{
    mnuClearResults_Click();
}

void Form1::Command12_Click()
{
    // The selected result's first log row (its "Home Page" row) opens in the Website View.
    const int selected = m_data->selectedRow();
    const int found = selected < 0 ? -1 : webLogActions::firstRowOf(*m_log, m_results->cell(selected, 0));
    if (found < 0) {
        prompts::information(
            this, productIdentity::productName(),
            QStringLiteral("You must first select the item in the results list you wish to view web "
                           "results for."));
        return;
    }
    m_web->selectLogRow(found);
    ListView2_Click();
    TabStrip1_Click(3);
}

void Form1::ListView2_Click()
{
    if (const int row = m_web->selectedLogRow(); row >= 0)
        webLogActions::openRow(*m_web, *m_log, row);
}

void Form1::mnuShowFetchedPage_Click()
{
    webLogActions::showSelectedKeptPage(this, *m_web, *m_log, *m_run, &m_keptNote);
}

void Form1::Command10_Click()
{
    navigate(m_web->browser(), m_web->address());
}

int Form1::runDialog(QDialog *dialog)
{
    if (m_dialogHook)
        m_dialogHook(dialog);
    return dialog->exec();
}

int Form1::selectedRowOrSay(const QString &message)
{
    const int row = m_data->selectedRow();
    if (row < 0)
        prompts::information(this, productIdentity::productName(), message);
    return row;
}

void Form1::mnuSaveResults_Click()
{
    const int row =
        selectedRowOrSay(QStringLiteral("You must first select the item in the results list that you "
                                        "would like to save."));
    if (row < 0)
        return;
    resultsActions::saveRow(this, *m_results, row, [this](QDialog *dialog) { return runDialog(dialog); });
}

void Form1::mnuLinkingDomains_Click()
{
    const int row = selectedRowOrSay(
        QStringLiteral("Select the row of the site whose linking domains you would like to see."));
    if (row < 0)
        return;
    auto *window = new frmLinkingDomains(m_results->cell(row, 0), programFolder::webGraphFolder(),
                                         programFolder::path(), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void Form1::mnuWebResults_Click()
{
    Command12_Click();
}

void Form1::mnuClearResults_Click()
{
    // Rows removed under a running scan would break it.
    if (m_run->isRunning())
        return;
    m_results->clear();
    m_log->clear();
    if (m_chart->showsCurrentResults())
        doChart2(); // the cleared rows leave the chart too
}

void Form1::ListView1_ColumnClick(int column)
{
    if (!m_toolStrip->idle() || column < 1 || column > 8)
        return;
    bool &ascending = m_ascending[std::size_t(column - 1)];
    ascending = !ascending;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_results->SortListView(
        column, column == 1 ? scan::ResultsModel::TextMode : scan::ResultsModel::NumberMode, ascending);
    QApplication::restoreOverrideCursor();
    showSortArrow(column - 1, ascending);
}

void Form1::showSortArrow(int column, bool ascending)
{
    m_data->showSortArrow(column, ascending);
}

void Form1::ListView2_ColumnClick(int column)
{
    m_log->EnhListView_SortColumns(column - 1);
}

void Form1::Command3_Click()
{
    if (!m_website) {
        // Closing the browser window unloads it: the next "Visit" loads the website again.
        m_website = new frmWebsite;
        m_website->setAttribute(Qt::WA_DeleteOnClose);
        m_website->setMode(QStringLiteral("Website"));
        m_website->load();
    }
    m_website->show();
    m_website->raise();
}

void Form1::mnuWebGraph_Click()
{
    if (!m_webGraph) {
        QStringList watched;
        for (const UserSettings::Watched &w : UserSettings::watchedSearches(programFolder::path()))
            watched.append(w.url);
        m_webGraph = new frmWebGraph(
            programFolder::webGraphFolder(),
            webgraph::sourceOrDefault(UserSettings::value(UserSettings::GraphSource)), watched, this);
        m_webGraph->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_webGraph->show();
    m_webGraph->raise();
    m_webGraph->activateWindow();
}

void Form1::Command6_Click()
{
    // The one Options dialog, modeless.
    optionsDialogLoaded()->setModal(false);
    m_optionsDialog->show();
    m_optionsDialog->raise();
}

void Form1::Command7_Click()
{
    mnuGraph_Click();
}

void Form1::mnuGraph_Click()
{
    Form4 dialog(this);
    dialog.load();
    if (runDialog(&dialog) != QDialog::Accepted)
        return;
    m_chartFileName = dialog.chartFileName();
    doChart();
}

void Form1::doChart()
{
    m_chartFilePath = saved::searchFile(programFolder::savedFolder(), m_chartFileName.chopped(4));
    if (!saved::staysInItsFolder(m_chartFilePath))
        m_chartFilePath.clear(); // a link out of the Saved folder is not read
    m_mnuExportHistory->setEnabled(!m_chartFilePath.isEmpty());
    m_chart->listSavedSearch(m_chartFilePath,
                             QString(m_chartFileName).remove(QStringLiteral(".vty"), Qt::CaseInsensitive));
    // Loading draws the first entry at once, as choosing it does.
    cmbChart1_Click();
}

void Form1::cmbChart1_Click()
{
    bool singleDate = false;
    const chartData::ChartModel model = m_chart->drawChoice(&singleDate);
    if (!m_twoSearchesHintShown && singleDate) {
        m_twoSearchesHintShown = true;
        prompts::information(this, QStringLiteral("Information"),
                             QStringLiteral("You need atleast 2 saved searches to get any data displayed"));
    }
    m_panels[0]->setStatusText(model.message);
}

void Form1::doChart2()
{
    m_chart->drawCurrentResults(*m_results);
}

void Form1::Command14_Click()
{
    modPrint::printChart(m_chart->chart(), this);
}

void Form1::cmdExport_Click()
{
    modPrint::saveChartAs(m_chart->chart(), this);
}

void Form1::mnuConfig_Click()
{
    // The same dialog, modal, owned by the main window.
    optionsDialogLoaded()->hide();
    m_optionsDialog->setWindowModality(Qt::ApplicationModal);
    runDialog(m_optionsDialog);
}

Form2 *Form1::optionsDialogLoaded()
{
    if (!m_optionsDialog) {
        m_optionsDialog = new Form2(this);
        m_optionsDialog->setAttribute(Qt::WA_DeleteOnClose);
        m_optionsDialog->load();
        m_optionsDialog->enginesPage()->setKeptPages(&m_run->keptPages());
        connect(m_optionsDialog, &Form2::enginesChanged, this,
                [this] { engineActions::follow(*m_results, *m_run); });
        connect(m_optionsDialog, &QDialog::accepted, this,
                [this] { m_chart->setTimeLeftToRight(UserSettings::chartTimeLeftToRight()); });
    }
    return m_optionsDialog;
}

void Form1::mnuHelpItem_Click()
{
    if (!m_help) {
        m_help = new Form8;
        m_help->load();
    }
    m_help->show();
    m_help->raise();
}

void Form1::mnuAbout_Click()
{
    if (!m_about)
        m_about = new frmAbout(this);
    m_about->show();
    m_about->raise();
}

void Form1::mnuExitNow_Click()
{
    close(); // which asks, as every way of closing does
}

void Form1::cmbChart2_Click(int index)
{
    if (index < 0)
        return;
    UserSettings::setValue(UserSettings::CmbChart2, QString::number(index));
    m_chart->showChartType(index);
}

void Form1::TabStrip1_Click(int tab)
{
    if (tab < 1 || tab > 3)
        return;
    m_data->setVisible(tab == 1);
    m_chart->setVisible(tab == 2);
    m_web->setVisible(tab == 3);
    if (m_tabs->selectedTab() != tab)
        m_tabs->bar()->setCurrentIndex(tab - 1);
}

void Form1::PlaceProgressBar()
{
    const QRect panel = m_panels[1]->geometry();
    m_progress->setTextVisible(false);
    m_progress->setGeometry(panel.adjusted(2, 2, -2, -2));
    m_progress->raise();
}

void Form1::ArrangeControls()
{
    mainLayout::arrange({m_client, m_toolStrip, m_urls, m_tabs, m_data, m_chart, m_web});
    PlaceProgressBar();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize) {
        ArrangeControls();
    } else if (watched == m_client && event->type() == QEvent::Paint && m_startPageDue) {
        m_startPageDue = false;
        QTimer::singleShot(0, this, [this] { navigate(m_web->browser(), productIdentity::website()); });
    }
    if (watched == m_panels[1] && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        PlaceProgressBar();
    return QMainWindow::eventFilter(watched, event);
}

// The window's place and size and the tables' columns, as the user left them (keys of our own).
void Form1::restoreLayout()
{
    mainLayout::restore(this, m_data->table(), m_web);
}

void Form1::saveLayout() const
{
    mainLayout::save(this, m_data->table(), m_web);
}

void Form1::mnuExportResults_Click()
{
    resultsActions::exportResults(this, *m_results, *m_run);
}

void Form1::mnuExportHistory_Click()
{
    resultsActions::exportHistory(this, m_chartFilePath);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // The results and the URL list are not kept: ask before they are lost, however the window is closed.
    if ((m_results->rowCount() > 0 || !m_urls->entries().isEmpty()) &&
        !prompts::askYesNo(this, productIdentity::productName(),
                           QStringLiteral("Exit %1? The results and the URL list are not kept.")
                               .arg(productIdentity::productName()))) {
        event->ignore();
        return;
    }
    saveLayout();
    // A scan in progress ends with the window: its transfer is aborted when the run is destroyed.
    m_run->requestStop();
    event->accept();
    for (QWidget *window : std::initializer_list<QWidget *>{m_optionsDialog, m_help, m_about}) {
        if (window)
            window->close();
    }
    if (m_website && m_website->isVisible()) {
        // The program goes on with the browser window, and ends when that closes.
        frmWebsite::setMainWindowClosed(true);
        return;
    }
    modSkin::stopSkin();
    programEnd::end();
}
