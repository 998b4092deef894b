#include "gui/main/UpdateActions.h"

#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "core/saved/Updates.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/ScanRun.h"
#include "gui/common/Prompts.h"

#include <QDate>
#include <QDir>

UpdateController::UpdateController(scan::ResultsModel *results, scan::ScanRun *run, QObject *parent)
    : QObject(parent), m_results(results), m_run(run)
{
    connect(run, &scan::ScanRun::stopped, this, [this] { m_stopped = true; });
    connect(run, &scan::ScanRun::finished, this, &UpdateController::finished);
}

bool UpdateController::prepare(QWidget *parent)
{
    m_watched = UserSettings::watchedSearches(programFolder::path());
    if (m_watched.isEmpty()) {
        prompts::information(
            parent, QStringLiteral("Update Saved Searches"),
            QStringLiteral("No saved search has a URL to update yet: saving a result remembers "
                           "its URL, and vantory-scan --watch NAME URL sets one."));
        return false;
    }
    m_pending = true;
    m_stopped = false;
    return true;
}

QStringList UpdateController::urls() const
{
    return updates::urlsOf(m_watched);
}

void UpdateController::finished()
{
    if (!m_pending)
        return;
    m_pending = false;
    if (m_stopped)
        return; // a stopped update saves nothing
    const QDate today = QDate::currentDate();
    updates::StoredFailureCounts counts(programFolder::path());
    const updates::UpdateResult done = updates::saveAll(*m_results, m_watched, programFolder::savedFolder(),
                                                        today, updates::Rules::stored(), counts);
    QStringList lines;
    if (!done.storeError.isEmpty())
        lines.append(done.storeError);
    for (const updates::SaveOutcome &saved : done.saves) {
        lines.append(saved.ok
                         ? QStringLiteral("Saved into %1 as %2%3")
                               .arg(saved.name, saved::dateKey(today),
                                    saved.gaps > 0 ? QStringLiteral(" (%1 without a count)").arg(saved.gaps)
                                                   : QString())
                         : saved.error);
    }
    for (const updates::Alert &alert : done.alerts) {
        lines.append(alert.line());
        for (int row = 0; row < m_results->rowCount(); ++row) {
            if (m_results->cell(row, 0) == alert.url)
                m_results->setAlert(row, m_results->alert(row).isEmpty()
                                             ? alert.line()
                                             : m_results->alert(row) + u'\n' + alert.line());
        }
    }
    emit reported(lines.join(u'\n'));
}
