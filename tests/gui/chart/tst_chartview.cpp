#include "core/ini/UserSettings.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsExport.h"
#include "core/scan/ScanRun.h"
#include "gui/chart/ChartViewFrame.h"
#include "gui/chart/ChartWidget.h"
#include "gui/chart/modPrint.h"
#include "gui/common/Prompts.h"
#include "gui/dialogs/Form2.h"
#include "gui/main/Form1.h"
#include "gui/main/ResultsTableModel.h"
#include "gui/main/UrlPanel.h"

#include "gui/skin/modSkin.h"

#include "../../support/TestFiles.h"

#include "../../support/TestProgram.h"
#include "../../support/TestText.h"
#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <csignal>
#include <sys/resource.h>

using testText::s;

namespace {
} // namespace

class TestChartView : public QObject
{
    Q_OBJECT

private:
    TestProgram m_program;
    Form1 *m_form = nullptr;

    ChartWidget *chart() const { return m_form->findChild<ChartWidget *>(s("MSChart1")); }
    QComboBox *engines() const { return m_form->findChild<QComboBox *>(s("cmbChart1")); }
    QString title() const { return chart()->chart().title; }

    void scan(const QStringList &urls)
    {
        m_form->urlPanel()->findChild<QListWidget *>(s("List1"))->clear();
        m_form->urlPanel()->addEntries(urls);
        QSignalSpy finished(m_form->scanRun(), &scan::ScanRun::finished);
        m_form->Command1_Click();
        QVERIFY(finished.wait(20000));
    }

