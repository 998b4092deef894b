#include "core/ini/UserSettings.h"
#include "core/net/URLEncode.h"
#include "core/program/ProgramEnd.h"
#include "core/program/ProgramFolder.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"
#include "gui/common/Prompts.h"
#include "gui/main/Form1.h"
#include "gui/main/ResultsTableModel.h"
#include "gui/main/UrlPanel.h"
#include "gui/web/WebEngineSetup.h"
#include "gui/web/frmWebsite.h"

#include "../../support/TestProgram.h"
#include "../../support/TestText.h"
#include "core/scan/KeptPages.h"
#include "gui/main/StatusPanel.h"
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWebEngineView>

using testText::s;

namespace {

QString shown(const QWebEngineView *view)
{
    return view->url().toString(QUrl::FullyEncoded);
}

QString asBrowserShows(const QString &address)
{
    return QUrl(address, QUrl::TolerantMode).toString(QUrl::FullyEncoded);
}
} // namespace

// The web views against pages served on loopback by the test itself.
class TestWebViews : public QObject
{
    Q_OBJECT

private:
    TestProgram m_program;
    Form1 *m_form = nullptr;

    QWebEngineView *browser() const { return m_form->findChild<QWebEngineView *>(s("WebBrowser1")); }
    QTreeView *view(const char *name) const { return m_form->findChild<QTreeView *>(s(name)); }
    QString target(const char *path) const { return m_program.site->baseUrl() + s(path); }

    int m_ends = 0;

