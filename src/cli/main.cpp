#include "cli/ScanCommand.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char **argv)
{
    // A write beyond the file-size limit fails like one on a full disk, and is reported as such.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vantory"));
    QCoreApplication::setApplicationName(QStringLiteral("Vantory"));
    return cli::runScanCommand(app.arguments().mid(1));
}
