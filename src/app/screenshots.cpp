// vantory-screenshots DIR: writes a picture of every window into DIR, after a demo scan, so that a person
// can look at them. Run it under xvfb-run, or with QT_QPA_PLATFORM=offscreen.
#include "app/ProgramFolder.h"
#include "emulator/DemoFolder.h"
#include "emulator/EngineEmulator.h"
#include "ini/UserSettings.h"
#include "scan/ScanRun.h"
#include "ui/Form1.h"
#include "ui/UrlPanel.h"
#include "ui/frmSplash.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
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
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: vantory-screenshots DIR" << Qt::endl;
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir folder;
    emulator::EngineEmulator engines;
    if (!engines.listen() || !emulator::writeDemoFolder(folder.path(), engines))
        return 1;
    programFolder::setPath(folder.path());
    UserSettings::useFolder(folder.filePath(QStringLiteral("store")));

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
    return ok ? 0 : 1;
}
