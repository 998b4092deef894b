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
    // Every chart type of the current results; the 3D ones need a display with OpenGL (xvfb-run).
    form.TabStrip1_Click(2);
    auto *types = form.findChild<QComboBox *>(QStringLiteral("cmbChart2"));
    for (int type = 0; type < types->count(); ++type) {
        types->setCurrentIndex(type);
        settle(type % 2 == 0 ? 1500 : 200);
        const QString name = QStringLiteral("Form1-chart-%1").arg(types->itemText(type).replace(u' ', u'-'));
        if (type % 2 == 0 && QGuiApplication::platformName() != QLatin1String("offscreen")) {
            // A window container grabs blank: take the screen instead.
            const QPixmap shot = form.screen()->grabWindow(
                0, form.x(), form.y(), form.frameGeometry().width(), form.frameGeometry().height());
            const QString path = QDir(out).filePath(name + QStringLiteral(".png"));
            ok = shot.save(path) && ok;
            QTextStream(stdout) << "wrote " << path << Qt::endl;
        } else {
            ok = save(&form, out, name) && ok;
        }
    }
    return ok ? 0 : 1;
}
