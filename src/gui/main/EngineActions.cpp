#include "gui/main/EngineActions.h"

#include "core/engines/EngineSet.h"
#include "core/ini/UserSettings.h"
#include "core/scan/KeptPagesReread.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"
#include "gui/common/Prompts.h"

#include <QPointer>

namespace engineActions {

QStringList loadForProgram()
{
    const engines::LoadResult loaded = engines::loadForProgram();
    engines::EngineSet::setCurrent(loaded.set);
    return loaded.messages;
}

void showMessages(QWidget *parent, const QStringList &messages)
{
    if (!messages.isEmpty())
        prompts::warning(parent, QStringLiteral("Engines"), messages.join(u'\n'));
}

void follow(scan::ResultsModel &results, scan::ScanRun &run)
{
    if (!run.isRunning()) {
        results.setEngines(engines::EngineSet::current());
        return;
    }
    // A running scan keeps its columns; the table follows when it has ended.
    QPointer<scan::ResultsModel> table(&results);
    auto *connection = new QMetaObject::Connection;
    *connection = QObject::connect(&run, &scan::ScanRun::finished, &run, [table, connection] {
        QObject::disconnect(*connection);
        delete connection;
        if (table)
            table->setEngines(engines::EngineSet::current());
    });
}

QString reread(QWidget *parent, scan::ResultsModel &results, scan::WebLogModel &log, scan::ScanRun &run)
{
    const QString title = QStringLiteral("Re-read Kept Pages");
    if (run.isRunning()) {
        prompts::information(parent, title, QStringLiteral("Wait for the scan to end, or stop it first."));
        return QString();
    }
    results.setEngines(engines::EngineSet::current());
    const scan::RereadResult done = scan::rereadKeptPages(
        results, &log, run.keptPages(), UserSettings::lowThreshold(), UserSettings::mediumThreshold());
    if (done.pages == 0) {
        prompts::information(
            parent, title,
            QStringLiteral("No result page is kept for the rows of the table: kept pages are "
                           "those of the last scan."));
        return QString();
    }
    return QStringLiteral("Read %1 kept pages again.  Found %2 links.").arg(done.pages).arg(done.total);
}

} // namespace engineActions
