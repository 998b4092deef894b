#include "cli/ScanCommand.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Vantory"));
    QCoreApplication::setApplicationName(QStringLiteral("Vantory"));
    return cli::runScanCommand(app.arguments().mid(1));
}
