// vantory: the desktop program. --demo runs it against the bundled engine emulator, with no internet.
#include "cli/ScanCommand.h"
#include "core/ini/UserSettings.h"
#include "core/program/ProductIdentity.h"
#include "core/program/ProgramEnd.h"
#include "core/program/ProgramFolder.h"
#include "emulator/DemoFolder.h"
#include "emulator/EngineEmulator.h"
#include "gui/common/ScreenFit.h"
#include "gui/main/EngineActions.h"
#include "gui/main/Form1.h"
#include "gui/main/UrlPanel.h"
#include "gui/main/frmSplash.h"
#include "gui/skin/modSkin.h"
#include "gui/web/WebEngineSetup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextStream>

#include <csignal>
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

bool hasArgument(int argc, char **argv, std::initializer_list<const char *> names)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *name : names) {
            if (std::strcmp(argv[i], name) == 0)
                return true;
        }
    }
    return false;
}

// The program's options; --help and --version print from them and end the program.
struct Options
{
    QCommandLineOption folder{
        QStringLiteral("program-folder"),
        QStringLiteral("Program folder holding settings.ini, Lists/ and Saved/ (default: the "
                       "folder of the executable when it holds a settings.ini and can be written, else "
                       "~/.local/share/Vantory)."),
        QStringLiteral("DIR")};
    QCommandLineOption demo{
        QStringLiteral("demo"),
        QStringLiteral("Scan against the bundled engine emulator on 127.0.0.1, in a temporary "
                       "program folder, with sample URLs in the list.")};

    void addTo(QCommandLineParser &parser) const
    {
        parser.setApplicationDescription(QStringLiteral("Measures the link popularity of web sites."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({folder, demo});
    }
};

void setIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Vantory"));
    QCoreApplication::setApplicationName(QStringLiteral(VANTORY_PRODUCT_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTORY_VERSION));
}

} // namespace

int main(int argc, char **argv)
{
    // A write beyond the file-size limit fails like one on a full disk, and is reported as such.
    std::signal(SIGXFSZ, SIG_IGN);
    if (hasArgument(argc, argv, {"-h", "--help", "--help-all", "-v", "--version"})) {
        // Help and version need no display.
        QCoreApplication app(argc, argv);
        setIdentity();
        QCommandLineParser parser;
        const Options options;
        options.addTo(parser);
        parser.process(app); // prints and exits 0
        return 0;
    }
    if (hasArgument(argc, argv, {"--demo"}) && !hasDisplay()) {
        // No display: the same demo scan on the command line.
        QCoreApplication app(argc, argv);
        QTextStream(stderr) << "vantory: no display; running the demo scan on the command line" << Qt::endl;
        return cli::runDemoScan();
    }

    prepareWebEngine("vantory");
    QApplication app(argc, argv);
    screenFit::install(); // the splash and every window open inside the screen
    setIdentity();
    QGuiApplication::setDesktopFileName(QStringLiteral("example.vantory.Vantory")); // the launcher's entry

    QCommandLineParser parser;
    const Options options;
    options.addTo(parser);
    parser.process(app);
    const QCommandLineOption &folder = options.folder;
    const QCommandLineOption &demo = options.demo;
    if (QString error; !parser.isSet(demo) && !programFolder::choose(parser.value(folder), &error)) {
        QTextStream(stderr) << "vantory: " << error << Qt::endl;
        QMessageBox::critical(nullptr, QStringLiteral(VANTORY_PRODUCT_NAME), error);
        return 1;
    }
    programFolder::removeStaleTemporaries();

    std::unique_ptr<emulator::EngineEmulator> engines;
    std::unique_ptr<QTemporaryDir> demoFolder;
    if (parser.isSet(demo)) {
        engines = std::make_unique<emulator::EngineEmulator>();
        demoFolder = std::make_unique<QTemporaryDir>();
        QString error;
        if (!engines->listen() || !demoFolder->isValid() ||
            !emulator::writeDemoFolder(demoFolder->path(), *engines, &error,
                                       programFolder::defaultsFolder())) {
            QTextStream(stderr) << "vantory: cannot set up the demo: " << error << Qt::endl;
            return 1;
        }
        programFolder::setPath(demoFolder->path());
        // The demo keeps its options, watches and saves to itself: a settings store inside its folder, gone
        // with it (also when the demo is ended by a signal).
        UserSettings::useFolder(demoFolder->filePath(QStringLiteral("config")));
        programEnd::endOnTerminationSignals();
        productIdentity::setWebsite(engines->baseUrl() + QStringLiteral("/"));
    }

    const QStringList engineMessages = engineActions::loadForProgram();
    std::unique_ptr<Form1> mainWindow;
    frmSplash splash;
    QObject::connect(&splash, &frmSplash::showMainWindow, &splash, [&] {
        mainWindow = std::make_unique<Form1>();
        if (engines)
            mainWindow->urlPanel()->addEntries(emulator::demoUrls());
        mainWindow->show();
        engineActions::showMessages(mainWindow.get(), engineMessages);
    });
    splash.start();
    const int code = programEnd::exec();
    mainWindow.reset();
    modSkin::stopSkin();
    return code;
}
