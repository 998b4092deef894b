// vantory-screenshots DIR: writes a picture of every window into DIR, after a demo scan, so that a person
// can look at them. Run it under xvfb-run, or with QT_QPA_PLATFORM=offscreen.
#include "core/ini/UserSettings.h"
#include "core/program/ProductIdentity.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/EngineTable.h"
#include "core/scan/ScanRun.h"
#include "emulator/DemoFolder.h"
#include "emulator/EngineEmulator.h"
#include "gui/chart/ChartWidget.h"
#include "gui/chart/modPrint.h"
#include "gui/common/Prompts.h"
#include "gui/dialogs/EngineTestDialog.h"
#include "gui/dialogs/Form2.h"
#include "gui/dialogs/Form4.h"
#include "gui/dialogs/Form5.h"
#include "gui/dialogs/frmAbout.h"
#include "gui/help/Form8.h"
#include "gui/main/Form1.h"
#include "gui/main/ResultsTableModel.h"
#include "gui/main/UrlPanel.h"
#include "gui/main/frmSplash.h"
#include "gui/skin/modSkin.h"
#include "gui/web/WebEngineSetup.h"
#include "gui/web/frmWebsite.h"
#include "gui/webgraph/frmLinkingDomains.h"
#include "gui/webgraph/frmWebGraph.h"
#include <QFile>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTreeView>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget *window, const QString &dir, const QString &name)
{
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    const bool ok = window->grab().save(path);
    QTextStream(stdout) << (ok ? "wrote " : "FAILED ") << path << Qt::endl;
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    prepareWebEngine("vantory-screenshots");
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: vantory-screenshots DIR" << Qt::endl;
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir folder;
    emulator::EngineEmulator engines;
    if (!engines.listen() ||
        !emulator::writeDemoFolder(folder.path(), engines, nullptr, programFolder::defaultsFolder()))
        return 1;
    programFolder::setPath(folder.path());
    UserSettings::useFolder(folder.filePath(QStringLiteral("store")));
    UserSettings::setValue(UserSettings::ShowHelp, QStringLiteral("0"));
    productIdentity::setWebsite(engines.baseUrl() + QStringLiteral("/"));
    // The program's own data beside the executable: the skin and the read-me.
    QDir(folder.path()).mkpath(QStringLiteral("skins"));
    const QDir bin(programFolder::defaultsFolder());
    for (const char *item : {"skins/Standard.skin", "skins/Standard.qss", "Help.rtf"})
        QFile::copy(bin.filePath(QString::fromLatin1(item)),
                    QDir(folder.path()).filePath(QString::fromLatin1(item)));
    modSkin::startSkin(nullptr);

    bool ok = true;
    frmSplash splash;
    splash.show();
    settle(200);
    ok = save(&splash, out, QStringLiteral("frmSplash")) && ok;
    splash.hide();

    Form1 form;
    form.urlPanel()->addEntries(emulator::demoUrls());
    form.show();
    settle(300);
    ok = save(&form, out, QStringLiteral("Form1-idle")) && ok;
    QEventLoop loop;
    QObject::connect(form.scanRun(), &scan::ScanRun::finished, &loop, &QEventLoop::quit);
    form.Command1_Click();
    loop.exec();
    settle(200);
    ok = save(&form, out, QStringLiteral("Form1-data-view")) && ok;
    form.TabStrip1_Click(2);
    settle(200);
    ok = save(&form, out, QStringLiteral("Form1-chart-view")) && ok;
    form.TabStrip1_Click(3);
    settle(200);
    ok = save(&form, out, QStringLiteral("Form1-website-view")) && ok;
    // A chart as the user sees it; the 3D ones need a display with OpenGL (xvfb-run).
    auto *types = form.findChild<QComboBox *>(QStringLiteral("cmbChart2"));
    auto *engineBox = form.findChild<QComboBox *>(QStringLiteral("cmbChart1"));
    const auto chartShot = [&](int type, const QString &name) {
        types->setCurrentIndex(type);
        settle(type % 2 == 0 ? 1500 : 300);
        if (type % 2 == 0 && QGuiApplication::platformName() != QLatin1String("offscreen")) {
            // A window container grabs blank: take the screen instead.
            const QPixmap shot = form.screen()->grabWindow(
                0, form.x(), form.y(), form.frameGeometry().width(), form.frameGeometry().height());
            const QString path = QDir(out).filePath(name + QStringLiteral(".png"));
            QTextStream(stdout) << "wrote " << path << Qt::endl;
            return shot.save(path);
        }
        return save(&form, out, name);
    };
    // Every chart type of the current results.
    form.TabStrip1_Click(2);
    for (int type = 0; type < types->count(); ++type)
        ok = chartShot(type,
                       QStringLiteral("Form1-chart-%1").arg(types->itemText(type).replace(u' ', u'-'))) &&
             ok;
    // A year of daily saves, with days an engine had no count: one engine's history, and all engines.
    {
        QString text;
        const QStringList sections{QStringLiteral("Google"), QStringLiteral("Altavista"),
                                   QStringLiteral("Yahoo!"), QStringLiteral("Teoma"),
                                   QStringLiteral("MSN"),    QStringLiteral("All The Web")};
        for (int s = 0; s < sections.size(); ++s) {
            text += QStringLiteral("[%1]\r\n").arg(sections.at(s));
            for (int day = 0; day < 365; ++day) {
                const QDate date = QDate(2026, 12, 7).addDays(-day);
                const bool gap = (day + 7 * s) % 61 < 3;
                const int count = 20000 * (s + 1) + (365 - day) * 150 * (6 - s) + (day * 37 % 900);
                text += saved::dateKey(date) + u'=' + (gap ? QString() : QString::number(count)) +
                        QStringLiteral("\r\n");
            }
            text += QStringLiteral("\r\n");
        }
        QDir(folder.path()).mkpath(QStringLiteral("Saved"));
        QFile file(QDir(folder.path()).filePath(QStringLiteral("Saved/daily.vty")));
        ok = file.open(QIODevice::WriteOnly) && file.write(text.toLatin1()) > 0 && ok;
        file.close();
        form.setChartFileName(QStringLiteral("daily.vty"));
        form.doChart();
        engineBox->setCurrentIndex(0);
        form.cmbChart1_Click();
        for (const int type : {3, 2, 1})
            ok = chartShot(type, QStringLiteral("Form1-history-%1").arg(type)) && ok;
        engineBox->setCurrentIndex(engineBox->count() - 1);
        form.cmbChart1_Click();
        for (const int type : {3, 1, 0, 4, 6})
            ok = chartShot(type, QStringLiteral("Form1-all-engines-%1").arg(type)) && ok;
        // Daily saves of the last weeks beside a release every quarter since 2017, time running left to
        // right.
        QString mixed = QStringLiteral("[Google]\r\n");
        for (int day = 0; day < 40; ++day)
            mixed += saved::dateKey(QDate(2026, 12, 7).addDays(-day)) +
                     QStringLiteral("=%1\r\n").arg(day % 9 == 4 ? 0 : 52000 - day * 90);
        mixed += QStringLiteral("\r\n[Linking domains]\r\n");
        for (QDate date(2026, 11, 1); date.year() >= 2017; date = date.addMonths(-3))
            mixed += saved::dateKey(date) +
                     QStringLiteral("=%1\r\n").arg(9000 + (date.year() - 2017) * 2600 + date.month() * 40);
        QFile mixedFile(QDir(folder.path()).filePath(QStringLiteral("Saved/mixed.vty")));
        ok = mixedFile.open(QIODevice::WriteOnly) && mixedFile.write(mixed.toLatin1()) > 0 && ok;
        mixedFile.close();
        form.setChartFileName(QStringLiteral("mixed.vty"));
        form.doChart();
        engineBox->setCurrentIndex(engineBox->count() - 1);
        form.cmbChart1_Click();
        form.findChild<QAction *>(QStringLiteral("mnuChartTime"))->trigger();
        for (const int type : {3, 1, 7, 2, 0})
            ok = chartShot(type, QStringLiteral("Form1-time-%1").arg(type)) && ok;
        form.findChild<QAction *>(QStringLiteral("mnuChartTime"))->trigger();
        form.setChartFileName(QStringLiteral("daily.vty"));
        form.doChart();
        // What export writes, for a 2D and a 3D chart.
        for (const int type : {3, 0}) {
            types->setCurrentIndex(type);
            settle(type % 2 == 0 ? 1500 : 300);
            for (const char *extension : {"pdf", "png"}) {
                const QString path = QDir(out).filePath(
                    QStringLiteral("export-%1.%2").arg(type).arg(QLatin1String(extension)));
                const bool written = modPrint::exportChart(form.findChild<ChartWidget *>(), path);
                QTextStream(stdout) << (written ? "wrote " : "FAILED ") << path << Qt::endl;
                ok = written && ok;
            }
        }
    }
    // The web-result log's first engine row opened in the Website View.
    form.TabStrip1_Click(3);
    auto *log = form.findChild<QTreeView *>(QStringLiteral("ListView2"));
    log->setCurrentIndex(log->model()->index(1, 0));
    form.ListView2_Click();
    settle(1500);
    ok = save(&form, out, QStringLiteral("Form1-website-view-result")) && ok;

    // The other windows.
    Form2 options;
    options.load();
    options.show();
    settle(200);
    ok = save(&options, out, QStringLiteral("Form2-options")) && ok;
    options.tabs()->setCurrentIndex(1);
    settle(200);
    ok = save(&options, out, QStringLiteral("Form2-engines")) && ok;
    // The request's fields at the foot of the page.
    if (auto *editor = options.findChild<QScrollArea *>(QStringLiteral("scrEngineEditor"))) {
        editor->verticalScrollBar()->setValue(editor->verticalScrollBar()->maximum());
        settle(100);
        ok = save(&options, out, QStringLiteral("Form2-engines-request")) && ok;
    }
    options.tabs()->setCurrentIndex(2);
    settle(200);
    ok = save(&options, out, QStringLiteral("Form2-updates")) && ok;
    {
        // The Test window on the first engine, after a fetch from the emulator.
        const engines::Definition google = engines::EngineSet::current().at(1);
        EngineTestDialog test(google, scan::readPrefix(google.key, programFolder::settingsIni()), nullptr);
        test.show();
        test.urlBox()->setText(QStringLiteral("http://www.example.com"));
        QEventLoop wait;
        QObject::connect(&test, &EngineTestDialog::tested, &wait, &QEventLoop::quit);
        test.cmdTestFetch_Click();
        wait.exec();
        settle(200);
        ok = save(&test, out, QStringLiteral("EngineTest")) && ok;
    }
    Form5 saveDialog(saved::saveRowOf(*form.results(), 0));
    prompts::setTestMode(true); // the "no saved searches yet" message is not part of the picture
    saveDialog.load();
    prompts::setTestMode(false);
    saveDialog.show();
    settle(200);
    ok = save(&saveDialog, out, QStringLiteral("Form5-save")) && ok;
    Form4 loadDialog;
    loadDialog.show();
    settle(200);
    ok = save(&loadDialog, out, QStringLiteral("Form4-load")) && ok;
    auto *help = new Form8;
    help->load();
    help->show();
    settle(300);
    ok = save(help, out, QStringLiteral("Form8-help")) && ok;
    auto *about = new frmAbout;
    about->show();
    settle(200);
    ok = save(about, out, QStringLiteral("frmAbout")) && ok;
    {
        // The web graph window on the demo's source: its list, then after an import of the release again.
        frmWebGraph graph(programFolder::webGraphFolder(),
                          QDir(folder.path()).filePath(QStringLiteral("GraphSource")), emulator::demoUrls(),
                          nullptr);
        QEventLoop listed;
        QObject::connect(&graph, &frmWebGraph::offersListed, &listed, &QEventLoop::quit);
        graph.show();
        listed.exec();
        settle(200);
        ok = save(&graph, out, QStringLiteral("frmWebGraph")) && ok;
        QEventLoop imported;
        QObject::connect(&graph, &frmWebGraph::importEnded, &imported, &QEventLoop::quit);
        graph.cmdImport_Click();
        imported.exec();
        settle(200);
        ok = save(&graph, out, QStringLiteral("frmWebGraph-imported")) && ok;
        // The import kept the demo sites' linking domains.
        frmLinkingDomains linking(emulator::demoUrls().first(), programFolder::webGraphFolder(),
                                  programFolder::path());
        linking.show();
        settle(200);
        ok = save(&linking, out, QStringLiteral("frmLinkingDomains")) && ok;
    }
    auto *website = new frmWebsite;
    website->load();
    website->show();
    settle(1500);
    ok = save(website, out, QStringLiteral("frmWebsite")) && ok;
    delete website;
    return ok ? 0 : 1;
}
