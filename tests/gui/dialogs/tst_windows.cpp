#include "core/ini/UserSettings.h"
#include "core/ini/modINI.h"
#include "core/program/ProgramFolder.h"
#include "core/scan/EngineTable.h"
#include "gui/common/Prompts.h"
#include "gui/common/modOnTop.h"
#include "gui/dialogs/Form2.h"
#include "gui/dialogs/frmAbout.h"
#include "gui/help/Form8.h"
#include "gui/help/RtfDocument.h"
#include "gui/main/Form1.h"
#include "gui/main/frmSplash.h"
#include "gui/skin/SkinLabel.h"
#include "gui/skin/modSkin.h"
#include "gui/web/WebEngineSetup.h"

#include "../../support/TestFiles.h"

#include "../../support/TestProgram.h"
#include "../../support/TestText.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QTreeView>

using testText::s;

namespace {
} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private:
    TestProgram m_program;
    QString ini() const { return programFolder::settingsIni(); }

    template <typename T> static T *child(QWidget *w, const char *name)
    {
        return w->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_program.setUp(this));
        QDir(m_program.dir.path()).mkpath(s("skins"));
        for (const char *item : {"skins/Standard.skin", "skins/Standard.qss"})
            QVERIFY(QFile::copy(s(VANTORY_SOURCE_DIR "/data/") + s(item), m_program.dir.filePath(s(item))));
        UserSettings::setValue(UserSettings::ShowHelp, s("0"));
    }

    void init() { prompts::reset(); }

    void optionsLoadAndOk()
    {
        QFile::remove(ini());
        testFiles::write(ini(), "[Engines]\r\nGoogle=G:\r\nMSN=M:\r\n");
        for (const auto key : {UserSettings::TxtProfile0, UserSettings::TxtProfile1,
                               UserSettings::TxtProfile2, UserSettings::ChkAutoSort, UserSettings::ChkClear})
            UserSettings::remove(key);
        {
            Form2 dialog;
            dialog.load();
            QCOMPARE(dialog.windowTitle(), s("Options"));
            QCOMPARE(dialog.prefixBox(1)->text(), s("G:"));
            QCOMPARE(dialog.prefixBox(2)->text(), QString());
            QCOMPARE(dialog.prefixBox(5)->text(), s("M:"));
            QCOMPARE(dialog.thresholdBox(0)->text(), s("500"));
            QCOMPARE(dialog.thresholdBox(1)->text(), s("1000"));
            QCOMPARE(dialog.thresholdBox(2)->text(), s("1000"));
            QVERIFY(child<QCheckBox>(&dialog, "chkClear")->isChecked());
            QVERIFY(child<QCheckBox>(&dialog, "chkAuto")->isChecked());
            QCOMPARE(child<QCheckBox>(&dialog, "chkClear")->text(), s("Clear results after each search"));
            QCOMPARE(child<QCheckBox>(&dialog, "chkAuto")->text(), s("Auto-sort data by popularity"));
            QCOMPARE(child<QLabel>(&dialog, "lblProfile2")->text(),
                     s("High Profile if total is greater than: "));
            QCOMPARE(child<QLabel>(&dialog, "lblEngine6")->text(), s("AllTheWeb:"));
            QCOMPARE(dialog.prefixBox(1)->font().family(), s("Trebuchet MS"));
            // Addresses show from their start.
            for (int n = 1; n <= 6; ++n)
                QCOMPARE(dialog.prefixBox(n)->cursorPosition(), 0);
            // Keystrokes run the rule: 1500 into the emptied low box sets medium and high to 3000.
            dialog.thresholdBox(0)->clear();
            QTest::keyClicks(dialog.thresholdBox(0), s("1500"));
            QCOMPARE(dialog.thresholdBox(1)->text(), s("3000"));
            QCOMPARE(dialog.thresholdBox(2)->text(), s("3000"));
            QTest::keyClicks(dialog.thresholdBox(0), s("x"));
            QCOMPARE(dialog.thresholdBox(0)->text(), s("1500"));
            dialog.prefixBox(2)->setText(s(" A: "));
            // Two-state boxes: clicks toggle checked and unchecked, never a grey third state.
            auto *clear = child<QCheckBox>(&dialog, "chkClear");
            auto *autoSort = child<QCheckBox>(&dialog, "chkAuto");
            QVERIFY(!clear->isTristate() && !autoSort->isTristate());
            clear->click();
            QCOMPARE(clear->checkState(), Qt::Unchecked);
            autoSort->click();
            autoSort->click();
            autoSort->click();
            QCOMPARE(autoSort->checkState(), Qt::Unchecked);
            child<QPushButton>(&dialog, "Command1")->click();
        }
        // "Ok" wrote every key: the prefixes unchanged (spaces too), the thresholds and check values.
        QCOMPARE(modINI::ReadINI(s("Engines"), s("Altavista"), s("d"), ini()), s(" A: ")); // unchanged
        QCOMPARE(modINI::ReadINI(s("Engines"), s("Google"), s("d"), ini()), s("G:"));
        QCOMPARE(modINI::ReadINI(s("Engines"), s("ATW"), s("d"), ini()), QString());
        QCOMPARE(UserSettings::value(UserSettings::TxtProfile0), s("1500"));
        QCOMPARE(UserSettings::value(UserSettings::TxtProfile1), s("3000"));
        QCOMPARE(UserSettings::value(UserSettings::TxtProfile2), s("3000"));
        QCOMPARE(UserSettings::value(UserSettings::ChkClear), s("0"));
        QCOMPARE(UserSettings::value(UserSettings::ChkAutoSort), s("0"));
        // The scan pace: loaded from the store, saved by "Ok".
        {
            UserSettings::setValue(UserSettings::EngineInterval, s("1500"));
            Form2 dialog;
            dialog.load();
            auto *parallel = child<QCheckBox>(&dialog, "chkParallel");
            auto *interval = child<QSpinBox>(&dialog, "spnInterval");
            QVERIFY(parallel->isChecked());
            QCOMPARE(interval->value(), 1500);
            QCOMPARE(child<QSpinBox>(&dialog, "spnTimeout")->value(), 30);
            parallel->setChecked(false);
            interval->setValue(250);
            child<QCheckBox>(&dialog, "chkJitter")->setChecked(true);
            child<QSpinBox>(&dialog, "spnTimeout")->setValue(12);
            child<QPushButton>(&dialog, "Command1")->click();
        }
        QCOMPARE(UserSettings::value(UserSettings::ParallelEngines), s("0"));
        QCOMPARE(UserSettings::engineIntervalMs(), 250);
        QVERIFY(UserSettings::engineJitter());
        QCOMPARE(UserSettings::fetchTimeoutSeconds(), 12);
        for (const auto key : {UserSettings::ParallelEngines, UserSettings::EngineInterval,
                               UserSettings::EngineJitter, UserSettings::FetchTimeout})
            UserSettings::remove(key);
        // A stored "2" shows greyed; the first click leaves the grey state for good.
        UserSettings::setValue(UserSettings::ChkAutoSort, s("2"));
        {
            Form2 dialog;
            dialog.load();
            auto *autoSort = child<QCheckBox>(&dialog, "chkAuto");
            QCOMPARE(autoSort->checkState(), Qt::PartiallyChecked);
            autoSort->click();
            QCOMPARE(autoSort->checkState(), Qt::Checked);
            autoSort->click();
            QCOMPARE(autoSort->checkState(), Qt::Unchecked);
            autoSort->click();
            QCOMPARE(autoSort->checkState(), Qt::Checked);
        }

        // Damaged stored values: the check box shows its default, the dialog opens; the medium box shows
        // the stored high value.
        UserSettings::setValue(UserSettings::ChkClear, s("yes"));
        UserSettings::setValue(UserSettings::TxtProfile1, s("700"));
        UserSettings::setValue(UserSettings::TxtProfile2, s("900"));
        UserSettings::setValue(UserSettings::TxtProfile0, s("200"));
        Form2 damaged;
        damaged.load();
        QVERIFY(child<QCheckBox>(&damaged, "chkClear")->isChecked());
        QCOMPARE(damaged.thresholdBox(1)->text(), s("900"));
        QCOMPARE(damaged.thresholdBox(2)->text(), s("900"));
        // "Cancel" writes nothing.
        damaged.thresholdBox(0)->setText(s("1"));
        child<QPushButton>(&damaged, "Command2")->click();
        QCOMPARE(UserSettings::value(UserSettings::TxtProfile0), s("200"));
    }

    void optionsReset()
    {
        testFiles::write(ini(), "[Engines]\r\nGoogle=mine\r\n");
        UserSettings::setValue(UserSettings::TxtProfile0, s("42"));
        {
            Form2 dialog;
            dialog.load();
            prompts::queueYesNo(false);
            child<QPushButton>(&dialog, "Command3")->click();
            QCOMPARE(prompts::takeShown(), QStringList{s("Warning|This will reset all engines, Continue?")});
            QCOMPARE(testFiles::read(ini()), QByteArray("[Engines]\r\nGoogle=mine\r\n"));
            QCOMPARE(dialog.thresholdBox(0)->text(), s("500"));
            QCOMPARE(dialog.thresholdBox(1)->text(), s("1000"));
            QCOMPARE(dialog.thresholdBox(2)->text(), s("1000"));
            child<QPushButton>(&dialog, "Command2")->click();
        }
        QCOMPARE(UserSettings::value(UserSettings::TxtProfile0), s("42"));
        {
            Form2 dialog;
            dialog.load();
            prompts::queueYesNo(true);
            child<QPushButton>(&dialog, "Command3")->click();
            QCOMPARE(dialog.prefixBox(1)->text(), scan::defaultPrefix(1));
            child<QPushButton>(&dialog, "Command2")->click(); // the reset is not undone
        }
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(scan::readPrefix(n, ini()), scan::defaultPrefix(n));

        // "Ok" that cannot write settings.ini says so, keeps the dialog open and changes nothing; the six
        // addresses are written together or not at all.
        const QByteArray before = testFiles::read(ini());
        prompts::takeShown();
        {
            Form2 dialog;
            dialog.load();
            dialog.show();
            for (int n = 1; n <= 6; ++n)
                dialog.prefixBox(n)->setText(QString(400, QChar(u'a' + n)));
            dialog.thresholdBox(0)->setText(s("7"));
            testFiles::FileSizeLimit limit(before.size() + 100);
            child<QPushButton>(&dialog, "Command1")->click();
            QVERIFY(dialog.isVisible());
            QCOMPARE(prompts::takeShown().size(), 1);
        }
        QCOMPARE(testFiles::read(ini()), before);
        QCOMPARE(UserSettings::value(UserSettings::TxtProfile0), s("42"));
    }

    void optionsSingleInstance()
    {
        Form1 form;
        form.Command6_Click();
        Form2 *first = form.optionsDialog();
        QVERIFY(first && first->isVisible() && !first->isModal());
        form.Command6_Click();
        QCOMPARE(form.optionsDialog(), first);
        QCOMPARE(form.findChildren<Form2 *>().size(), 1);
        bool modal = false;
        form.setDialogHook([&modal](QDialog *dialog) {
            QTimer::singleShot(0, dialog, [dialog, &modal] {
                modal = dialog->isModal() && dialog->isVisible();
                dialog->reject();
            });
        });
        form.mnuConfig_Click();
        QVERIFY(modal);
    }

    void skinFiles()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(s("Mine.skin"));
        testFiles::write(dir.filePath(s("Mine.qss")), "QDialog { background: @window; color: @accent; }");
        // Any line ends, any case of the names.
        testFiles::write(file, "; a comment\n[skin]\n2=#010203\nWINDOW=#aabbcc\naccent=#123456\n"
                               "StyleSheet=Mine.qss\n");
        modSkin::Skin skin;
        QVERIFY(skin.load(file));
        QCOMPARE(skin.property(2).toUInt(), 0x010203u);
        QCOMPARE(skin.windowColor(), QColor(0xaa, 0xbb, 0xcc));
        QCOMPARE(skin.styleSheet(), s("QDialog { background: #aabbcc; color: #123456; }"));
        testFiles::write(file, "[Skin]\r2=#040506\rStyleSheet=Mine.qss\r");
        QVERIFY(skin.load(file));
        QCOMPARE(skin.property(2).toUInt(), 0x040506u);
        // A style sheet outside the skin's folder, a device, or one over 1 MiB is not read.
        QDir(dir.path()).mkpath(s("sub"));
        testFiles::write(dir.filePath(s("sub/big.qss")), QByteArray(1024 * 1024 + 1, ' '));
        testFiles::write(dir.filePath(s("outside.qss")), "QWidget { color: red; }");
        const QString nested = dir.filePath(s("sub/Mine.skin"));
        for (const QByteArray &sheet :
             {QByteArray("/dev/zero"), QByteArray("../outside.qss"), QByteArray("big.qss")}) {
            testFiles::write(nested, "[Skin]\n2=#070809\nStyleSheet=" + sheet + "\n");
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(s("style sheet .* cannot be read")));
            QVERIFY(skin.load(nested));
            QCOMPARE(skin.property(2).toUInt(), 0x070809u);
            QVERIFY2(skin.styleSheet().isEmpty(), sheet.constData());
        }
        // A skin that cannot be read: the built-in look and one warning.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(s("skin .* cannot be read")));
        QVERIFY(!skin.load(dir.filePath(s("missing.skin"))));
        QVERIFY(skin.wasRead());
        QCOMPARE(skin.property(2).toUInt(), 0xf4f7fbu);
    }

    void skinColoursAndLabels()
    {
        modSkin::Skin *skin = modSkin::skinObject();
        QVERIFY(skin->load(modSkin::skinFile()));
        QCOMPARE(skin->name(), s("Standard"));
        // Every colour of the skin file shows in the style sheet (which names them), none is left unnamed.
        for (const char *colour : {"#e9eef4", "#2f6fb2", "#24446b", "#1c2733"})
            QVERIFY2(skin->styleSheet().contains(s(colour)), colour);
        QVERIFY(!skin->styleSheet().contains(u'@'));
        const QColor back = QColor::fromRgb(QRgb(skin->property(2).toUInt()));
        const QColor fore = QColor::fromRgb(QRgb(skin->property(3).toUInt()));
        const QColor picture = QColor::fromRgb(QRgb(skin->property(4).toUInt()));
        QVERIFY(!skin->property(5).isValid());
        QVERIFY(!skin->styleSheet().isEmpty());

        Form1 form;
        // A combo box, a list box and a list view get the same back and text colours; a button the back only.
        for (const char *name : {"cmbChart2", "List1", "ListView1", "Text1"}) {
            QWidget *w = child<QWidget>(&form, name);
            QCOMPARE(w->property("BackColor").value<QColor>(), back);
            QCOMPARE(w->property("ForeColor").value<QColor>(), fore);
            QVERIFY(w->styleSheet().contains(back.name()));
        }
        auto *button = child<QPushButton>(&form, "Command1");
        QCOMPARE(button->property("BackColor").value<QColor>(), back);
        QVERIFY(!button->property("ForeColor").isValid());
        QCOMPARE(child<QWidget>(&form, "Picture1")->property("BackColor").value<QColor>(), picture);
        QVERIFY(!child<QWidget>(&form, "Label5")->property("BackColor").isValid()); // a label: unchanged
        // Drawn: the list really shows the skin's colour.
        form.resize(900, 700);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget *list = child<QListWidget>(&form, "List1")->viewport();
        QCOMPARE(list->grab().toImage().pixelColor(list->width() - 3, list->height() - 3), back);
        QCOMPARE(modSkin::controlKind(child<QWidget>(&form, "cmbChart2")), s("ComboBox"));
        QCOMPARE(modSkin::controlKind(child<QWidget>(&form, "List1")), s("ListBox"));
        QCOMPARE(modSkin::controlKind(child<QWidget>(&form, "ListView2")), s("ListView"));
        QCOMPARE(modSkin::controlKind(child<QWidget>(&form, "Command1")), s("CommandButton"));
        QCOMPARE(form.styleSheet(), skin->styleSheet());

        // The main window's twins: Label5 into SkinLabel1 (Website View), the Chart View's two captions into
        // SkinLabel2; the rotation hint keeps its own text and is not doubled.
        auto *twin = child<SkinLabel>(&form, "SkinLabel1_1");
        QVERIFY(twin);
        QCOMPARE(twin->text(), s("URL:"));
        QCOMPARE(twin->geometry(), child<QLabel>(&form, "Label5")->geometry());
        QCOMPARE(twin->font(), child<QLabel>(&form, "Label5")->font());
        QStringList chartTwins;
        for (int i = 1; i <= 3; ++i) {
            if (auto *l = child<SkinLabel>(&form, QString(s("SkinLabel2_%1").arg(i)).toLatin1().constData()))
                chartTwins.append(l->text());
        }
        QCOMPARE(chartTwins, QStringList({s("Search Engine:"), s("Chart Type:")}));

        // The Options dialog: SkinLabel1 for Frame1's six labels, SkinLabel2 for Frame2's three, afresh each
        // time it loads.
        for (int round = 0; round < 2; ++round) {
            Form2 dialog;
            QList<SkinLabel *> ones, twos;
            for (SkinLabel *l : dialog.findChildren<SkinLabel *>()) {
                if (l->index() == 0)
                    continue;
                (l->array() == s("SkinLabel1") ? ones : twos).append(l);
            }
            QCOMPARE(ones.size(), 6);
            QCOMPARE(twos.size(), 3);
            int lowest = 99;
            for (SkinLabel *l : ones)
                lowest = std::min(lowest, l->index());
            QCOMPARE(lowest, 1);
            const QLabel *plain = child<QLabel>(&dialog, "lblEngine3");
            const SkinLabel *copy = child<SkinLabel>(&dialog, "SkinLabel1_3");
            QCOMPARE(copy->text(), plain->text());
            QCOMPARE(copy->geometry(), plain->geometry());
            QCOMPARE(copy->isVisibleTo(&dialog), plain->isVisibleTo(&dialog));
            QCOMPARE(dialog.palette().color(QPalette::Window).isValid(), true);
        }

        // The controller starts with the splash window and stops at the end.
        frmSplash splash;
        splash.start();
        QVERIFY(modSkin::controller()->isStarted());
        modSkin::stopSkin();
        QVERIFY(!modSkin::controller()->isStarted());
    }

    void helpOfAnySize()
    {
        // One paragraph of 1 MiB is laid out in pieces of at most 4,000 characters, broken at blanks, with
        // nothing lost; NUL bytes are dropped.
        QByteArray words;
        while (words.size() < 1024 * 1024)
            words += "lorem ipsum\0 dolor ";
        QTextDocument document;
        fillDocument(&document, rtf::parse("{\\rtf1\\ansi " + words + "}"));
        int blocks = 0;
        QString joined;
        for (QTextBlock b = document.begin(); b.isValid(); b = b.next(), ++blocks) {
            QVERIFY(b.text().size() <= MaxBlockCharacters);
            joined += b.text();
        }
        QVERIFY(blocks >= 1024 * 1024 / MaxBlockCharacters);
        QCOMPARE(joined, QString::fromLatin1(words).remove(QChar(0)).trimmed());
        // Beyond 2 MiB of text the window says how much more there is, instead of laying it out.
        QByteArray huge = "{\\rtf1\\ansi ";
        for (int i = 0; i < 300; ++i)
            huge += QByteArray(10000, 'x') + "\\par ";
        fillDocument(&document, rtf::parse(huge + "}"));
        QVERIFY(document.characterCount() < MaxShownCharacters + 10000);
        QVERIFY(document.lastBlock().text().contains(s("more characters, is not shown")));
    }

    void helpAndAbout()
    {
        UserSettings::remove(UserSettings::ShowHelp);
        const QString help = m_program.dir.filePath(s("Help.rtf"));
        QFile::remove(help);
        {
            // No Help.rtf, here or in the defaults: an empty window, not top-most, no message.
            QTemporaryDir noDefaults;
            programFolder::setDefaultsFolder(noDefaults.path());
            const auto restore = qScopeGuard([] { programFolder::setDefaultsFolder(QString()); });
            Form8 window;
            window.load();
            window.show();
            QVERIFY(window.text()->toPlainText().isEmpty());
            QVERIFY(!modOnTop::isTopMost(&window));
            QVERIFY(prompts::takeShown().isEmpty());
        }
        QVERIFY(QFile::copy(s(VANTORY_SOURCE_DIR "/data/Help.rtf"), help));
        // Escape, Ctrl+W and its Close button close it.
        for (const int way : {0, 1, 2}) {
            QPointer<Form8> window = new Form8;
            window->load();
            window->show();
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            if (way == 0)
                QTest::keyClick(window, Qt::Key_Escape);
            else if (way == 1)
                QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
            else
                child<QPushButton>(window.data(), "cmdClose")->click();
            QTRY_VERIFY(window.isNull());
        }
        {
            Form8 window;
            window.load();
            window.show();
            QCOMPARE(window.windowTitle(), s("Readme/Help"));
            QVERIFY(window.text()->toPlainText().contains(s("Vantory measures the link popularity")));
            QVERIFY(!window.text()->toPlainText().contains(s("\\par")));
            QVERIFY(modOnTop::isTopMost(&window));
            auto *check = child<QCheckBox>(&window, "Check1");
            QCOMPARE(check->text(), s("Show at Startup"));
            QVERIFY(check->isChecked());
            check->click();
            QCOMPARE(UserSettings::value(UserSettings::ShowHelp), s("0"));
            check->click();
            QCOMPARE(UserSettings::value(UserSettings::ShowHelp), s("1"));
            // It opens at its top.
            QCOMPARE(window.text()->textCursor().position(), 0);
            QCOMPARE(window.text()->verticalScrollBar()->value(), 0);
            // A dialog opened while it is up comes in front of it: the help window gives up its top-most
            // place while the dialog is shown and takes it back afterwards.
            {
                QDialog dialog;
                dialog.show();
                QVERIFY(!modOnTop::isTopMost(&window));
                QVERIFY(window.isVisible());
                QDialog second;
                second.show();
                dialog.hide();
                QVERIFY(!modOnTop::isTopMost(&window));
                second.hide();
                QVERIFY(modOnTop::isTopMost(&window));
                dialog.show();
                QVERIFY(!modOnTop::isTopMost(&window));
            } // destroyed while shown
            QVERIFY(modOnTop::isTopMost(&window));
            QVERIFY(window.isVisible());
        }
        {
            Form1 form; // showHelp "1": the help window opens with the main window
            QVERIFY(form.helpWindow() && form.helpWindow()->isVisible());
        }
        UserSettings::setValue(UserSettings::ShowHelp, s("0"));
        {
            Form1 form;
            QVERIFY(!form.helpWindow());
            form.mnuHelpItem_Click();
            QVERIFY(form.helpWindow());
        }

        frmAbout about;
        QCOMPARE(about.windowTitle(), s("About Vantory"));
        QCOMPARE(child<QLabel>(&about, "Label1")->text(), s("Vantory"));
        QCOMPARE(child<QLabel>(&about, "Label2")->text(), s("Version:"));
        QCOMPARE(child<QLabel>(&about, "lblVersion")->text(), frmAbout::versionText(0, 1));
        QCOMPARE(child<QLabel>(&about, "Label3")->text(), s("Owned By:"));
        QCOMPARE(child<QLabel>(&about, "lblCompany")->text(), s("Brightfern Software"));
        QCOMPARE(child<QLabel>(&about, "Label4")->text(), s("Website:"));
        QCOMPARE(child<QLabel>(&about, "lblWebsite")->text(), s("http://www.vantory.example/"));
        QVERIFY(!child<QLabel>(&about, "Picture1")->pixmap().isNull());
        QCOMPARE(frmAbout::versionText(2, 5), s("2.5"));
        // Its plain labels are doubled into SkinLabel1.
        QCOMPARE(child<SkinLabel>(&about, "SkinLabel1_1")->text(), s("Version:"));
        QVERIFY(!child<SkinLabel>(&about, "SkinLabel1_4"));
        // A window that only shows something closes with "Close", by Enter too.
        auto *close = child<QPushButton>(&about, "cmdClose");
        QCOMPARE(close->text(), s("Close"));
        QVERIFY(close->isDefault());
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::keyClick(&about, Qt::Key_Return);
        QVERIFY(!about.isVisible());
    }
};

int main(int argc, char **argv)
{
    prepareWebEngine("tst_windows");
    QApplication app(argc, argv);
    TestWindows test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_windows.moc"