    void selectRow(int row)
    {
        auto *view = m_form->findChild<QTreeView *>(s("ListView1"));
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    // Runs the next modal dialog with actions: each gets the dialog once its loop runs; the last should close
    // it.
    void onDialog(std::function<void(QDialog *)> actions)
    {
        m_form->setDialogHook([actions](QDialog *dialog) {
            QTimer::singleShot(0, dialog, [dialog, actions] {
                actions(dialog);
                if (dialog->isVisible())
                    dialog->reject();
            });
        });
    }

    static void click(QDialog *dialog, const char *button)
    {
        dialog->findChild<QPushButton *>(QString::fromLatin1(button))->click();
    }

private slots:
    void initTestCase() { QVERIFY(m_program.setUp(this)); }

    void init()
    {
        prompts::reset();
        m_form = new Form1;
        m_form->show();
    }

    void cleanup()
    {
        delete m_form;
        m_form = nullptr;
    }

    void saveLoadAndChartStates()
    {
        // Example at start-up; the engine box empty and disabled.
        QCOMPARE(title(), s("Example Popularity Over Time Chart"));
        QCOMPARE(chart()->chart().categoryLabels.first(), s("04/04"));
        QVERIFY(!engines()->isEnabled());
        QCOMPARE(chart()->chartView()->chart()->title(), title());

        // A completed scan charts the current results.
        scan({s("http://a.example"), s("http://b.example")});
        QCOMPARE(title(), s("Temporary Search Results"));
        QCOMPARE(chart()->chart().seriesLabels.size(), 2);
        QVERIFY(!engines()->isEnabled());
        QCOMPARE(engines()->count(), 0);

        // "Save Selected" without a selection: the message, no dialog.
        bool dialogShown = false;
        m_form->setDialogHook([&dialogShown](QDialog *dialog) {
            dialogShown = true;
            QTimer::singleShot(0, dialog, &QDialog::reject);
        });
        m_form->Command4_Click();
        QVERIFY(!dialogShown);
        QCOMPARE(
            prompts::takeShown(),
            QStringList{s(
                "Vantory|You must first select the item in the results list that you would like to save.")});

        // The save dialog: no saved search yet; a bad name is refused and the dialog stays; then "Save".
        selectRow(0);
        const QString domain = m_form->results()->cell(0, 0);
        onDialog([](QDialog *dialog) {
            QCOMPARE(dialog->windowTitle(), s("Save Search Results"));
            auto *name = dialog->findChild<QLineEdit *>(s("Text1"));
            for (const char *bad : {"", "a/b", ".."}) {
                name->setText(s(bad));
                click(dialog, "Command3");
                QVERIFY(dialog->isVisible());
            }
            click(dialog, "Command1"); // "Ok" with nothing chosen
            QVERIFY(dialog->isVisible());
            name->setText(s("site"));
            click(dialog, "Command3");
            QVERIFY(!dialog->isVisible());
        });
        m_form->mnuSaveResults_Click();
        const QStringList shown = prompts::takeShown();
        QCOMPARE(shown.first(), s("Information|You currently do not have any saved searches"));
        // The row remembers where it was saved: its change against that save is 0.
        QCOMPARE(UserSettings::savedSearchFor(programFolder::path(), domain), s("site"));
        QCOMPARE(m_form->results()->change(0), std::optional<qint64>(0));
        QCOMPARE(shown.size(), 5);
        const QString file = saved::searchFile(programFolder::savedFolder(), s("site"));
        QVERIFY(QFile::exists(file));
        QVERIFY(!QFile::exists(programFolder::savedFolder() + s("/.vty")));

        // Append through "Ok" into the search chosen in the box; a search whose file has gone is refused.
        testFiles::write(saved::searchFile(programFolder::savedFolder(), s("gone")), "\r\n[Google]\r\n");
        onDialog([](QDialog *dialog) {
            auto *combo = dialog->findChild<QComboBox *>(s("Combo1"));
            QCOMPARE(combo->count(), 2);
            QFile::remove(saved::searchFile(programFolder::savedFolder(), s("gone")));
            combo->setCurrentIndex(combo->findText(s("gone")));
            click(dialog, "Command1");
            QVERIFY(dialog->isVisible());
            combo->setCurrentIndex(combo->findText(s("site")));
            click(dialog, "Command1");
            QVERIFY(!dialog->isVisible());
        });
        m_form->Command4_Click();
        QCOMPARE(prompts::takeShown().size(), 1);
        QVERIFY(!QFile::exists(saved::searchFile(programFolder::savedFolder(), s("gone"))));

        // Load: nothing chosen keeps the dialog open; choosing draws the first engine at once.
        onDialog([](QDialog *dialog) {
            QCOMPARE(dialog->windowTitle(), s("Load Saved Search"));
            click(dialog, "Command1");
            QVERIFY(dialog->isVisible());
            auto *combo = dialog->findChild<QComboBox *>(s("Combo1"));
            combo->setCurrentIndex(combo->findText(s("site")));
            click(dialog, "Command1");
        });
        m_form->Command7_Click();
        // Nothing chosen, then the history of one date: the two-saves hint (once per run).
        QCOMPARE(prompts::takeShown(),
                 QStringList({s("Select A Saved Search|Please choose a saved file in the dropdown box above"),
                              s("Information|You need atleast 2 saved searches to get any data displayed")}));
        QCOMPARE(m_form->chartFileName(), s("site.vty"));
        QVERIFY(engines()->isEnabled());
        QCOMPARE(engines()->itemText(engines()->count() - 1), s("All Engines"));
        QCOMPARE(engines()->itemText(0), s("Google"));
        QCOMPARE(title(), s("site"));
        QCOMPARE(chart()->chart().seriesLabels, QStringList{s("Google")});
        QCOMPARE(chart()->chart().categoryLabels.size(), 1); // saved twice today: one date
        engines()->setCurrentIndex(engines()->count() - 1);
        m_form->cmbChart1_Click();
        QCOMPARE(chart()->chart().seriesLabels.size(), 6);
        QVERIFY(prompts::takeShown().isEmpty());

        // The next completed scan switches back to current results.
        scan({s("http://c.example")});
        QCOMPARE(title(), s("Temporary Search Results"));
        QVERIFY(!engines()->isEnabled());
    }

    void saveDialogGuards()
    {
        scan({s("http://a.example")});
        selectRow(0);
        const QString file = saved::searchFile(programFolder::savedFolder(), s("kept"));
        QDir().mkpath(programFolder::savedFolder());
        const QByteArray history = "\r\n[Google]\r\n01-02-20=7\r\n01-01-20=6\r\n";
        testFiles::write(file, history);
        onDialog([](QDialog *dialog) {
            // Skinned, with its labels doubled into the two arrays.
            QCOMPARE(dialog->findChild<QLabel *>(s("SkinLabel2_1"))->text(),
                     s("Please choose a name for this search:"));
            QCOMPARE(dialog->findChild<QLabel *>(s("SkinLabel1_1"))->text(),
                     s("Append new results to this previous search:"));
            QCOMPARE(dialog->styleSheet(), modSkin::skinObject()->styleSheet());
            // Enter with an invalid name: one message, not two.
            auto *name = dialog->findChild<QLineEdit *>(s("Text1"));
            name->setText(s("a/b"));
            QTest::keyClick(name, Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            QCOMPARE(prompts::takeShown().size(), 1);
            // "Save" under an existing name asks first; No keeps the history and the dialog.
            name->setText(s("kept"));
            prompts::queueYesNo(false);
            QTest::keyClick(name, Qt::Key_Return);
            QCOMPARE(prompts::takeShown(),
                     QStringList{s("Save Search Results|\"kept\" already exists. Replace "
                                   "its history?")});
            QVERIFY(dialog->isVisible());
            prompts::queueYesNo(true);
            click(dialog, "Command3");
            QVERIFY(!dialog->isVisible());
        });
        m_form->Command4_Click();
        QCOMPARE(testFiles::read(file).count("[Google]"), 1);
        QVERIFY(!testFiles::read(file).contains("01-01-20"));
        QVERIFY(prompts::takeShown().size() == 1); // the replace question
    }

    void damagedSavedSearch()
    {
        QDir().mkpath(programFolder::savedFolder());
        testFiles::write(saved::searchFile(programFolder::savedFolder(), s("broken")),
                         "[Google\r\nnot a date\r\n");
        m_form->setChartFileName(s("broken.vty"));
        m_form->doChart();
        QVERIFY(chart()->chart().isEmpty());
        QVERIFY(!m_form->findChild<QLabel *>(s("StatusBar1Panel1"))->text().isEmpty());
        testFiles::write(saved::searchFile(programFolder::savedFolder(), s("empty")), "nothing here\r\n");
        m_form->setChartFileName(s("empty.vty"));
        m_form->doChart();
        QVERIFY(chart()->chart().isEmpty());
        QCOMPARE(engines()->count(), 1); // "All Engines" only
    }

    void chartTypesAndExport()
    {
        scan({s("http://a.example"), s("http://b.example")});
        m_form->TabStrip1_Click(2);
        auto *types = m_form->findChild<QComboBox *>(s("cmbChart2"));
        for (int type = 0; type < 8; ++type) {
            types->setCurrentIndex(type);
            QCOMPARE(chart()->chartType(), type);
            if (type % 2 == 1)
                QVERIFY(!chart()->chartView()->chart()->series().isEmpty());
            else
                QVERIFY(chart()->notice()->isVisible()); // no OpenGL offscreen: a notice, no crash
        }
        types->setCurrentIndex(3);
        // A PDF of one page that is not blank, and a PNG.
        const QString pdf = m_program.dir.filePath(s("chart.pdf"));
        QVERIFY(modPrint::exportChart(chart(), pdf));
        const QByteArray bytes = testFiles::read(pdf);
        QVERIFY(bytes.startsWith("%PDF"));
        QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "),
                 1);
        QVERIFY(bytes.size() > 20000);
        const QImage picture = chart()->toImage(QSize(400, 300));
        int ink = 0;
        for (int y = 0; y < picture.height(); y += 3) {
            for (int x = 0; x < picture.width(); x += 3)
                ink += picture.pixelColor(x, y) != QColor(Qt::white) ? 1 : 0;
        }
        QVERIFY(ink > 200);
        QVERIFY(modPrint::exportChart(chart(), m_program.dir.filePath(s("chart.png"))));
        QVERIFY(QImage(m_program.dir.filePath(s("chart.png"))).width() > 100);
        QVERIFY(!modPrint::exportChart(chart(), m_program.dir.filePath(s("no/such/folder/chart.png"))));
        // No printer here: the print button says so and offers the export (answered No).
        m_form->findChild<QPushButton *>(s("Command14"))->click();
        QCOMPARE(prompts::takeShown().value(0).section(u'|', 0, 0), s("Print"));
        // Pressing on the chart hands the focus to cmdFocus.
        QTest::mouseClick(chart()->chartView()->viewport(), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), m_form->findChild<QWidget *>(s("cmdFocus")));
    }