    // Runs action; true when it ended the program.
    bool quitsWithin(int ms, const std::function<void()> &action)
    {
        const int before = m_ends;
        action();
        QTest::qWait(ms);
        return m_ends > before;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_program.setUp(this));
        UserSettings::setValue(UserSettings::ShowHelp, s("0"));
        UserSettings::setValue(UserSettings::ChkAutoSort, s("0"));
        programEnd::setHandler([this] { ++m_ends; });
    }

    void init()
    {
        prompts::reset();
        frmWebsite::setMainWindowClosed(false);
        m_form = new Form1;
        m_form->show();
    }

    void cleanup()
    {
        delete m_form;
        m_form = nullptr;
    }

    void websiteViewNavigation()
    {
        // At load the browser opens the product's website; the address box follows when it has loaded.
        auto *address = m_form->findChild<QLineEdit *>(s("Text1"));
        QTRY_COMPARE_WITH_TIMEOUT(address->text(), m_program.site->baseUrl() + s("/"), 20000);
        QCOMPARE(m_form->findChild<QPushButton *>(s("Command10"))->toolTip(), s("browse the entered url"));
        QCOMPARE(m_form->findChild<QPushButton *>(s("Command70"))->toolTip(), s("refresh"));
        // Enter acts as "Go"; an empty address is refused without harm.
        address->setText(target("/typed"));
        QTest::keyClick(address, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser()), asBrowserShows(target("/typed")), 20000);
        address->clear();
        m_form->Command10_Click();
        QTest::qWait(100);
        QCOMPARE(shown(browser()), asBrowserShows(target("/typed")));
        // "Opening ..." while a page loads, cleared when it has loaded (once the page before has loaded).
        QTRY_COMPARE_WITH_TIMEOUT(address->text(), asBrowserShows(target("/typed")), 20000);
        auto *panel2 = m_form->findChild<QWidget *>(s("StatusBar1Panel2"));
        QString whileLoading;
        const auto during = connect(browser(), &QWebEngineView::loadStarted, this,
                                    [&] { whileLoading = panel2->property("text").toString(); });
        address->setText(target("/again"));
        m_form->Command10_Click();
        QTRY_VERIFY_WITH_TIMEOUT(whileLoading.startsWith(s("Opening ")), 20000);
        disconnect(during);
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser()), asBrowserShows(target("/again")), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(panel2->property("text").toString(), QString(), 20000);

        // An address without a scheme, "host:port/path", opens as http.
        const QString hostPort = target("/port").mid(int(qstrlen("http://")));
        address->setText(hostPort);
        QTest::keyClick(address, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser()), asBrowserShows(target("/port")), 20000);

        // A page that asks for a new window shows it in the same view.
        browser()->page()->runJavaScript(s("window.open('%1', '_blank');").arg(target("/popup")));
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser()), asBrowserShows(target("/popup")), 20000);
    }

    void logRowsAndWebResults()
    {
        const QStringList urls{target("/one"), target("/two two")};
        m_form->urlPanel()->addEntries(urls);
        QSignalSpy finished(m_form->scanRun(), &scan::ScanRun::finished);
        m_form->Command1_Click();
        QVERIFY(finished.wait(20000));
        QCOMPARE(m_form->webLog()->rowCount(), 14);

        // Each kind of log row: the home page unchanged, an engine's prefix with the encoded URL.
        QTreeView *log = view("ListView2");
        auto click = [&](int row) {
            log->selectionModel()->setCurrentIndex(m_form->webLog()->index(row, 0),
                                                   QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
            m_form->ListView2_Click();
        };
        click(7); // "Home Page" of the second URL
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser()), asBrowserShows(urls.at(1)), 20000);
        click(12); // its MSN row
        const QString msn =
            scan::readPrefix(5, programFolder::settingsIni()) + xurlEncode::URLEncode(urls.at(1));
        QVERIFY(msn.contains(s("%2F%2F")) && msn.contains(s("two%20two")));
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser()), asBrowserShows(msn), 20000);

        // "Web Results": nothing selected, then the second result, whose home-page row is found and opened.
        m_form->TabStrip1_Click(1);
        m_form->Command12_Click();
        QCOMPARE(
            prompts::takeShown(),
            QStringList{s("Vantory|You must first select the item in the results list you wish to view web "
                          "results for.")});
        QTreeView *results = view("ListView1");
        results->selectionModel()->setCurrentIndex(
            m_form->results()->index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        click(0);
        m_form->Command12_Click();
        QCOMPARE(log->selectionModel()->selectedRows().value(0).row(), 7);
        QVERIFY(m_form->findChild<QWidget *>(s("Frame4"))->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser()), asBrowserShows(urls.at(1)), 20000);
        QVERIFY(prompts::takeShown().isEmpty());
        // The keyboard opens log rows: moving the selection, and Enter on a row.
        log->setFocus();
        QTest::keyClick(log, Qt::Key_Down); // row 8: the second URL's Google row
        QCOMPARE(log->currentIndex().row(), 8);
        const QString google =
            scan::readPrefix(1, programFolder::settingsIni()) + xurlEncode::URLEncode(urls.at(1));
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser()), asBrowserShows(google), 20000);
        browser()->setUrl(QUrl(target("/elsewhere")));
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser()), asBrowserShows(target("/elsewhere")), 20000);
        QTest::keyClick(log, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(shown(browser()), asBrowserShows(google), 20000);
        // A result whose log rows are gone: the same message.
        m_form->webLog()->clear();
        m_form->mnuWebResults_Click();
        QCOMPARE(prompts::takeShown().size(), 1);
    }

    void showFetchedPage()
    {
        const QString url = target("/kept");
        m_form->urlPanel()->addEntries({url});
        QSignalSpy finished(m_form->scanRun(), &scan::ScanRun::finished);
        m_form->Command1_Click();
        QVERIFY(finished.wait(20000));
        QTreeView *log = view("ListView2");
        auto *action = m_form->findChild<QAction *>(s("mnuShowFetchedPage"));
        QVERIFY(action);
        auto *panel2 = m_form->findChild<StatusPanel *>(s("StatusBar1Panel2"));
        // The Home Page row has no kept page.
        log->selectionModel()->setCurrentIndex(
            m_form->webLog()->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        prompts::takeShown();
        action->trigger();
        QCOMPARE(prompts::takeShown().value(0).section(u'|', 0, 0), s("Show Fetched Page"));
        // An engine's row: its page as fetched, not fetched again, marked as a kept copy.
        log->selectionModel()->setCurrentIndex(
            m_form->webLog()->index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        const int visits = m_program.engines->visits().size();
        const scan::KeptPage *page = m_form->scanRun()->keptPages().find(url, 1);
        QVERIFY(page);
        QSignalSpy loaded(browser(), &QWebEngineView::loadFinished);
        action->trigger();
        QVERIFY(loaded.wait(20000));
        QCOMPARE(m_program.engines->visits().size(), visits);
        QTRY_VERIFY(panel2->text().startsWith(s("Kept copy: ") + page->query));
        QString html;
        browser()->page()->toPlainText([&html](const QString &text) { html = text; });
        QTRY_VERIFY(!html.isEmpty());
        QVERIFY2(html.contains(page->count), qPrintable(html.left(300)));
    }

    void browserWindowAndShutDown()
    {
        m_form->Command3_Click();
        frmWebsite *window = m_form->websiteWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->mode(), s("Website"));
        QCOMPARE(window->findChild<QPushButton *>(s("Command3"))->toolTip(), s("browse the entered url"));
        QVERIFY(window->findChild<QWidget *>(s("StatusBar1Panel2")));
        // Top-most only until its navigation has started; its caption becomes the page's title once loaded.
        QVERIFY(!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), s("Engine emulator"), 20000);
        // Tiny sizes give no negative sizes.
        window->resize(40, 30);
        QTest::qWait(20);
        for (QWidget *w : window->findChildren<QWidget *>())
            QVERIFY(w->width() >= 0 && w->height() >= 0);
        auto *address = window->findChild<QLineEdit *>(s("Text1"));
        address->clear();
        window->Command3_Click(); // refused quietly

        // Closing the main window keeps the program running with the browser window ...
        QVERIFY(!quitsWithin(300, [this] { m_form->close(); }));
        QVERIFY(frmWebsite::mainWindowClosed());
        // ... until that closes.
        QVERIFY(quitsWithin(50, [window] { window->close(); }));
    }

    void visitAgainLoadsAgain()
    {
        // Closing the browser window unloads it; the next "Visit" loads the website afresh.
        m_form->Command3_Click();
        QPointer<frmWebsite> first = m_form->websiteWindow();
        QVERIFY(first);
        auto *view = first->findChild<QWebEngineView *>(s("WebBrowser1"));
        QTRY_COMPARE_WITH_TIMEOUT(view->title(), s("Engine emulator"), 20000);
        view->setUrl(QUrl(target("/elsewhere")));
        QTRY_COMPARE_WITH_TIMEOUT(shown(view), asBrowserShows(target("/elsewhere")), 20000);
        first->close();
        QTRY_VERIFY(first.isNull());
        m_form->Command3_Click();
        frmWebsite *second = m_form->websiteWindow();
        QVERIFY(second);
        QTRY_COMPARE_WITH_TIMEOUT(shown(second->findChild<QWebEngineView *>(s("WebBrowser1"))),
                                  asBrowserShows(m_program.site->baseUrl() + s("/")), 20000);
        second->close();
    }

    void mainWindowAloneQuits()
    {
        QVERIFY(quitsWithin(50, [this] { m_form->close(); }));
        QVERIFY(!frmWebsite::mainWindowClosed());
    }
};

int main(int argc, char **argv)
{
    prepareWebEngine("tst_webviews");
    QApplication app(argc, argv);
    TestWebViews test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_webviews.moc"
