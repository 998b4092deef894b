#include "gui/web/WebEngineSetup.h"

#include <QCoreApplication>
#include <QTextStream>

#include <unistd.h>

void prepareWebEngine(const char *programName)
{
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        QTextStream(stderr) << programName
                            << ": running as root, so the web views run without Chromium's sandbox"
                            << Qt::endl;
    }
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.webenginecontext.info=false");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
