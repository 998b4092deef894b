#include "core/engines/EngineSet.h"
#include "core/ini/UserSettings.h"
#include "core/ini/modINI.h"
#include "core/program/ProductIdentity.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"
#include "emulator/EngineEmulator.h"
#include "gui/chart/ChartWidget.h"
#include "gui/common/Prompts.h"
#include "gui/common/Twips.h"
#include "gui/main/EngineActions.h"
#include "gui/main/Form1.h"
#include "gui/main/ProfileIcons.h"
#include "gui/main/ResultsTableModel.h"
#include "gui/main/StatusPanel.h"
#include "gui/main/TabStrip.h"
#include "gui/main/UrlPanel.h"
#include "gui/main/frmSplash.h"
#include "gui/skin/modSkin.h"
#include "gui/web/WebsiteViewFrame.h"
#include "gui/webgraph/frmLinkingDomains.h"
#include "gui/webgraph/frmWebGraph.h"

#include "vantory_version.h"

#include "../../support/TestFiles.h"

#include "../../support/TestProgram.h"
#include "../../support/TestText.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWebEnginePage>
#include <QWebEngineView>

using testText::s;

using twips::px;

namespace {
} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private:
    TestProgram m_program;
    Form1 *m_form = nullptr;

    template <typename T> T *child(const char *name) const
    {
        T *found = m_form->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qWarning("no child %s", name);
        return found;
    }
    QAction *action(const char *name) const { return child<QAction>(name); }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }
    QListWidget *list() const { return child<QListWidget>("List1"); }
    QStringList entries() const { return m_form->urlPanel()->entries(); }

    void runScan(const QStringList &urls)
    {
        m_form->urlPanel()->findChild<QListWidget *>(s("List1"))->clear();
        m_form->urlPanel()->addEntries(urls);
        QSignalSpy finished(m_form->scanRun(), &scan::ScanRun::finished);
        m_form->Command1_Click();
        QVERIFY(finished.wait(20000));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_program.setUp(this));
        QDir(m_program.dir.path()).mkpath(s("Lists"));
    }

    void init()
    {
        prompts::reset();
        m_form = new Form1;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }

    void cleanup()
    {
        delete m_form;
        m_form = nullptr;
    }

    void captionsAndMenus()
    {
        QCOMPARE(m_form->windowTitle(), s("Vantory by Brightfern Software"));
        QCOMPARE(button("Command3")->text(), s("Visit ") + productIdentity::website());
        QCOMPARE(s(VANTORY_WEBSITE), s("http://www.vantory.example/"));
        QCOMPARE(button("Command1")->text(), s("Start"));
        QCOMPARE(button("Command2")->text(), s("Stop"));
        QVERIFY(!button("Command2")->isEnabled());
        QCOMPARE(button("Command6")->text(), s("Options"));
        for (const auto &[name, text] : {std::pair{"cmdAdd", "Add"},
                                         {"cmdDel", "Delete"},
                                         {"cmdOpen", "Load"},
                                         {"cmdSave", "Save"},
                                         {"Command4", "Save Selected"},
                                         {"Command12", "Web Results"},
                                         {"Command5", "Clear All"},
                                         {"Command7", "Load Data"},
                                         {"Command14", "Print"},
                                         {"Command10", "Go"},
                                         {"Command8", "Back"},
                                         {"Command9", "Forward"},
                                         {"Command11", "Stop"},
                                         {"Command70", "Refresh"}})
            QCOMPARE(button(name)->text(), s(text));
        QCOMPARE(child<QGroupBox>("Frame1")->title(), s("URLs"));
        QCOMPARE(child<QGroupBox>("Frame2")->title(), s("Results - Data View"));
        QCOMPARE(child<QGroupBox>("Frame3")->title(), s("Results - Chart View"));
        QCOMPARE(child<QGroupBox>("Frame4")->title(), s("Results - Website View"));
        QCOMPARE(child<QLabel>("Label5")->text(), s("URL:"));
        QCOMPARE(child<QLabel>("lblChartSearch")->text(), s("Search Engine:"));
        QCOMPARE(child<QLabel>("lblChartType")->text(), s("Chart Type:"));
        QVERIFY(child<QLineEdit>("Text1"));
        QVERIFY(child<QWidget>("WebBrowser1"));
        QVERIFY(child<QWidget>("MSChart1"));

        // The menu bar reads File, Scan, Options, Help, About.
        QStringList titles;
        for (QAction *a : m_form->menuBar()->actions())
            titles.append(testText::shown(a->text()));
        QCOMPARE(titles, QStringList({s("File"), s("Scan"), s("Options"), s("Help"), s("About")}));
        const QList<std::tuple<const char *, const char *, QKeySequence>> entries{
            {"mnuNewURL", "Add URL", QKeySequence(s("Ctrl+N"))},
            {"mnuSaveUrlList", "Save URL List to File", QKeySequence(s("Ctrl+S"))},
            {"mnuOpenURLList", "Load URL List from File", QKeySequence(s("Ctrl+O"))},
            {"mnuOpenClipboard", "Load URL List from Clipboard", QKeySequence(s("Ctrl+V"))},
            {"mnuExitNow", "Exit", QKeySequence(s("Ctrl+X"))},
            {"mnuScan", "Start Scan", QKeySequence()},
            {"mnuStop", "Stop Scan", QKeySequence()},
            {"mnuConfig", "View Options", QKeySequence()},
            {"mnuGraph", "View Graph...", QKeySequence()},
            {"mnuHelpItem", "View Help", QKeySequence()},
            {"mnuAbout", "About this software", QKeySequence()},
            {"mnuSaveResults", "Save Results", QKeySequence()},
            {"mnuWebResults", "Web Results", QKeySequence()},
            {"mnuClearResults", "Clear Results", QKeySequence()},
            {"mnuURLNewURL", "New URL", QKeySequence()},
            {"mnuDeleteSelect", "Delete Selected", QKeySequence(Qt::Key_Delete)},
            {"mnuClearList", "C&lear list", QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
            {"mnuURLLoadUrlList", "Load URL List from File", QKeySequence()},
            {"mnuLoadClipboard", "Load URL List from Clipboard", QKeySequence()},
            {"mnuURLSaveUrlList", "Save URL List to File", QKeySequence()},
        };
        for (const auto &[name, text, key] : entries) {
            QAction *a = action(name);
            QVERIFY2(a, name);
            QCOMPARE(testText::shown(a->text()), testText::shown(s(text)));
            QCOMPARE(a->shortcut(), key);
        }
        // Every menu and entry has a mnemonic, none twice in one menu: Alt+F opens File.
        QList<QWidget *> menus{m_form->menuBar()};
        for (QMenu *menu : m_form->findChildren<QMenu *>())
            menus.append(menu);
        for (QWidget *menu : menus) {
            if (auto *popup = qobject_cast<QMenu *>(menu))
                emit popup->aboutToShow();
            QSet<QChar> keys;
            for (QAction *a : menu->actions()) {
                if (a->isSeparator())
                    continue;
                const QString text = a->text();
                const qsizetype mark = text.indexOf(u'&');
                QVERIFY2(mark >= 0 && mark + 1 < text.size(), qPrintable(text));
                QVERIFY2(!keys.contains(text.at(mark + 1).toLower()), qPrintable(text));
                keys.insert(text.at(mark + 1).toLower());
            }
        }
        QCOMPARE(action("mnuExitNow")->text(), s("E&xit"));
        QCOMPARE(child<QMenu>("mnuFile2")->title(), s("&File"));
        QVERIFY(!action("mnuStop")->isEnabled());
        QCOMPARE(child<QMenu>("mnuURL")->title(), s("URL"));
        for (const char *hidden : {"mnuTools", "mnuURL", "mnuListView"})
            QVERIFY(!m_form->menuBar()->actions().contains(child<QMenu>(hidden)->menuAction()));

        // The results table, the log, the status bar and the chart-type box as loaded.
        auto *results = child<QTreeView>("ListView1");
        QStringList captions;
        for (int c = 0; c < 8; ++c)
            captions.append(results->model()->headerData(c, Qt::Horizontal).toString());
        QCOMPARE(captions, QStringList({s("Domain Name"), s("Total"), s("Google"), s("Altavista"),
                                        s("Yahoo!"), s("Teoma"), s("MSN"), s("All The Web")}));
        // Columns fit their captions; on a window as wide as a 1280 screen they fit the table, the first
        // column taking what the number columns leave; a column the user sizes stays so.
        const auto columnsWidth = [results] {
            int sum = 0;
            for (int c = 0; c < results->model()->columnCount(); ++c) {
                const QString caption = results->model()->headerData(c, Qt::Horizontal).toString();
                if (results->columnWidth(c) <
                    QFontMetrics(results->header()->font()).horizontalAdvance(caption))
                    return -1;
                sum += results->columnWidth(c);
            }
            return sum;
        };
        QVERIFY(columnsWidth() > 0);
        const QSize designed = m_form->size();
        m_form->resize(1280, designed.height());
        QTRY_COMPARE(columnsWidth(), results->viewport()->width());
        QVERIFY(results->columnWidth(0) > results->columnWidth(1) * 2);
        results->header()->resizeSection(3, 200);
        m_form->resize(designed);
        QTRY_VERIFY(results->viewport()->width() < 700);
        QCOMPARE(results->columnWidth(3), 200);
        auto *log = child<QTreeView>("ListView2");
        QCOMPARE(log->model()->headerData(0, Qt::Horizontal).toString(), s("Webpage Type"));
        QVERIFY(qAbs(log->columnWidth(1) - 3 * log->columnWidth(0)) <= 3);
        QCOMPARE(child<QStatusBar>("StatusBar1")->findChildren<QLabel *>().size(), 4);
        QVERIFY(child<QLabel>("StatusBar1Panel1")->text().isEmpty());
        QVERIFY(!child<QLabel>("StatusBar1Panel3")->text().isEmpty());
        QVERIFY(!child<QLabel>("StatusBar1Panel4")->text().isEmpty());
        QVERIFY(!child<QProgressBar>("ProgressBar1")->isVisible());
        auto *types = child<QComboBox>("cmbChart2");
        QCOMPARE(types->count(), 8);
        QCOMPARE(types->currentIndex(), 3);
        QCOMPARE(types->itemText(2), s("3d Line Graph"));
        QVERIFY(child<QLabel>("Label1")->text().isEmpty());
        types->setCurrentIndex(2);
        QCOMPARE(child<QLabel>("Label1")->text(), s("Control Key + Drag to rotate."));
        QCOMPARE(UserSettings::value(UserSettings::CmbChart2), s("2"));
        // The chart type survives a restart.
        delete m_form;
        m_form = new Form1;
        QCOMPARE(child<QComboBox>("cmbChart2")->currentIndex(), 2);
        QCOMPARE(child<QLabel>("Label1")->text(), s("Control Key + Drag to rotate."));
        UserSettings::setValue(UserSettings::CmbChart2, s("many"));
        delete m_form;
        m_form = new Form1;
        QCOMPARE(child<QComboBox>("cmbChart2")->currentIndex(), 0); // not a number: left as designed
        UserSettings::remove(UserSettings::CmbChart2);
    }

    // The web graph's windows from the Scan menu, the tool strip, the row menu and the Data View.
    void webGraphWindows()
    {
        // A source on this machine (a test asks nothing of the internet).
        QVERIFY(UserSettings::setValue(UserSettings::GraphSource, m_program.dir.path()));
        QCOMPARE(button("cmdWebGraph")->text(), s("Web Graph"));
        QCOMPARE(button("cmdLinkingDomains")->text(), s("Linking Domains"));
        QCOMPARE(testText::shown(action("mnuWebGraph")->text()), s("Web Graph..."));
        QCOMPARE(testText::shown(action("mnuLinkingDomains")->text()), s("Linking Domains..."));
        QVERIFY(m_form->menuBar()->actions().at(1)->menu()->actions().contains(action("mnuWebGraph")));
        action("mnuWebGraph")->trigger();
        QTRY_VERIFY(m_form->findChild<frmWebGraph *>());
        QVERIFY(m_form->findChild<frmWebGraph *>()->isVisible());
        QTest::mouseClick(button("cmdWebGraph"), Qt::LeftButton); // the same window, raised
        QCOMPARE(m_form->findChildren<frmWebGraph *>().size(), 1);
        // Without a selected row the Data View's button says what to do.
        prompts::takeShown();
        QTest::mouseClick(button("cmdLinkingDomains"), Qt::LeftButton);
        QVERIFY(prompts::takeShown().first().contains(s("Select the row")));
        QVERIFY(!m_form->findChild<frmLinkingDomains *>());
    }

    void tabsAndLayout()
    {
        auto *data = child<QWidget>("Frame2");
        auto *chart = child<QWidget>("Frame3");
        auto *web = child<QWidget>("Frame4");
        QVERIFY(data->isVisible() && !chart->isVisible() && !web->isVisible());
        QTabBar *tabs = child<TabStrip>("TabStrip1")->bar();
        QCOMPARE(tabs->tabText(0), s("Data View"));
        QCOMPARE(tabs->tabText(2), s("Website View"));
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QVERIFY(!data->isVisible() && chart->isVisible() && !web->isVisible());
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
        QVERIFY(!data->isVisible() && !chart->isVisible() && web->isVisible());
        m_form->TabStrip1_Click(7); // no such tab: nothing changes
        QVERIFY(web->isVisible());
        m_form->TabStrip1_Click(1);
        QVERIFY(data->isVisible() && !web->isVisible());

        const QList<QSize> sizes{{1000, 800}, {700, 500}, {1600, 1200}, {300, 200}, {878, 800}};
        for (const QSize &size : sizes) {
            m_form->resize(size);
            QTest::qWait(20);
            const QWidget *client = m_form->centralWidget();
            const QWidget *strip = child<QWidget>("TabStrip1");
            if (client->width() - strip->x() - px(200) >= 0)
                QCOMPARE(strip->geometry().right() + 1, client->width() - px(200));
            QCOMPARE(chart->geometry(), data->geometry());
            QCOMPARE(web->geometry(), data->geometry());
            const QWidget *frame1 = child<QWidget>("Frame1");
            const QWidget *urls = list();
            if (frame1->height() - urls->y() - px(200) >= 0)
                QCOMPARE(urls->geometry().bottom() + 1, frame1->height() - px(200));
            const QWidget *browser = child<QWidget>("WebBrowser1");
            if (web->height() - browser->y() - px(100) >= 0)
                QCOMPARE(browser->geometry().bottom() + 1, web->height() - px(100));
            const QWidget *address = child<QWidget>("Text1");
            QCOMPARE(button("Command10")->x(), address->geometry().right() + 1 + px(100));
            QVERIFY(strip->width() >= 0 && data->height() >= 0 && browser->height() >= 0);
            QVERIFY(frame1->geometry().bottom() < client->height());
        }

        // The grip between the log and the browser moves their border; the log's height is kept.
        m_form->resize(900, 800);
        m_form->TabStrip1_Click(3);
        QWidget *grip = child<QWidget>("splLog");
        const QWidget *log = child<QWidget>("ListView2");
        const QWidget *browser = child<QWidget>("WebBrowser1");
        const int before = log->height();
        QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(10, 2));
        QTest::mouseMove(grip, QPoint(10, 62));
        QTest::mouseRelease(grip, Qt::LeftButton, {}, QPoint(10, 62));
        QCOMPARE(log->height(), before + 60);
        QCOMPARE(grip->y(), log->geometry().bottom() + 1);
        QCOMPARE(browser->y(), log->geometry().bottom() + 1 + px(885));
        QCOMPARE(browser->geometry().bottom() + 1, web->height() - px(100));
        QVERIFY(m_form->close());
        delete m_form;
        m_form = new Form1;
        m_form->show();
        QCOMPARE(child<QWidget>("ListView2")->height(), before + 60);
        UserSettings::remove(UserSettings::WebLogHeight);
    }

    void urlPanelCommands()
    {
        // Add: the default "http://" alone (7 characters), cancel and empty add nothing.
        prompts::queueText(s("http://"));
        m_form->urlPanel()->cmdAdd_Click();
        prompts::queueText(QString());
        action("mnuNewURL")->trigger();
        prompts::queueText(s("http://a"));
        action("mnuURLNewURL")->trigger();
        prompts::queueText(s("http://b"));
        button("cmdAdd")->click();
        prompts::queueText(s("http://c"));
        m_form->urlPanel()->mnuNewURL_Click();
        QCOMPARE(entries(), QStringList({s("http://a"), s("http://b"), s("http://c")}));
        QCOMPARE(list()->currentRow(), 2); // the new entry is selected, in view
        // Typed as pasted: the default "http://" typed over gets the scheme (and "www.") back.
        prompts::queueText(QString::fromUtf8("bücher-test.example"));
        m_form->urlPanel()->mnuNewURL_Click();
        prompts::queueText(s("www.d.example/x"));
        m_form->urlPanel()->mnuNewURL_Click();
        QCOMPARE(entries().mid(3), QStringList({QString::fromUtf8("http://www.bücher-test.example"),
                                                s("http://www.d.example/x")}));
        list()->setCurrentRow(4);
        button("cmdDel")->click();
        list()->setCurrentRow(3);
        button("cmdDel")->click();
        list()->clearSelection();

        // Delete: nothing without a selection; the middle one selects the next; the last leaves none.
        button("cmdDel")->click();
        QCOMPARE(entries().size(), 3);
        list()->setCurrentRow(1);
        button("cmdDel")->click();
        QCOMPARE(entries(), QStringList({s("http://a"), s("http://c")}));
        QCOMPARE(list()->selectedItems().value(0)->text(), s("http://c"));
        action("mnuDeleteSelect")->trigger();
        QCOMPARE(entries(), QStringList{s("http://a")});
        QVERIFY(list()->selectedItems().isEmpty());

        // Clear asks first.
        prompts::queueYesNo(false);
        action("mnuClearList")->trigger();
        QCOMPARE(entries().size(), 1);
        QCOMPARE(prompts::takeShown(), QStringList{s("Warning|This will delete all the URLs, Continue?")});
        prompts::queueYesNo(true);
        action("mnuClearList")->trigger();
        QVERIFY(entries().isEmpty());
        prompts::takeShown();

        // Load from a file, twice; an unreadable file is reported and changes nothing.
        const QString file = m_program.dir.filePath(s("Lists/in.txt"));
        testFiles::write(file, "http://x\r\nhttp://y\r\n");
        prompts::queueFile(file);
        button("cmdOpen")->click();
        prompts::queueFile(file);
        action("mnuOpenURLList")->trigger();
        QCOMPARE(entries().size(), 4);
        // A load says what it added, as the list grows without a sign of it.
        QCOMPARE(child<QLabel>("StatusBar1Panel1")->text(), s("2 URLs added to the list from in.txt."));
        prompts::queueFile(QString()); // cancel
        action("mnuURLLoadUrlList")->trigger();
        prompts::queueFile(m_program.dir.filePath(s("Lists/missing.txt")));
        action("mnuOpenURLList")->trigger();
        QCOMPARE(entries().size(), 4);
        QCOMPARE(prompts::takeShown().size(), 1);

        // Save: ".txt" appended; an existing file of the new name is asked about; a failure is reported.
        const QString base = m_program.dir.filePath(s("Lists/out"));
        prompts::queueFile(base);
        button("cmdSave")->click();
        QCOMPARE(testFiles::read(base + s(".txt")),
                 QByteArray("http://x\r\nhttp://y\r\nhttp://x\r\nhttp://y\r\n"));
        list()->clear();
        prompts::queueFile(base);
        prompts::queueYesNo(false);
        action("mnuSaveUrlList")->trigger();
        QCOMPARE(testFiles::read(base + s(".txt")).size(), 40);
        prompts::queueFile(base + s(".TXT")); // used as it is
        action("mnuURLSaveUrlList")->trigger();
        QCOMPARE(testFiles::read(base + s(".TXT")), QByteArray());
        prompts::takeShown();
        prompts::queueFile(m_program.dir.path() + s("/Lists"));
        action("mnuSaveUrlList")->trigger(); // "Lists.txt" beside the folder: fine
        QVERIFY(QFile::exists(m_program.dir.path() + s("/Lists.txt")));
        prompts::queueFile(m_program.dir.filePath(s("Lists/in.txt/x.txt")));
        action("mnuSaveUrlList")->trigger();
        const QStringList shown = prompts::takeShown();
        QCOMPARE(shown.size(), 1);

        // The clipboard, normalised; a temp.txt of the user's is neither read nor deleted.
        const QString temp = m_program.dir.filePath(s("temp.txt"));
        testFiles::write(temp, "http://users-own\r\n");
        QApplication::clipboard()->setText(s("example.com\r\nwww.b.com\r\nHTTP://C.COM"));
        list()->clear();
        action("mnuOpenClipboard")->trigger();
        QCOMPARE(entries(),
                 QStringList({s("http://www.example.com"), s("http://www.b.com"), s("HTTP://C.COM")}));
        QCOMPARE(testFiles::read(temp), QByteArray("http://users-own\r\n"));
    }

    void urlPopupStates()
    {
        QMenu *popup = child<QMenu>("mnuURL");
        QListWidget *urls = list();
        QTest::mouseClick(urls->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(popup->isVisible());
        QVERIFY(!action("mnuDeleteSelect")->isEnabled());
        QVERIFY(!action("mnuURLSaveUrlList")->isEnabled());
        popup->hide();
        m_form->urlPanel()->addEntries({s("http://a"), s("http://b")});
        urls->setCurrentRow(0);
        QTest::mouseClick(urls->viewport(), Qt::RightButton, {},
                          urls->visualItemRect(urls->item(1)).center());
        QTRY_VERIFY(popup->isVisible());
        QVERIFY(action("mnuDeleteSelect")->isEnabled());
        QVERIFY(action("mnuURLSaveUrlList")->isEnabled());
        QCOMPARE(urls->currentRow(), 1); // the right button selects the entry it is on
        popup->hide();
        // The buttons and File entries are never disabled by it.
        QVERIFY(button("cmdSave")->isEnabled());
        QVERIFY(action("mnuSaveUrlList")->isEnabled());
    }

    void captionsFit()
    {
        // With the program's look (the skin's style and style sheet), every caption fits its control at the
        // default size and font.
        modSkin::startSkin(nullptr);
        delete m_form;
        m_form = new Form1;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        auto fits = [](QPushButton *b) {
            // The text must fit the button's contents: its rectangle less border and padding.
            QStyleOptionButton option;
            option.initFrom(b);
            option.text = b->text();
            const QRect contents = b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
            return b->fontMetrics().horizontalAdvance(b->text()) <= contents.width();
        };
        for (QPushButton *b : m_form->findChildren<QPushButton *>()) {
            if (b->text().isEmpty())
                continue; // the chart's focus holder, which draws nothing
            if (b->isVisibleTo(m_form) || b->parentWidget()->objectName() == QLatin1String("Frame4") ||
                b->parentWidget()->objectName() == QLatin1String("Frame3"))
                QVERIFY2(fits(b), qPrintable(b->objectName() + s(": ") + b->text()));
        }
        button("Command1")->setText(s("Searching..."));
        QVERIFY(fits(button("Command1")));
        button("Command1")->setText(s("Start"));
        // The three tabs stay whole whichever is selected; the bar keeps its width.
        QTabBar *tabs = child<TabStrip>("TabStrip1")->bar();
        const int width = tabs->width();
        for (int selected : {2, 1, 0}) {
            tabs->setCurrentIndex(selected);
            QTest::qWait(20);
            QCOMPARE(tabs->width(), width);
            for (int i = 0; i < 3; ++i) {
                QVERIFY(tabs->tabRect(i).right() < tabs->width());
                QVERIFY(tabs->tabRect(i).width() >= tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)));
            }
            QVERIFY(tabs->tabAt(tabs->tabRect(0).center()) == 0);
        }
        modSkin::stopSkin();
    }

    void keysOnTheList()
    {
        // Delete and Shift+Del act whenever an entry is selected, also after a right-click on the empty list
        // left the popup's "Delete Selected" disabled.
        QListWidget *urls = list();
        QMenu *popup = child<QMenu>("mnuURL");
        QTest::mouseClick(urls->viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(popup->isVisible());
        popup->hide();
        QVERIFY(!action("mnuDeleteSelect")->isEnabled());
        m_form->urlPanel()->addEntries({s("http://a"), s("http://b"), s("http://c")});
        urls->setCurrentRow(1);
        urls->setFocus();
        QTest::keyClick(urls, Qt::Key_Delete);
        QCOMPARE(entries(), QStringList({s("http://a"), s("http://c")}));
        prompts::queueYesNo(true);
        QTest::keyClick(urls, Qt::Key_Delete, Qt::ShiftModifier);
        QVERIFY(entries().isEmpty());
        // 100,000 entries: one line each, uniform sizes.
        QVERIFY(urls->uniformItemSizes());
    }

    void exitAndTextBoxKeys()
    {
        // Exit with nothing to lose closes at once; with entries it asks, and No keeps the window.
        auto *address = child<QLineEdit>("Text1");
        m_form->TabStrip1_Click(3);
        address->setText(s("http://cut.example/"));
        address->selectAll();
        address->setFocus();
        QApplication::clipboard()->clear();
        QTest::keyClick(address, Qt::Key_X, Qt::ControlModifier); // cuts, does not exit
        QCOMPARE(QApplication::clipboard()->text(), s("http://cut.example/"));
        QCOMPARE(address->text(), QString());
        QTest::keyClick(address, Qt::Key_V, Qt::ControlModifier); // pastes, does not load the list
        QCOMPARE(address->text(), s("http://cut.example/"));
        QVERIFY(entries().isEmpty());
        QVERIFY(m_form->isVisible());
        QVERIFY(prompts::takeShown().isEmpty());

        m_form->urlPanel()->addEntries({s("http://a")});
        prompts::queueYesNo(false);
        action("mnuExitNow")->trigger();
        QCOMPARE(prompts::takeShown(),
                 QStringList{s("Vantory|Exit Vantory? The results and the URL list are not kept.")});
        QVERIFY(m_form->isVisible());
        m_form->urlPanel()->findChild<QListWidget *>(s("List1"))->clear();
        action("mnuExitNow")->trigger();
        QVERIFY(prompts::takeShown().isEmpty());
        QVERIFY(!m_form->isVisible());
    }

    void longStatusTextsNeverWidenTheWindow()
    {
        // The Website View's start page sends its load and hover signals first.
        auto *browser = child<QWebEngineView>("WebBrowser1");
        QTRY_VERIFY_WITH_TIMEOUT(!browser->page()->isLoading(), 20000);
        const int width = m_form->width();
        const QString url = s("http://www.example.com/") + QString(330, u'x');
        emit m_form->scanRun()->statusChanged(s("Scanning ") + url + s(" on Google"));
        QCoreApplication::sendPostedEvents(); // the layout requests the long text would make
        QCOMPARE(m_form->width(), width);
        auto *panel = m_form->findChild<StatusPanel *>(s("StatusBar1Panel1"));
        QCOMPARE(panel->toolTip(), s("Scanning ") + url + s(" on Google"));
        QVERIFY(panel->shownText().contains(QChar(0x2026)));
        QVERIFY(panel->fontMetrics().horizontalAdvance(panel->shownText()) <= panel->contentsRect().width());
        m_form->resize(m_form->width() - 100, m_form->height());
        QTRY_VERIFY(m_form->width() <= width - 100);
    }

    void paintsAreGatheredButNoneIsLost()
    {
        // A scan changes the status text far more often than a window can be painted; the changes are
        // painted together, and the last one always is.
        auto *panel = m_form->findChild<StatusPanel *>(s("StatusBar1Panel1"));
        struct PaintCounter : QObject
        {
            int paints = 0;
            QString lastPainted;
            StatusPanel *panel = nullptr;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint) {
                    ++paints;
                    lastPainted = panel->shownText();
                }
                return false;
            }
        } counter;
        counter.panel = panel;
        panel->installEventFilter(&counter);
        // Changes made between two passes of the event loop are painted together (how often the window
        // is painted over time is measured by bench_scan, not here).
        const int changes = 300;
        for (int i = 0; i < changes; ++i)
            emit m_form->scanRun()->statusChanged(s("Scanning http://site%1.example on Google").arg(i));
        const QString last = s("Scanning http://site%1.example on Google").arg(changes - 1);
        QTRY_COMPARE(counter.lastPainted, last);
        QVERIFY2(counter.paints <= 2, qPrintable(s("%1 paints").arg(counter.paints)));
        panel->removeEventFilter(&counter);
    }

    void rowsAppendedInBurstsAreLaidOutTogether()
    {
        // A scan appends rows faster than a long table can be laid out again for each: rows that come just
        // after a layout wait for the next, and every row shows soon after; a sort or clearing meanwhile
        // leaves the view matching the model.
        auto *view = child<QTreeView>("ListView1");
        auto *model = qobject_cast<scan::ResultsModel *>(view->model());
        QVERIFY(model);
        for (int i = 0; i < 300; ++i) {
            model->insertResultRow(model->rowCount(), s("http://site%1.example").arg(i));
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY(view->visualRect(model->index(299, 0)).isValid());
        // A change is painted where its row shows (changes off screen are not even looked for): what the
        // window put on the screen changes.
        view->scrollToTop();
        model->setCell(0, 1, s("1111"));
        const QRect cell = view->visualRect(model->index(0, 1));
        const auto onScreen = [&] {
            const QPoint at = view->viewport()->mapTo(m_form, cell.topLeft());
            return m_form->screen()
                ->grabWindow(m_form->winId(), at.x(), at.y(), cell.width(), cell.height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        };
        QTRY_COMPARE(onScreen(),
                     view->viewport()->grab(cell).toImage().convertToFormat(QImage::Format_RGB32));
        const QImage before = onScreen();
        model->setCell(0, 1, s("9999")); // as wide: the columns keep their widths
        QTRY_VERIFY(onScreen() != before);
        // So is a change in the last row that shows, at the bottom edge.
        const int lastShown = view->indexAt(QPoint(1, view->viewport()->height() - 2)).row();
        QVERIFY(lastShown > 0);
        const QRect lastCell = view->visualRect(model->index(lastShown, 1));
        const auto lastOnScreen = [&] {
            const QPoint at = view->viewport()->mapTo(m_form, lastCell.topLeft());
            return m_form->screen()
                ->grabWindow(m_form->winId(), at.x(), at.y(), lastCell.width(), lastCell.height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        };
        const QImage lastBefore = lastOnScreen();
        model->setCell(lastShown, 1, s("8888"));
        QTRY_VERIFY(lastOnScreen() != lastBefore);

        view->doItemsLayout();
        model->insertResultRow(model->rowCount(), s("http://late.example"));
        QTRY_VERIFY(view->visualRect(model->index(300, 0)).isValid()); // at the next layout

        view->doItemsLayout();
        model->insertResultRow(model->rowCount(), s("http://aaa.example"));
        model->sort(0);
        QCoreApplication::processEvents();
        QTRY_VERIFY(view->visualRect(model->index(300, 0)).isValid());
        QCOMPARE(view->indexAt(view->visualRect(model->index(0, 0)).center()).row(), 0);
        view->doItemsLayout();
        model->insertResultRow(model->rowCount(), s("http://gone.example"));
        model->clear();
        QCoreApplication::processEvents();
        QVERIFY(!view->indexAt(QPoint(5, 5)).isValid());
        QVERIFY(!view->visualRect(model->index(0, 0)).isValid());
    }

    void browserStartsAfterTheFirstPaint()
    {
        // A window not shown yet has made no browser page (the web engine has not started), and asks for no
        // page however long the events run.
        delete m_form;
        m_form = new Form1;
        const auto *browser = child<QWebEngineView>("WebBrowser1");
        QCoreApplication::processEvents();
        QVERIFY(!browser->findChild<QWebEnginePage *>());
        // Shown: once painted, the browser's first page is the program's website.
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        QTRY_VERIFY_WITH_TIMEOUT(browser->findChild<QWebEnginePage *>(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(browser->url().toString(), productIdentity::website(), 20000);
        // The page passes its hovered links on, the Website View shown from the start too.
        delete m_form;
        m_form = new Form1;
        m_form->TabStrip1_Click(3);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        auto *page = child<QWebEngineView>("WebBrowser1")->findChild<QWebEnginePage *>();
        QVERIFY(page);
        emit page->linkHovered(s("http://hovered.example/"));
        QCOMPARE(m_form->findChild<StatusPanel *>(s("StatusBar1Panel1"))->text(),
                 s("http://hovered.example/"));
    }

    void browserSignalsNeverReplaceTheScanStatus()
    {
        auto *panel = m_form->findChild<StatusPanel *>(s("StatusBar1Panel1"));
        QWebEnginePage *page = m_form->findChild<WebsiteViewFrame *>(s("Frame4"))->browser()->page();
        // Idle: a hovered link shows while the pointer is on it, then the panel's text comes back.
        emit m_form->scanRun()->statusChanged(s("Search Complete.  Found 12 links."));
        emit page->linkHovered(s("http://hovered.example/"));
        QCOMPARE(panel->text(), s("http://hovered.example/"));
        emit page->linkHovered(QString());
        QCOMPARE(panel->text(), s("Search Complete.  Found 12 links."));
        emit page->linkHovered(QString()); // a leave without a hover changes nothing
        QCOMPARE(panel->text(), s("Search Complete.  Found 12 links."));
        // A running scan: neither a hover nor its end replaces the scan's text.
        m_program.engines->setLatencyMs(300);
        m_form->urlPanel()->findChild<QListWidget *>(s("List1"))->clear();
        m_form->urlPanel()->addEntries({s("http://hover.example"), s("http://hover2.example")});
        QSignalSpy status(m_form->scanRun(), &scan::ScanRun::statusChanged);
        QSignalSpy finished(m_form->scanRun(), &scan::ScanRun::finished);
        m_form->Command1_Click();
        QVERIFY(status.wait(20000));
        QVERIFY(m_form->isScanning());
        const QString scanning = panel->text();
        QVERIFY(scanning.startsWith(s("Scanning http://hover.example")));
        emit page->linkHovered(s("http://hovered.example/"));
        QCOMPARE(panel->text(), scanning);
        emit page->linkHovered(QString());
        QCOMPARE(panel->text(), scanning);
        QCOMPARE(panel->toolTip(), scanning);
        QVERIFY(finished.wait(20000));
        m_program.engines->setLatencyMs(0);
        QVERIFY(panel->text().startsWith(s("Search Complete.  Found ")));
        emit page->linkHovered(QString()); // the hover from before the scan is forgotten
        QVERIFY(panel->text().startsWith(s("Search Complete.  Found ")));
    }

    void cellsWithoutACount()
    {
        // One engine blocked for a URL, every engine's layout changed for another: warning marks with their
        // reasons, the grey icon, the log's Result column, the Scan Report and the save dialog's note.
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        m_program.engines->setCount(1, s("http://marks.example"), 700);
        m_program.engines->setMode(3, s("http://marks.example"), emulator::Mode::Blocked);
        runScan({s("http://marks.example"), s("http://changed.example")});
        ResultsTableModel *results = m_form->results();
        const QIcon warning = results->data(results->index(0, 4), Qt::DecorationRole).value<QIcon>();
        QVERIFY(!warning.isNull());
        QCOMPARE(warning.cacheKey(), profileIcons::warningIcon().cacheKey());
        QVERIFY(results->data(results->index(0, 2), Qt::DecorationRole).isNull()); // a count: no mark
        QCOMPARE(results->data(results->index(0, 4), Qt::ToolTipRole).toString(),
                 s("Blocked by the engine: HTTP 429"));
        QVERIFY(results->data(results->index(0, 2), Qt::ToolTipRole).toString().startsWith(s("HTTP 200, ")));
        QCOMPARE(results->cell(0, 4), QString()); // the cell's text is what it always was
        // The row without any count: no total, the grey icon instead of the low one, and why.
        QCOMPARE(results->cell(1, 1), QString());
        QCOMPARE(results->data(results->index(1, 0), Qt::DecorationRole).value<QIcon>().cacheKey(),
                 profileIcons::unknownIcon().cacheKey());
        QVERIFY(results->data(results->index(1, 0), Qt::ToolTipRole)
                    .toString()
                    .startsWith(s("No engine answered")));
        QCOMPARE(results->data(results->index(0, 0), Qt::DecorationRole).value<QIcon>().cacheKey(),
                 profileIcons::icon(int(results->profile(0))).cacheKey());
        QCOMPARE(results->data(results->index(1, 3), Qt::ToolTipRole).toString().left(26),
                 s("Page layout not recognised"));
        // The log: "Webpage Type", "URL", "Result".
        auto *log = child<QTreeView>("ListView2");
        QCOMPARE(log->model()->columnCount(), 3);
        QCOMPARE(log->model()->headerData(2, Qt::Horizontal).toString(), s("Result"));
        QCOMPARE(m_form->webLog()->result(3), s("Blocked by the engine"));
        QVERIFY(qAbs(log->columnWidth(1) - 3 * log->columnWidth(0)) <= 3);
        // The report, from the Scan menu and as the tooltip of the completion message.
        auto *panel = child<QLabel>("StatusBar1Panel1");
        QVERIFY(panel->text().startsWith(s("Search Complete.  Found ")));
        QVERIFY(panel->toolTip().contains(
            s("Yahoo!: 2 asked, 0 counts, 0 zero, 2 failed (layout 1, blocked 1)")));
        prompts::takeShown();
        action("mnuScanReport")->trigger();
        const QStringList shown = prompts::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().startsWith(s("Scan Report|Google: 2 asked, 1 count,")));
        // "Save Selected" names the engines without a count.
        auto *view = child<QTreeView>("ListView1");
        view->selectionModel()->select(results->index(0, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QString note;
        m_form->setDialogHook([&note](QDialog *dialog) {
            note = dialog->findChild<QLabel *>(s("lblNoCount"))->text();
            QTimer::singleShot(0, dialog, &QDialog::reject);
        });
        m_form->mnuSaveResults_Click();
        QCOMPARE(note, s("No count from Yahoo! (blocked)"));
        m_program.engines->setMode(3, s("http://marks.example"), emulator::Mode::None);
        UserSettings::remove(UserSettings::ChkAutoSort);
    }

    void scanStates()
    {
        const QString slowTarget = s("http://slow.example");
        m_program.engines->setDripIntervalMs(2);
        m_form->urlPanel()->addEntries({s("http://a.example"), slowTarget, s("http://c.example")});
        QSignalSpy finished(m_form->scanRun(), &scan::ScanRun::finished);
        auto *chart = m_form->findChild<ChartWidget *>();
        QCOMPARE(chart->exampleMarkText(), s("Example - not measured data")); // the example says so
        m_form->Command1_Click();
        // Running: Start disabled reading "Searching...", Stop and "Stop Scan" enabled, progress shown.
        QCOMPARE(button("Command1")->text(), s("Searching..."));
        QVERIFY(!button("Command1")->isEnabled());
        QVERIFY(button("Command2")->isEnabled());
        QVERIFY(action("mnuStop")->isEnabled());
        QVERIFY(child<QProgressBar>("ProgressBar1")->isVisible());
        QCOMPARE(child<QProgressBar>("ProgressBar1")->maximum(), 18);
        QVERIFY(!action("mnuScan")->isEnabled()); // neither starts anything while a run is active
        QVERIFY(!action("mnuUpdateSaved")->isEnabled());
        QTRY_VERIFY(m_form->results()->rowCount() >= 1 && !m_form->results()->cell(0, 1).isEmpty());
        const QString first = m_form->results()->cell(0, 0);
        action("mnuScan")->trigger();
        button("Command5")->click();
        action("mnuClearResults")->trigger();
        child<QTreeView>("ListView1")->header()->sectionClicked(1);
        QVERIFY(m_form->results()->rowCount() >= 1);
        QCOMPARE(m_form->results()->cell(0, 0), first);
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.size(), 1);
        // Idle again, the completion message in panel 1, sorted by total descending.
        QCOMPARE(button("Command1")->text(), s("Start"));
        QVERIFY(button("Command1")->isEnabled());
        QVERIFY(!button("Command2")->isEnabled());
        QVERIFY(!action("mnuStop")->isEnabled());
        QVERIFY(action("mnuScan")->isEnabled() && action("mnuUpdateSaved")->isEnabled());
        QVERIFY(!child<QProgressBar>("ProgressBar1")->isVisible());
        QVERIFY(child<QLabel>("StatusBar1Panel1")->text().startsWith(s("Search Complete.  Found ")));
        QVERIFY(chart->exampleMarkText().isEmpty());
        QCOMPARE(chart->chart().seriesLabels.size(), 3);
        QCOMPARE(m_form->results()->rowCount(), 3);
        QCOMPARE(m_form->webLog()->rowCount(), 21);
        QVERIFY(m_form->results()->cell(0, 1).toLongLong() >= m_form->results()->cell(2, 1).toLongLong());

        // Stop: the progress bar goes at once; the buttons when the run has ended. A stop before the
        // first URL is seen before it.
        m_form->Command1_Click();
        button("Command2")->click();
        QVERIFY(!child<QProgressBar>("ProgressBar1")->isVisible());
        QTRY_COMPARE(button("Command1")->text(), s("Start"));
        QCOMPARE(m_form->results()->rowCount(), 0);
        QCOMPARE(child<QLabel>("StatusBar1Panel1")->text(), s("Stopped after 0 of 3 URLs."));
        m_form->Command1_Click();
        QTRY_VERIFY(m_form->results()->rowCount() == 1);
        action("mnuStop")->trigger();
        // The pending stop shows at once, and stays while the URL's engines finish.
        QCOMPARE(child<QLabel>("StatusBar1Panel1")->text(), s("Stopping..."));
        QTRY_COMPARE(button("Command1")->text(), s("Start"));
        QCOMPARE(m_form->results()->rowCount(), 1);
        QVERIFY(!action("mnuStop")->isEnabled());
        // The run has ended: it says how far it got, and the rows it finished are charted.
        QCOMPARE(child<QLabel>("StatusBar1Panel1")->text(), s("Stopped after 1 of 3 URLs."));
        QCOMPARE(chart->chart().seriesLabels, QStringList{m_form->results()->cell(0, 0)});
        QVERIFY(action("mnuScan")->isEnabled());
        // Start with an empty list changes nothing.
        list()->clear();
        m_form->Command1_Click();
        QCOMPARE(button("Command1")->text(), s("Start"));
        QCOMPARE(m_form->results()->rowCount(), 1);
        // Clear All empties the table and the log when idle.
        button("Command5")->click();
        QCOMPARE(m_form->results()->rowCount(), 0);
        QCOMPARE(m_form->webLog()->rowCount(), 0);
        QVERIFY(chart->chart().seriesLabels.isEmpty()); // and the chart of them
    }

    void resultsTableMouseAndSort()
    {
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        QStringList urls;
        for (const qint64 total : {40, 5, 300}) {
            urls.append(s("http://t%1.example").arg(total));
            m_program.engines->setCount(1, urls.last(), total);
            for (int e = 2; e <= 6; ++e)
                m_program.engines->setMode(e, urls.last(), emulator::Mode::NoResults);
        }
        runScan(urls);
        UserSettings::remove(UserSettings::ChkAutoSort);
        auto *view = child<QTreeView>("ListView1");
        auto totals = [this] {
            QStringList t;
            for (int r = 0; r < m_form->results()->rowCount(); ++r)
                t.append(m_form->results()->cell(r, 1));
            return t;
        };
        QCOMPARE(totals(), QStringList({s("40"), s("5"), s("300")}));
        QVERIFY(!view->header()->isSortIndicatorShown()); // scan order, not sorted
        // Each column keeps its own direction: Total ascending, descending, (Google ascending), ascending.
        QHeaderView *header = view->header();
        auto click = [header](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        };
        click(1);
        QCOMPARE(totals(), QStringList({s("5"), s("40"), s("300")}));
        click(1);
        QCOMPARE(totals(), QStringList({s("300"), s("40"), s("5")}));
        // The sorted column shows an arrow the way it is sorted.
        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        click(2);
        QCOMPARE(header->sortIndicatorSection(), 2);
        QCOMPARE(totals(), QStringList({s("5"), s("40"), s("300")}));
        click(1);
        QCOMPARE(totals(), QStringList({s("5"), s("40"), s("300")}));
        // Icons by profile.
        QVERIFY(!view->model()->data(view->model()->index(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
        // Scrolled sideways, the first column stays in place: its copy over the table keeps the table's
        // rows, selection and first-column width.
        auto *frozen = child<QTreeView>("ListView1Frozen");
        QVERIFY(frozen->isVisible());
        QCOMPARE(frozen->model(), view->model());
        QCOMPARE(frozen->selectionModel(), view->selectionModel());
        QVERIFY(!frozen->isColumnHidden(0) && frozen->isColumnHidden(1));
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
        QCOMPARE(frozen->x(), view->frameWidth());
        QCOMPARE(frozen->columnWidth(0), view->columnWidth(0));
        view->setColumnWidth(0, view->columnWidth(0) + 30);
        QCOMPARE(frozen->width(), view->columnWidth(0));
        const QRect frozenRow = frozen->visualRect(frozen->model()->index(2, 0));
        QTest::mousePress(frozen->viewport(), Qt::RightButton, {}, frozenRow.center());
        QCOMPARE(view->selectionModel()->selectedRows().value(0).row(), 2);
        QTest::mouseRelease(frozen->viewport(), Qt::RightButton, {}, frozenRow.center());
        QTRY_VERIFY(child<QMenu>("mnuListView")->isVisible());
        child<QMenu>("mnuListView")->hide();
        view->horizontalScrollBar()->setValue(0);

        // Right button: the row under the pointer is selected; empty space selects nothing.
        const QRect row1 = view->visualRect(view->model()->index(1, 0));
        QTest::mousePress(view->viewport(), Qt::RightButton, {}, row1.center());
        QCOMPARE(view->selectionModel()->selectedRows().value(0).row(), 1);
        QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, row1.center());
        QMenu *popup = child<QMenu>("mnuListView");
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(testText::shown(action("mnuSaveResults")->text()),
                 s("Save Result For ") + m_form->results()->cell(1, 0));
        popup->hide();
        QTest::mousePress(view->viewport(), Qt::RightButton, {}, QPoint(10, view->viewport()->height() - 5));
        QVERIFY(view->selectionModel()->selectedRows().isEmpty());
        QTest::mouseRelease(view->viewport(), Qt::RightButton, {},
                            QPoint(10, view->viewport()->height() - 5));
        QTest::qWait(20);
        QVERIFY(!popup->isVisible());

        // The log sorts by the clicked column, reversing its one order each time.
        auto *log = child<QTreeView>("ListView2");
        m_form->ListView2_ColumnClick(1);
        QCOMPARE(m_form->webLog()->sortOrder(), Qt::DescendingOrder);
        m_form->ListView2_ColumnClick(2);
        QCOMPARE(m_form->webLog()->sortOrder(), Qt::AscendingOrder);
        QCOMPARE(log->model()->index(0, 1).data().toString(), urls.at(2));
    }

    // Scan > Re-read Kept Pages after an engine's definition has changed: the cells from the kept pages, no
    // request; and a table whose engines change keeps the columns that stay.
    void rereadAfterAnEdit()
    {
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        m_program.engines->setCount(1, s("http://reread.example"), 4200);
        runScan({s("http://reread.example")});
        ResultsTableModel *results = m_form->results();
        QCOMPARE(results->cell(0, 2), s("4200"));
        const qint64 before = results->cell(0, 1).toLongLong();
        // Google's markers changed in engines.ini: read again, the cell has no count now.
        QList<engines::Definition> edited = engines::EngineSet::builtin().definitions();
        edited[0].countBefore = s("</b> among ");
        edited[1].enabled = false;
        QVERIFY(engines::saveFile(engines::ownFile(), edited, nullptr));
        QVERIFY(engineActions::loadForProgram().isEmpty());
        const int requests = int(m_program.engines->requestHeads().size());
        action("mnuRereadPages")->trigger();
        QCOMPARE(int(m_program.engines->requestHeads().size()), requests);
        QCOMPARE(results->engineCount(), 5);
        QCOMPARE(results->columnCaption(3), s("Yahoo!"));
        QCOMPARE(results->cell(0, 2), QString());
        QCOMPARE(results->report(0, 1).status, scan::CellStatus::Layout);
        QCOMPARE(results->cell(0, 1).toLongLong(),
                 before - 4200 - m_program.engines->count(2, s("http://reread.example")));
        QVERIFY(child<QLabel>("StatusBar1Panel1")->text().startsWith(s("Read 5 kept pages again.")));
        QCOMPARE(m_form->webLog()->result(1), scan::statusText(scan::CellStatus::Layout));
        QFile::remove(engines::ownFile());
        QVERIFY(engineActions::loadForProgram().isEmpty());
        // Without a scan there is nothing to read: the user is told.
        m_form->mnuClearResults_Click();
        m_form->scanRun()->keptPages().clear();
        prompts::takeShown();
        action("mnuRereadPages")->trigger();
        QVERIFY(prompts::takeShown().value(0).startsWith(s("Re-read Kept Pages|No result page is kept")));
        UserSettings::remove(UserSettings::ChkAutoSort);
    }

    // Scan > Update Saved Searches: the watched URLs in one scan, each row appended to its saved search, the
    // alerts in the Scan Report and as the Change column's colour.
    void updateSavedSearches()
    {
        prompts::takeShown();
        QSignalSpy finished(m_form->scanRun(), &scan::ScanRun::finished);
        for (const UserSettings::Watched &w : UserSettings::watchedSearches(programFolder::path()))
            UserSettings::unwatch(programFolder::path(), w.name);
        action("mnuUpdateSaved")->trigger();
        QVERIFY(prompts::takeShown().value(0).startsWith(s("Update Saved Searches|No saved search")));
        QCOMPARE(finished.count(), 0);

        const QString saved = programFolder::savedFolder();
        QDir().mkpath(saved);
        const QString yesterday = saved::dateKey(QDate::currentDate().addDays(-1));
        const QString today = saved::dateKey(QDate::currentDate());
        testFiles::write(saved + s("/upd.vty"),
                         (s("\r\n[Google]\r\n") + yesterday + s("=1000\r\n")).toLatin1());
        UserSettings::watch(programFolder::path(), s("upd"), s("http://upd.example"));
        UserSettings::watch(programFolder::path(), s("upd2"), s("http://upd2.example"));
        UserSettings::setValue(UserSettings::AlertDrop, s("50"));
        m_program.engines->setCount(1, s("http://upd.example"), 100);
        m_form->urlPanel()->findChild<QListWidget *>(s("List1"))->clear(); // the URL list plays no part
        action("mnuUpdateSaved")->trigger();
        QVERIFY(finished.wait(20000));
        QCOMPARE(modINI::ReadINI(s("Google"), today, s("none"), saved + s("/upd.vty")), s("100"));
        QCOMPARE(modINI::ReadINI(s("Google"), yesterday, s("none"), saved + s("/upd.vty")), s("1000"));
        QVERIFY(QFile::exists(saved + s("/upd2.vty")));
        ResultsTableModel *results = m_form->results();
        QCOMPARE(results->rowCount(), 2);
        int row = results->cell(0, 0) == s("http://upd.example") ? 0 : 1;
        const QModelIndex change = results->index(row, results->changeColumn());
        QCOMPARE(results->data(change, Qt::ForegroundRole).value<QBrush>().color(), QColor(0xc0, 0, 0));
        QVERIFY(results->data(change, Qt::ToolTipRole)
                    .toString()
                    .startsWith(s("ALERT drop: upd (http://upd.example), Google 1000 -> 100")));
        QVERIFY(
            !results->data(results->index(1 - row, results->changeColumn()), Qt::ForegroundRole).isValid());
        action("mnuScanReport")->trigger();
        const QString report = prompts::takeShown().value(0);
        QVERIFY2(report.contains(s("Saved into upd as ") + today) && report.contains(s("ALERT drop: upd")),
                 qPrintable(report));
        // With results in the table it asks first; No (the default) keeps them and starts nothing.
        action("mnuUpdateSaved")->trigger();
        QCOMPARE(prompts::takeShown().value(0),
                 s("Update Saved Searches|Updating the saved searches replaces the 2 results in the table. "
                   "Continue?"));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(results->rowCount(), 2);
        UserSettings::remove(UserSettings::AlertDrop);
        UserSettings::unwatch(programFolder::path(), s("upd"));
        UserSettings::unwatch(programFolder::path(), s("upd2"));
    }

    void closingMidRun()
    {
        m_form->urlPanel()->addEntries({s("http://stall.example"), s("http://b.example")});
        m_form->Command1_Click();
        QTRY_VERIFY(m_program.engines->openConnections() >= 1);
        // Every way of closing asks first, as File > Exit does; No keeps the window and its scan.
        for (const bool viaMenu : {false, true}) {
            prompts::takeShown();
            if (viaMenu)
                action("mnuExitNow")->trigger();
            else
                QVERIFY(!m_form->close());
            QVERIFY(prompts::takeShown().value(0).contains(s("The results and the URL list are not kept.")));
            QVERIFY(m_form->isVisible());
            QVERIFY(m_form->isScanning());
        }
        prompts::queueYesNo(true);
        QVERIFY(m_form->close());
        delete m_form;
        m_form = nullptr;
        QTRY_COMPARE(m_program.engines->openConnections(), 0);
    }

    void splash()
    {
        frmSplash splash;
        QSignalSpy ready(&splash, &frmSplash::showMainWindow);
        splash.start();
        QVERIFY(splash.isVisible());
        QCOMPARE(splash.size(), QSize(px(7170), px(4770)));
        QVERIFY(ready.wait(5000));
        QCOMPARE(ready.size(), 1);
        QCOMPARE(splash.counter(), 150);
        QVERIFY(!splash.isVisible());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