    void timeOptionIsRemembered()
    {
        // The context menu's "Time runs left to right" turns the chart, is kept for the next start and is the
        // Options dialog's box; the saved order stays the default.
        QVERIFY(!UserSettings::chartTimeLeftToRight());
        QVERIFY(!chart()->timeLeftToRight());
        m_form->TabStrip1_Click(2);
        auto *frame = m_form->findChild<ChartViewFrame *>(s("Frame3"));
        QAction *time = frame->findChild<QAction *>(s("mnuChartTime"));
        QVERIFY(time && time->isCheckable() && frame->actions().contains(time));
        QCOMPARE(frame->contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(chart()->drawnChart().categoryLabels.first(), chart()->chart().categoryLabels.first());
        time->trigger();
        QVERIFY(chart()->timeLeftToRight());
        QVERIFY(chart()->drawnChart().isTimeScaled()); // the example is a history too
        QVERIFY(UserSettings::chartTimeLeftToRight());
        delete m_form;
        m_form = new Form1;
        m_form->show();
        QVERIFY(chart()->timeLeftToRight());
        QVERIFY(m_form->findChild<QAction *>(s("mnuChartTime"))->isChecked());
        // The Options dialog shows it and changes it.
        m_form->Command6_Click();
        Form2 *dialog = m_form->optionsDialog();
        QVERIFY(dialog);
        auto *box = dialog->findChild<QCheckBox *>(s("chkChartTime"));
        QVERIFY(box && box->isChecked());
        box->setChecked(false);
        dialog->Command1_Click();
        QVERIFY(!UserSettings::chartTimeLeftToRight());
        QVERIFY(!chart()->timeLeftToRight());
        QVERIFY(!m_form->findChild<QAction *>(s("mnuChartTime"))->isChecked());
    }

    void exportsFromTheWindow()
    {
        auto *exportResults = m_form->findChild<QAction *>(s("mnuExportResults"));
        auto *exportHistory = m_form->findChild<QAction *>(s("mnuExportHistory"));
        QVERIFY(exportResults && exportHistory);
        // Nothing to export yet.
        exportResults->trigger();
        QCOMPARE(prompts::takeShown(), QStringList{s("Export Results|There are no results to export yet.")});
        QVERIFY(!exportHistory->isEnabled());
        scan({s("http://a.example"), s("http://b.example")});
        // A name typed without an extension gets the selected type's (CSV, which the dialog opens on): the
        // command line's CSV with the cells' statuses after it.
        prompts::queueFile(m_program.dir.filePath(s("results")));
        exportResults->trigger();
        QVERIFY(prompts::takeShown().isEmpty());
        const QByteArray csv = testFiles::read(m_program.dir.filePath(s("results.csv")));
        QCOMPARE(QString::fromUtf8(csv), resultsExport::toCsv(*m_form->results(), true));
        QVERIFY(csv.startsWith("Domain Name,Total,Google,Altavista,Yahoo!,Teoma,MSN,All The Web,Profile,"
                               "Google Status,"));
        QCOMPARE(csv.count("\r\n"), 3);
        QVERIFY(!csv.contains("\",\"")); // MSN's thousands separators stay in the table
        // JSON by its extension: the command line's document.
        prompts::queueFile(m_program.dir.filePath(s("results.JSON")));
        exportResults->trigger();
        const QJsonObject json =
            QJsonDocument::fromJson(testFiles::read(m_program.dir.filePath(s("results.JSON")))).object();
        QCOMPARE(json.value(s("rows")).toArray().size(), 2);
        QCOMPARE(json.value(s("engines")).toArray().size(), 6);
        // The loaded saved search's history, with ISO dates.
        QVERIFY(QDir().mkpath(programFolder::savedFolder()));
        QVERIFY(
            testFiles::write(programFolder::savedFolder() + s("/hist.vty"),
                             "[Google]\r\n12-07-26=1,234\r\n12-06-26=1000\r\n\r\n[MSN]\r\n12-07-26=5\r\n"));
        m_form->setChartFileName(s("hist.vty"));
        m_form->doChart();
        QVERIFY(exportHistory->isEnabled());
        prompts::queueFile(m_program.dir.filePath(s("hist")));
        exportHistory->trigger();
        QCOMPARE(testFiles::read(m_program.dir.filePath(s("hist.csv"))),
                 QByteArray("Date,Google,MSN\r\n2026-12-07,1234,5\r\n2026-12-06,1000,\r\n"));
        // A file that cannot be written is reported.
        prompts::queueFile(m_program.dir.filePath(s("no/such/folder/x.csv")));
        exportHistory->trigger();
        QCOMPARE(prompts::takeShown().value(0).section(u'|', 0, 0), s("Export History"));
        // A disk that fills up during the write: reported, the file there before left as it was, no part of
        // the export anywhere.
        const QString full = m_program.dir.filePath(s("full.csv"));
        QVERIFY(testFiles::write(full, "old"));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlim_t before = limit.rlim_cur;
        limit.rlim_cur = 100;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        prompts::queueFile(full);
        exportResults->trigger();
        limit.rlim_cur = before;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        const QStringList shown = prompts::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().startsWith(s("Export Results|")) &&
                     shown.first().contains(s("could not be written")),
                 qPrintable(shown.first()));
        QCOMPARE(testFiles::read(full), QByteArray("old"));
        QCOMPARE(QDir(m_program.dir.path()).entryList({s("full.csv*")}, QDir::Files),
                 QStringList{s("full.csv")});
    }

