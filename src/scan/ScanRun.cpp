#include "scan/ScanRun.h"

#include "ini/UserSettings.h"
#include "scan/EngineTable.h"
#include "scan/PageFetcher.h"
#include "scan/ParseEngineData.h"
#include "scan/ResultsModel.h"
#include "scan/SortKeys.h"
#include "scan/WebLogModel.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace scan {

qint64 cellValue(const QString &cell)
{
    double number = 0;
    if (cell.isEmpty() || !cellNumber(cell, &number))
        return 0;
    // Cells hold at most ten characters; the bound only keeps absurd exponents from overflowing a sum.
    constexpr double Bound = 1e15;
    const double rounded = std::nearbyint(std::clamp(number, -Bound, Bound)); // halves to even
    return qint64(rounded);
}

ScanRun::ScanRun(ResultsModel *results, WebLogModel *log, QObject *parent)
    : QObject(parent), m_results(results), m_log(log), m_fetcher(new PageFetcher(this))
{
}

ScanRun::~ScanRun()
{
    delete m_download; // aborts a transfer in flight; no signal reaches this object any more
}

void ScanRun::setThresholds(std::optional<int> low, std::optional<int> medium)
{
    m_lowOverride = low;
    m_mediumOverride = medium;
}

bool ScanRun::start(const QStringList &urls)
{
    if (m_running || !m_results || !m_log)
        return false;
    m_results->setSortedMode(false);
    m_low = m_lowOverride.value_or(UserSettings::lowThreshold());
    m_medium = m_mediumOverride.value_or(UserSettings::mediumThreshold());
    if (urls.isEmpty())
        return false;
    if (UserSettings::clearBeforeScan()) {
        m_results->clear();
        m_log->clear();
    }
    m_urls = urls;
    m_prefixes.setFile(m_settingsFile);
    m_retries = std::clamp(m_retriesOverride.value_or(UserSettings::fetchRetries()), 0, 3);
    m_blockedInARow.fill(0);
    m_summary.fill(EngineSummary());
    m_running = true;
    m_stopRequested = false;
    m_position = 0;
    m_progress = 0;
    m_grandTotal = 0;
    emit started(int(qMin<qsizetype>(6 * m_urls.size(), std::numeric_limits<int>::max())));
    // The event loop runs once before each URL.
    QTimer::singleShot(0, this, &ScanRun::nextUrl);
    return true;
}

void ScanRun::nextUrl()
{
    if (!m_running)
        return;
    if (m_stopRequested || !m_results || !m_log) {
        m_running = false;
        m_stopRequested = false;
        emit stopped();
        emit finished();
        return;
    }
    const QString &url = m_urls.at(m_position);
    m_prefixes.refresh(); // settings.ini is read again only when it has changed
    m_log->appendRow(QStringLiteral("Home Page"), url);
    m_results->insertResultRow(m_position, url);
    m_engine = 0;
    nextEngine();
}

void ScanRun::nextEngine()
{
    ++m_engine;
    m_attempt = 0;
    EngineSummary &summary = m_summary[std::size_t(m_engine - 1)];
    if (summary.suspended) {
        // No request: the cell stays without a count, and says why.
        QTimer::singleShot(0, this, [this] {
            if (m_running && m_results && m_log)
                engineDone(QString(), notAsked(QStringLiteral("Not asked: suspended after %1 blocked answers")
                                                   .arg(BlocksBeforeSuspension)));
        });
        return;
    }
    ++summary.asked;
    startFetch();
}

void ScanRun::startFetch()
{
    if (!m_running)
        return;
    const QString query = queryUrl(m_prefixes.prefix(m_engine), m_engine, m_urls.at(m_position));
    m_download = m_fetcher->fetch(query);
    connect(m_download, &PageDownload::finished, this, &ScanRun::pageArrived);
}

