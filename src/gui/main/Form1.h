#pragma once

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <optional>

class ChartViewFrame;
class Form2;
class Form8;
class frmAbout;
class frmWebsite;
class frmWebGraph;
class UpdateController;
class DataViewFrame;
class QAction;
class QDialog;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class MainStatusBar;
class ResultsTableModel;
class StatusPanel;
class TabStrip;
class ToolStrip;
class UrlPanel;
class WebsiteViewFrame;

namespace scan {
struct KeptPage;
class ScanRun;
class WebLogModel;
} // namespace scan

// The main window: the tool strip, the URL panel, the three views on the tab strip, the menus and the
// status bar with the progress bar. The parts are small classes of their own; this class wires them, routes
// the commands and keeps the layout.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    UrlPanel *urlPanel() const { return m_urls; }
    ResultsTableModel *results() const { return m_results; }
    scan::WebLogModel *webLog() const { return m_log; }
    scan::ScanRun *scanRun() const { return m_run; }
    bool isScanning() const;
    Form2 *optionsDialog() const;
    Form8 *helpWindow() const;
    frmWebsite *websiteWindow() const;
    // The saved search the Chart View draws ("name.vty"), set by the load dialog.
    QString chartFileName() const { return m_chartFileName; }
    void setChartFileName(const QString &name) { m_chartFileName = name; }
    // The modal dialogs, for tests: called with each one just before it runs.
    void setDialogHook(std::function<void(QDialog *)> hook) { m_dialogHook = std::move(hook); }

public slots:
    // Scan.
    void Command1_Click();
    void Command2_Click();
    void mnuScan_Click();
    void mnuStop_Click();
    void mnuScanReport_Click();
    void mnuRereadPages_Click();
    void mnuUpdateSaved_Click();
    // Scan > "Web Graph..." and the tool strip's button: the releases window, modeless, one at a time.
    void mnuWebGraph_Click();
    // The row menu's and the Data View's "Linking Domains...": who links to the selected row's URL.
    void mnuLinkingDomains_Click();
    void stopped();
    // Results.
    void Command4_Click();
    void Command5_Click();
    void Command12_Click();
    void mnuSaveResults_Click();
    void mnuWebResults_Click();
    void mnuClearResults_Click();
    void ListView1_ColumnClick(int column);
    void ListView2_ColumnClick(int column);
    // Tool strip and other menus.
    void Command3_Click();
    void Command6_Click();
    void Command7_Click();
    void mnuGraph_Click();
    void mnuConfig_Click();
    void mnuHelpItem_Click();
    void mnuAbout_Click();
    void mnuExitNow_Click();
    void cmbChart2_Click(int index);
    // Chart View.
    void cmbChart1_Click();
    void doChart();
    void doChart2();
    void mnuExportResults_Click();
    void mnuShowFetchedPage_Click();
    void mnuExportHistory_Click();
    void Command14_Click();
    void cmdExport_Click();
    // Views and layout.
    void TabStrip1_Click(int tab);
    // Website View.
    void Command10_Click();
    void ListView2_Click();
    void browserLinkHovered(const QString &url);
    void ArrangeControls();
    void PlaceProgressBar();

signals:
    // A completed scan asks for the current-results chart (between the two sorts by total).
    void currentResultsChartRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void restoreLayout();
    void saveLayout() const;

private:
    void startScan(const QStringList &urls);
    void buildMenus();
    void setRunning(bool running);
    // The results table's header marks the sorted column (0-based; -1: none).
    void showSortArrow(int column, bool ascending);
    Form2 *optionsDialogLoaded(); // the one Options dialog, loaded when it was not
    QAction *menuAction(QMenu *menu, const char *name, const QString &text, void (Form1::*slot)(),
                        const QKeySequence &shortcut = QKeySequence());

    QWidget *m_client;
    ToolStrip *m_toolStrip; // Picture1
    UrlPanel *m_urls;
    TabStrip *m_tabs;
    DataViewFrame *m_data;
    ChartViewFrame *m_chart;
    WebsiteViewFrame *m_web;
    MainStatusBar *m_status;
    std::array<StatusPanel *, 4> m_panels{};
    QProgressBar *m_progress;
    QAction *m_mnuStop = nullptr;
    QAction *m_mnuScan = nullptr;        // disabled while a scan runs
    QAction *m_mnuUpdateSaved = nullptr; // likewise
    QMenu *m_listViewMenu = nullptr;
    QAction *m_mnuSaveResults = nullptr;
    QAction *m_mnuExportHistory = nullptr;
    QMenu *m_logMenu = nullptr;
    QAction *m_mnuShowFetchedPage = nullptr;
    QString m_keptNote; // status panel 2 after the page now loading: a kept copy says so

    ResultsTableModel *m_results;
    scan::WebLogModel *m_log;
    scan::ScanRun *m_run;
    UpdateController *m_updates;
    std::array<bool, 8> m_ascending{}; // per results column, flipped by each header click
    QPointer<Form2> m_optionsDialog;
    QPointer<Form8> m_help;
    QPointer<frmAbout> m_about;
    QPointer<frmWebGraph> m_webGraph;
    QPointer<frmWebsite> m_website;
    QString m_chartFileName;
    QString m_scanReport; // the summary per engine of the last completed scan
    QString m_lastStatus; // the scan's last status text, shown again when a stop has ended the run
    QString m_chartFilePath;
    bool m_twoSearchesHintShown = false;
    bool m_startPageDue = true; // the browser's first page waits for the window's first paint
    std::function<void(QDialog *)> m_dialogHook;
    int runDialog(QDialog *dialog);
    // The results table's selected row; -1 after telling the user the message.
    int selectedRowOrSay(const QString &message);
};