    void changeSinceTheLastSave()
    {
        // A URL whose saved search's newest save totals 1000: after a scan, the change against it.
        QVERIFY(QDir().mkpath(programFolder::savedFolder()));
        QVERIFY(
            testFiles::write(programFolder::savedFolder() + s("/chg.vty"),
                             "\r\n[Google]\r\n12-01-26=900\r\n11-01-26=5\r\n\r\n[MSN]\r\n12-01-26=100\r\n"));
        UserSettings::watch(programFolder::path(), s("chg"), s("http://c.example"));
        scan({s("http://c.example"), s("http://d.example")});
        ResultsTableModel *results = m_form->results();
        for (int row = 0; row < results->rowCount(); ++row) {
            const QModelIndex change = results->index(row, results->changeColumn());
            if (results->cell(row, 0) == s("http://d.example")) {
                QVERIFY(!results->change(row)); // no saved search for it
                continue;
            }
            QCOMPARE(results->change(row), std::optional<qint64>(results->cell(row, 1).toLongLong() - 1000));
            QCOMPARE(change.data().toString(), scan::ResultsModel::changeText(results->change(row)));
            QVERIFY(change.data(Qt::ToolTipRole).toString().contains(s("12-01-26")));
        }
        auto *view = m_form->findChild<QTreeView *>(s("ListView1"));
        QCOMPARE(view->model()->headerData(8, Qt::Horizontal).toString(), s("Change"));
    }
};

QTEST_MAIN(TestChartView)
#include "tst_chartview.moc"
