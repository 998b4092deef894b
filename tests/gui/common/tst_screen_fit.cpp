// Every window opens inside its screen's available area and at most its size, at whatever size and scale the
// screen has: CTest runs this on a 1280x800 screen and on a 1920x1080 one at QT_SCALE_FACTOR=2 (960x540).
#include "core/engines/EngineSet.h"
#include "core/ini/UserSettings.h"
#include "core/program/ProgramFolder.h"
#include "core/scan/EngineTable.h"
#include "gui/dialogs/EngineTestDialog.h"
#include "gui/dialogs/Form2.h"
#include "gui/dialogs/Form4.h"
#include "gui/dialogs/Form5.h"
#include "gui/dialogs/frmAbout.h"
#include "gui/help/Form8.h"
#include "gui/main/Form1.h"
#include "gui/main/frmSplash.h"
#include "gui/web/frmWebsite.h"
#include "gui/webgraph/frmLinkingDomains.h"
#include "gui/webgraph/frmWebGraph.h"

#include "../../support/TestProgram.h"
#include "../../support/TestText.h"

#include <QPointer>
#include <QScreen>
#include <QTest>

using testText::s;

class TestScreenFit : public QObject
{
    Q_OBJECT

    TestProgram m_program;

    // Shown, the window lies inside the available area, frame and all.
    static void verifyFits(QWidget *window, const char *name)
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QRect area = window->screen()->availableGeometry();
        const QRect frame = window->frameGeometry();
        QVERIFY2(area.contains(frame), qPrintable(s("%1: %2,%3 %4x%5 outside %6x%7")
                                                      .arg(s(name))
                                                      .arg(frame.x())
                                                      .arg(frame.y())
                                                      .arg(frame.width())
                                                      .arg(frame.height())
                                                      .arg(area.width())
                                                      .arg(area.height())));
    }

private slots:
    void initTestCase() { QVERIFY(m_program.setUp(this)); }

    void everyWindowFits()
    {
        auto *form = new Form1;
        verifyFits(form, "main window");
        // The windows it opens, each as the program opens it.
        form->Command6_Click();
        verifyFits(form->optionsDialog(), "Options");
        form->mnuHelpItem_Click();
        verifyFits(form->helpWindow(), "Help");
        Form4 load;
        verifyFits(&load, "Load Saved Search");
        Form5 save(saved::SaveRow{{{s("Domain Name"), s("http://www.example.com")}, {s("Google"), s("12")}}});
        verifyFits(&save, "Save Search Results");
        frmSplash splash;
        verifyFits(&splash, "splash");
        frmAbout about;
        verifyFits(&about, "About");
        const engines::Definition google = engines::EngineSet::current().at(1);
        EngineTestDialog test(google, scan::readPrefix(google.key, programFolder::settingsIni()), nullptr);
        verifyFits(&test, "Test");
        frmWebGraph graph(programFolder::webGraphFolder(), m_program.dir.filePath(s("none")), {}, nullptr);
        verifyFits(&graph, "Web Graph");
        frmLinkingDomains linking(s("http://example.com"), programFolder::webGraphFolder(),
                                  programFolder::path());
        verifyFits(&linking, "Linking Domains");
        auto *browser = new frmWebsite;
        verifyFits(browser, "browser");
        delete browser;
        prompts::queueYesNo(true);
        form->close();
        delete form;
    }

    void rememberedGeometryIsFitted()
    {
        // A place and size kept on another, larger screen: used only as far as this screen allows.
        {
            Form1 form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.setMinimumSize(0, 0);
            form.setGeometry(3000, 2000, 2600, 1900);
            form.close();
        }
        Form1 again;
        verifyFits(&again, "main window, remembered");
        again.close();
    }
};

QTEST_MAIN(TestScreenFit)
#include "tst_screen_fit.moc"
