// vantory: the desktop program. --demo runs it against the bundled engine emulator, with no internet.
#include "app/ProductIdentity.h"
#include "app/ProgramFolder.h"
#include "cli/ScanCommand.h"
#include "emulator/DemoFolder.h"
#include "emulator/EngineEmulator.h"
#include "ui/Form1.h"
#include "ui/UrlPanel.h"
#include "ui/frmSplash.h"
#include "web/WebEngineSetup.h"
#include "web/modSkin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstring>
#include <memory>
#include <unistd.h>

#include "vantory_version.h"

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

bool wantsDemo(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--demo") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (wantsDemo(argc, argv) && !hasDisplay()) {
        // No display: the same demo scan on the command line.
        QCoreApplication app(argc, argv);
        QTextStream(stderr) << "vantory: no display; running the demo scan on the command line" << Qt::endl;
        return cli::runDemoScan();
    }

    prepareWebEngine("vantory");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vantory"));
    QApplication::setApplicationName(QStringLiteral(VANTORY_PRODUCT_NAME));
    QApplication::setApplicationVersion(QStringLiteral(VANTORY_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures the link popularity of web sites."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption folder(QStringLiteral("program-folder"),
                                    QStringLiteral("Program folder holding settings.ini, Lists/ and Saved/ "
                                                   "(default: the folder of the executable)."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption demo(
        QStringLiteral("demo"), QStringLiteral("Scan against the bundled engine emulator on 127.0.0.1, in a "
                                               "temporary program folder, with sample URLs in the list."));
    parser.addOptions({folder, demo});
    parser.process(app);
    if (parser.isSet(folder))
        programFolder::setPath(parser.value(folder));

    std::unique_ptr<emulator::EngineEmulator> engines;
    std::unique_ptr<QTemporaryDir> demoFolder;
    if (parser.isSet(demo)) {
        engines = std::make_unique<emulator::EngineEmulator>();
        demoFolder = std::make_unique<QTemporaryDir>();
        QString error;
        if (!engines->listen() || !demoFolder->isValid() ||
            !emulator::writeDemoFolder(demoFolder->path(), *engines, &error)) {
            QTextStream(stderr) << "vantory: cannot set up the demo: " << error << Qt::endl;
            return 1;
        }
        programFolder::setPath(demoFolder->path());
        productIdentity::setWebsite(engines->baseUrl() + QStringLiteral("/"));
    }

    std::unique_ptr<Form1> mainWindow;
    frmSplash splash;
    QObject::connect(&splash, &frmSplash::showMainWindow, &splash, [&] {
        mainWindow = std::make_unique<Form1>();
        if (engines)
            mainWindow->urlPanel()->addEntries(emulator::demoUrls());
        mainWindow->show();
    });
    splash.start();
    const int code = app.exec();
    mainWindow.reset();
    modSkin::stopSkin();
    return code;
}