void ScanRun::pageArrived()
{
    PageDownload *download = m_download;
    if (!download || !m_results || !m_log)
        return;
    const QString page = download->page();
    const FetchOutcome outcome = download->outcome();
    m_download = nullptr;
    download->deleteLater();

    const QString count = ParseEngineData(page, m_engine);
    CellReport report = classifyCell(outcome, page, count, m_prefixes.prefix(m_engine).isEmpty());
    if (worthRetrying(outcome, report) && m_attempt < m_retries) {
        ++m_attempt;
        QTimer::singleShot(m_retryPauseMs, this, &ScanRun::startFetch);
        return;
    }
    if (m_attempt > 0)
        report.detail += QStringLiteral(" (after %1 %2)")
                             .arg(m_attempt)
                             .arg(m_attempt == 1 ? QStringLiteral("retry") : QStringLiteral("retries"));
    EngineSummary &summary = m_summary[std::size_t(m_engine - 1)];
    int &blocked = m_blockedInARow[std::size_t(m_engine - 1)];
    blocked = report.status == CellStatus::Blocked ? blocked + 1 : 0;
    if (blocked >= BlocksBeforeSuspension)
        summary.suspended = true;
    engineDone(count, report);
}

void ScanRun::engineDone(const QString &found, const CellReport &report)
{
    EngineSummary &summary = m_summary[std::size_t(m_engine - 1)];
    switch (report.status) {
    case CellStatus::Ok:
        ++summary.ok;
        break;
    case CellStatus::Zero:
        ++summary.zero;
        break;
    case CellStatus::NotAsked:
        ++summary.notAsked;
        break;
    default:
        ++summary.failed[report.status];
        break;
    }
    QString count = found;
    const QString &url = m_urls.at(m_position);
    m_results->setReport(m_position, m_engine, report);
    m_log->appendRow(engineLogText(m_engine), url, report);
    emit statusChanged(QStringLiteral("Scanning ") + url + engineStatusSuffix(m_engine));
    emit progressChanged(++m_progress);
    if (m_engine != MSN)
        count.remove(u',');
    m_results->setCell(m_position, m_engine + 1, count);

    if (m_engine < EngineCount)
        nextEngine();
    else
        finishRow();
}

void ScanRun::finishRow()
{
    qint64 total = 0;
    for (int column = 2; column < ResultsModel::ColumnCount; ++column)
        total += cellValue(m_results->cell(m_position, column));
    m_grandTotal += total;
    m_results->setCell(m_position, 1, QString::number(total));
    m_results->setProfile(m_position, profileOf(total, m_low, m_medium));
    emit rowFinished(m_position);
    ++m_position;
    if (m_position < m_urls.size())
        QTimer::singleShot(0, this, &ScanRun::nextUrl);
    else
        complete();
}

int ScanRun::EngineSummary::failedTotal() const
{
    int total = 0;
    for (const int n : failed)
        total += n;
    return total;
}

QStringList ScanRun::summaryLines() const
{
    QStringList lines;
    for (int e = 1; e <= EngineCount; ++e) {
        const EngineSummary &s = summary(e);
        QString line = engineCaption(e) + QStringLiteral(": %1 asked, %2 counts, %3 zero, %4 failed")
                                              .arg(s.asked)
                                              .arg(s.ok)
                                              .arg(s.zero)
                                              .arg(s.failedTotal());
        QStringList kinds;
        for (auto it = s.failed.cbegin(); it != s.failed.cend(); ++it)
            kinds.append(statusWord(it.key()) + u' ' + QString::number(it.value()));
        if (!kinds.isEmpty())
            line += QStringLiteral(" (") + kinds.join(QStringLiteral(", ")) + u')';
        if (s.notAsked > 0)
            line += QStringLiteral(", %1 not asked").arg(s.notAsked);
        if (s.suspended)
            line += QStringLiteral(", suspended after %1 blocked answers").arg(BlocksBeforeSuspension);
        lines.append(line);
    }
    return lines;
}

void ScanRun::complete()
{
    emit statusChanged(QStringLiteral("Search Complete.  Found ") + QString::number(m_grandTotal) +
                       QStringLiteral(" links."));
    m_running = false;
    m_stopRequested = false;
    emit completed(m_grandTotal);
    QPointer<ScanRun> self(this); // a handler may close the window that owns this run
    if (m_results && UserSettings::autoSort())
        m_results->SortListView(2, ResultsModel::NumberMode, true);
    emit chartRequested();
    if (!self)
        return;
    if (m_results && UserSettings::autoSort())
        m_results->SortListView(2, ResultsModel::NumberMode, false);
    emit finished();
}

} // namespace scan
