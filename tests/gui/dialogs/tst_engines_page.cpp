#include "core/engines/EngineSet.h"
#include "core/ini/UserSettings.h"
#include "core/ini/modINI.h"
#include "core/program/ProgramFolder.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"
#include "core/scan/WebLogModel.h"
#include "emulator/EnginePages.h"
#include "gui/common/Prompts.h"
#include "gui/dialogs/EngineTestDialog.h"
#include "gui/dialogs/EnginesPage.h"
#include "gui/dialogs/Form2.h"
#include "gui/dialogs/UpdatesPage.h"

#include "../../support/TestFiles.h"
#include "../../support/TestProgram.h"
#include "../../support/TestText.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

using testText::s;

class TestEnginesPage : public QObject
{
    Q_OBJECT

    TestProgram m_program;

    // Types text into a box as a user would; text beyond ASCII arrives as an input method would give it.
    static void type(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        bool ascii = true;
        for (const QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii) {
            QTest::keyClicks(edit, text);
            return;
        }
        edit->setText(text);
        emit edit->textEdited(text);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_program.setUp(this));
        engines::EngineSet::setCurrent(engines::EngineSet::builtin());
    }

    // The page lists the six, edits them in place, keeps the addresses in step with the General page, and
    // "Ok" writes engines.ini and the new engine's address; a definition that cannot be used says why and
    // is not saved.
    void addEditAndSave()
    {
        QFile::remove(engines::ownFile());
        Form2 dialog;
        dialog.load();
        EnginesPage *page = dialog.enginesPage();
        QCOMPARE(dialog.tabs()->count(), 3);
        QCOMPARE(dialog.tabs()->tabText(1), s("Engines"));
        QCOMPARE(page->list()->count(), 7);
        QCOMPARE(page->list()->item(5)->text(), s("All The Web"));
        QCOMPARE(page->list()->item(6)->text(), s("Linking domains")); // shipped switched off
        QCOMPARE(page->list()->item(6)->checkState(), Qt::Unchecked);
        QCOMPARE(page->list()->item(2)->checkState(), Qt::Checked);
        page->select(4);
        QCOMPARE(page->field(s("txtEngineKey"))->text(), s("MSN"));
        QCOMPARE(page->field(s("txtCountBefore"))->text(), s(" of about "));
        QCOMPARE(page->field(s("txtEngineAddress"))->text(),
                 scan::readPrefix(5, programFolder::settingsIni()));
        // One address, two boxes.
        dialog.prefixBox(5)->setText(s("http://msn.invalid/?q="));
        QCOMPARE(page->field(s("txtEngineAddress"))->text(), s("http://msn.invalid/?q="));
        type(page->field(s("txtEngineAddress")), s("http://127.0.0.1:1/msn?q="));
        QCOMPARE(dialog.prefixBox(5)->text(), s("http://127.0.0.1:1/msn?q="));
        dialog.prefixBox(5)->setText(scan::readPrefix(5, programFolder::settingsIni()));

        // A new engine: the UTF-8 style of the emulator.
        QTest::mouseClick(page->findChild<QPushButton *>(s("cmdEngineAdd")), Qt::LeftButton);
        QCOMPARE(page->list()->count(), 8);
        QCOMPARE(page->current(), 7);
        type(page->field(s("txtEngineKey")), s("Suche"));
        type(page->field(s("txtEngineHeader")), s("Suche"));
        type(page->field(s("txtEngineAddress")), m_program.engines->prefix(emulator::UnicodeStyle));
        QVERIFY(page->problemLabel()->text().contains(s("empty count markers")));
        QVERIFY(!page->list()->item(7)->toolTip().isEmpty());
        type(page->field(s("txtCountBefore")), QString::fromUtf8("Ungefähr "));
        type(page->field(s("txtCountAfter")), QString::fromUtf8(" Ergebnisse für"));
        type(page->field(s("txtSeparators")), s("."));
        QCOMPARE(page->problemLabel()->text(), QString());
        QCOMPARE(page->list()->item(7)->text(), s("Suche"));
        // A header another engine has: refused at "Ok", with the reason, on the Engines page.
        type(page->field(s("txtEngineHeader")), s("msn"));
        dialog.tabs()->setCurrentIndex(0);
        prompts::takeShown();
        QTest::mouseClick(dialog.findChild<QPushButton *>(s("Command1")), Qt::LeftButton);
        QVERIFY(dialog.result() != QDialog::Accepted);
        QCOMPARE(dialog.tabs()->currentIndex(), 1);
        const QStringList shown = prompts::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(s("another engine has the header \"msn\"")),
                 qPrintable(shown.first()));
        QVERIFY(!QFile::exists(engines::ownFile()));
        type(page->field(s("txtEngineHeader")), s("Suche"));
        // Teoma off, the new engine one up.
        page->list()->item(3)->setCheckState(Qt::Unchecked);
        QTest::mouseClick(page->findChild<QPushButton *>(s("cmdEngineUp")), Qt::LeftButton);
        QTest::mouseClick(page->findChild<QPushButton *>(s("cmdEngineUp")), Qt::LeftButton);
        QCOMPARE(page->current(), 5);
        QVERIFY(page->changed());

        QSignalSpy changed(&dialog, &Form2::enginesChanged);
        QTest::mouseClick(dialog.findChild<QPushButton *>(s("Command1")), Qt::LeftButton);
        QCOMPARE(changed.count(), 1);
        const engines::LoadResult saved = engines::loadFile(engines::ownFile());
        QVERIFY2(saved.messages.isEmpty(), qPrintable(saved.messages.join(u'\n')));
        QCOMPARE(saved.all.size(), 8);
        QCOMPARE(saved.all.at(5).key, s("Suche"));
        QCOMPARE(saved.all.at(5).countAfter, QString::fromUtf8(" Ergebnisse für"));
        QVERIFY(!saved.all.at(3).enabled);
        QCOMPARE(engines::EngineSet::current().keys(),
                 QStringList({s("Google"), s("Altavista"), s("Yahoo"), s("MSN"), s("Suche"), s("ATW")}));
        QCOMPARE(modINI::ReadINI(s("Engines"), s("Suche"), s("d"), programFolder::settingsIni()),
                 m_program.engines->prefix(emulator::UnicodeStyle));

        // The Test window: a fetch through the engine, the page marked where the definition cuts.
        Form2 again;
        again.load();
        EnginesPage *page2 = again.enginesPage();
        QCOMPARE(page2->list()->item(5)->text(), s("Suche"));
        QCOMPARE(page2->list()->item(3)->checkState(), Qt::Unchecked);
        page2->select(5);
        m_program.engines->setCount(emulator::UnicodeStyle, s("http://t.example"), 2345678);
        QTest::mouseClick(page2->findChild<QPushButton *>(s("cmdEngineTest")), Qt::LeftButton);
        auto *test = page2->findChild<EngineTestDialog *>();
        QVERIFY(test);
        QVERIFY(test->windowTitle().endsWith(s("Suche")));
        QSignalSpy tested(test, &EngineTestDialog::tested);
        test->urlBox()->setText(s("http://t.example"));
        QTest::mouseClick(test->findChild<QPushButton *>(s("cmdTestFetch")), Qt::LeftButton);
        QVERIFY(tested.wait(10000));
        QVERIFY(test->findChild<QLabel *>(s("lblTestStatus"))->text().startsWith(s("Count read")));
        QVERIFY(test->findChild<QLabel *>(s("lblTestCount"))->text().contains(s("2.345.678")));
        const QList<QTextEdit::ExtraSelection> marks = test->pageView()->extraSelections();
        QCOMPARE(marks.size(), 3); // the count's markers and the count; no check markers
        QCOMPARE(marks.at(0).cursor.selectedText(), QString::fromUtf8("Ungefähr "));
        QCOMPARE(marks.at(1).cursor.selectedText(), s("2.345.678"));
        QCOMPARE(marks.at(2).cursor.selectedText(), QString::fromUtf8(" Ergebnisse für"));
        QVERIFY(marks.at(1).format.background() != marks.at(0).format.background());
        // A page from a file: without a zero phrase in the definition, a no-results page is not recognised.
        const QString file = m_program.dir.filePath(s("none.html"));
        testFiles::write(file, emulator::enginePage(emulator::UnicodeStyle, emulator::PageKind::NoResults, 0,
                                                    s("http://t.example"), 100));
        prompts::queueFile(file);
        QTest::mouseClick(test->findChild<QPushButton *>(s("cmdTestFile")), Qt::LeftButton);
        QCOMPARE(tested.count(), 2);
        QVERIFY(test->findChild<QLabel *>(s("lblTestStatus"))
                    ->text()
                    .startsWith(s("Page layout not recognised")));
        test->close();
        // The kept-pages box is empty without a scan.
        QTest::mouseClick(page2->findChild<QPushButton *>(s("cmdEngineTest")), Qt::LeftButton);
        auto *second = page2->findChildren<EngineTestDialog *>().last();
        QVERIFY(!second->findChild<QComboBox *>(s("cmbKeptPages"))->isEnabled());
        // Removing an engine.
        QTest::mouseClick(page2->findChild<QPushButton *>(s("cmdEngineRemove")), Qt::LeftButton);
        QCOMPARE(page2->list()->count(), 7);
        QVERIFY(page2->definitions().at(5).key == s("ATW"));
        QFile::remove(engines::ownFile());
        engines::EngineSet::setCurrent(engines::EngineSet::builtin());
    }

    // The Updates page: alert rules and proxies into the settings store; a proxy that is none is refused.
    // An engine for a link API: method, body, body type and credentials are edited on the page, a password
    // written into it or a body that is not JSON says why, and "Ok" keeps them all.
    void apiEngineFields()
    {
        QFile::remove(engines::ownFile());
        Form2 dialog;
        dialog.load();
        EnginesPage *page = dialog.enginesPage();
        QTest::mouseClick(page->findChild<QPushButton *>(s("cmdEngineAdd")), Qt::LeftButton);
        const int index = page->current();
        type(page->field(s("txtEngineKey")), s("Api"));
        type(page->field(s("txtEngineHeader")), s("Api"));
        type(page->field(s("txtEngineAddress")), m_program.engines->baseUrl() + s("/api/post"));
        page->findChild<QComboBox *>(s("cmbEngineKind"))->setCurrentIndex(2);
        type(page->field(s("txtJsonPointer")), s("/tasks/0/result/0/backlinks"));
        auto *method = page->findChild<QComboBox *>(s("cmbEngineMethod"));
        auto *body = page->findChild<QPlainTextEdit *>(s("txtEngineBody"));
        QVERIFY(!body->isEnabled());
        method->setCurrentIndex(1);
        QVERIFY(body->isEnabled());
        body->setPlainText(s(R"({"target": ${target}})"));
        QVERIFY2(page->problemLabel()->text().contains(s("not JSON")),
                 qPrintable(page->problemLabel()->text()));
        body->setPlainText(s(R"({"target": "${target}"})"));
        type(page->field(s("txtEngineUsername")), s("emulator-user"));
        type(page->field(s("txtEnginePassword")), s("hunter2"));
        QVERIFY(page->problemLabel()->text().contains(s("never written into the file")));
        type(page->field(s("txtEnginePassword")), s("${env:VANTORY_API_PASSWORD}"));
        QCOMPARE(page->problemLabel()->text(), QString());
        // Several targets a request need the body's list and the pointer's index.
        auto *batch = page->findChild<QSpinBox *>(s("spnEngineBatch"));
        batch->setValue(3);
        QVERIFY2(page->problemLabel()->text().contains(s("${targets}")),
                 qPrintable(page->problemLabel()->text()));
        batch->setValue(1);
        QCOMPARE(page->problemLabel()->text(), QString());
        // Tried from the window: the request shows as sent, the password as its variable; the count is read.
        qputenv("VANTORY_API_PASSWORD", "emulator-key");
        QTest::mouseClick(page->findChild<QPushButton *>(s("cmdEngineTest")), Qt::LeftButton);
        auto *test = page->findChildren<EngineTestDialog *>().last();
        QSignalSpy tested(test, &EngineTestDialog::tested);
        test->urlBox()->setText(s("http://t.example/\"x\""));
        QTest::mouseClick(test->findChild<QPushButton *>(s("cmdTestFetch")), Qt::LeftButton);
        QVERIFY(tested.wait(10000));
        const QString request = test->findChild<QPlainTextEdit *>(s("txtTestRequest"))->toPlainText();
        QVERIFY2(request.startsWith(s("POST ") + m_program.engines->baseUrl() + s("/api/post\n")),
                 qPrintable(request));
        const QString sent = s("{\"target\": \"http://t.example/\\\"x\\\"\"}"); // the quotes escaped
        QVERIFY2(request.contains(sent), qPrintable(request));
        QVERIFY(request.contains(s("${env:VANTORY_API_PASSWORD}")) && !request.contains(s("emulator-key")));
        QVERIFY2(test->findChild<QLabel *>(s("lblTestStatus"))->text().startsWith(s("Count read")),
                 qPrintable(test->findChild<QLabel *>(s("lblTestStatus"))->text()));
        test->close();
        qunsetenv("VANTORY_API_PASSWORD");
        QTest::mouseClick(dialog.findChild<QPushButton *>(s("Command1")), Qt::LeftButton);
        const engines::LoadResult saved = engines::loadFile(engines::ownFile());
        QVERIFY2(saved.messages.isEmpty(), qPrintable(saved.messages.join(u'\n')));
        const engines::Definition &api = saved.all.at(index);
        QCOMPARE(api.method, s("POST"));
        QCOMPARE(api.body, s(R"({"target": "${target}"})"));
        QCOMPARE(api.bodyType, s("application/json"));
        QCOMPARE(api.username, s("emulator-user"));
        QCOMPARE(api.password, s("${env:VANTORY_API_PASSWORD}"));
        QCOMPARE(api.batch, 1);
        QFile::remove(engines::ownFile());
    }

    void alertsAndProxies()
    {
        Form2 dialog;
        dialog.load();
        UpdatesPage *page = dialog.updatesPage();
        QCOMPARE(dialog.tabs()->tabText(2), s("Updates"));
        QCOMPARE(page->dropBox()->value(), 0);
        QCOMPARE(page->failuresBox()->value(), 3);
        QVERIFY(page->engineProxiesBox()->toPlainText().startsWith(s("Google: \nAltavista: ")));
        page->dropBox()->setValue(25);
        page->failuresBox()->setValue(2);
        page->proxiesBox()->setText(s("http://127.0.0.1:3128  socks5://u:p@127.0.0.1:1080"));
        page->engineProxiesBox()->setPlainText(s("MSN: ftp://nope:1"));
        prompts::takeShown();
        QTest::mouseClick(dialog.findChild<QPushButton *>(s("Command1")), Qt::LeftButton);
        QCOMPARE(dialog.tabs()->currentIndex(), 2);
        QVERIFY(prompts::takeShown().value(0).contains(s("is no proxy")));
        QCOMPARE(UserSettings::alertDropPercent(), 0); // nothing written
        page->engineProxiesBox()->setPlainText(s("MSN: http://127.0.0.1:8080\nNope: http://127.0.0.1:1"));
        QTest::mouseClick(dialog.findChild<QPushButton *>(s("Command1")), Qt::LeftButton);
        QVERIFY(prompts::takeShown().value(0).contains(s("No engine has the key \"Nope\"")));
        page->engineProxiesBox()->setPlainText(s("MSN: http://127.0.0.1:8080"));
        QTest::mouseClick(dialog.findChild<QPushButton *>(s("Command1")), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(UserSettings::alertDropPercent(), 25);
        QCOMPARE(UserSettings::alertFailures(), 2);
        QCOMPARE(UserSettings::value(UserSettings::Proxies),
                 s("http://127.0.0.1:3128 socks5://u:p@127.0.0.1:1080"));
        QCOMPARE(UserSettings::proxiesFor(s("MSN")), s("http://127.0.0.1:8080"));
        QCOMPARE(UserSettings::proxiesFor(s("Google")), QString());
        // The scan takes them: the engine's own, else those of all engines.
        scan::ResultsModel results;
        scan::WebLogModel log;
        scan::ScanRun run(&results, &log);
        run.setSettingsFile(programFolder::settingsIni());
        QSignalSpy finished(&run, &scan::ScanRun::finished);
        QVERIFY(run.start({s("http://x.example")}));
        QCOMPARE(run.proxiesOf(5).size(), 1);
        QCOMPARE(run.proxiesOf(5).first().port(), 8080);
        QCOMPARE(run.proxiesOf(1).size(), 2);
        QCOMPARE(run.proxiesOf(1).at(1).type(), QNetworkProxy::Socks5Proxy);
        QCOMPARE(run.proxiesOf(1).at(1).user(), s("u"));
        run.requestStop();
        QVERIFY(finished.wait(20000));
        UserSettings::remove(UserSettings::Proxies);
        UserSettings::setProxiesFor(s("MSN"), QString());
        UserSettings::remove(UserSettings::AlertDrop);
        UserSettings::remove(UserSettings::AlertFailures);
    }
};

QTEST_MAIN(TestEnginesPage)
#include "tst_engines_page.moc"
