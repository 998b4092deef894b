#include "core/scan/ScanRun.h"

#include "core/ini/UserSettings.h"
#include "core/scan/EngineTable.h"
#include "core/scan/PageFetcher.h"
#include "core/scan/ParseEngineData.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/SortKeys.h"
#include "core/scan/WebLogModel.h"

#include <QRandomGenerator>
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
    : QObject(parent), m_results(results), m_log(log)
{
    for (PageFetcher *&fetcher : m_fetchers)
        fetcher = new PageFetcher(this);
}

ScanRun::~ScanRun()
{
    for (Slot &slot : m_slots)
        delete slot.download; // aborts a transfer in flight; no signal reaches this object any more
    for (Slot &slot : m_ahead)
        delete slot.download;
}

void ScanRun::setFetchOptions(const FetchOptions &options)
{
    m_customOptions = true;
    for (PageFetcher *fetcher : m_fetchers)
        fetcher->setOptions(options);
}

FetchOptions ScanRun::fetchOptions() const
{
    return m_fetchers.front()->options();
}

void ScanRun::setPacing(std::optional<int> intervalMs, std::optional<bool> jitter)
{
    m_intervalOverride = intervalMs;
    m_jitterOverride = jitter;
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
    m_parallel = m_parallelOverride.value_or(UserSettings::parallelEngines());
    m_intervalMs = std::max(0, m_intervalOverride.value_or(UserSettings::engineIntervalMs()));
    m_jitter = m_jitterOverride.value_or(UserSettings::engineJitter());
    m_lastStart.fill(-1);
    m_clock.start();
    if (!m_customOptions || m_timeoutOverride) {
        FetchOptions options = fetchOptions();
        options.idleTimeoutMs =
            1000 * std::clamp(m_timeoutOverride.value_or(UserSettings::fetchTimeoutSeconds()), 1, 600);
        for (PageFetcher *fetcher : m_fetchers)
            fetcher->setOptions(options);
    }
    m_blockedInARow.fill(0);
    m_summary.fill(EngineSummary());
    m_kept.clear();
    dropAhead();
    for (Slot &slot : m_slots)
        slot = Slot();
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

void ScanRun::dropAhead()
{
    for (Slot &slot : m_ahead) {
        delete slot.download; // aborts a request made ahead for a URL that will not be scanned
        slot = Slot();
    }
}

void ScanRun::nextUrl()
{
    if (!m_running)
        return;
    if (m_stopRequested || !m_results || !m_log) {
        dropAhead();
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
    m_nextEmit = 1;
    for (int engine = 1; engine <= EngineCount; ++engine) {
        Slot &ahead = m_ahead[std::size_t(engine - 1)];
        Slot &slot = m_slots[std::size_t(engine - 1)];
        if (ahead.id != 0) {
            // Asked while the URL before was still being answered.
            slot = std::move(ahead);
            ahead = Slot();
            ++m_summary[std::size_t(engine - 1)].asked;
        } else {
            slot = Slot();
            if (m_parallel || engine == 1)
                beginEngine(engine);
        }
    }
    if (m_parallel) {
        for (int engine = 1; engine <= EngineCount; ++engine) {
            if (m_slots[std::size_t(engine - 1)].done)
                askAhead(engine);
        }
    }
    emitReady();
}

ScanRun::Slot *ScanRun::slotById(int engine, int id)
{
    Slot &current = m_slots[std::size_t(engine - 1)];
    if (current.id == id)
        return &current;
    Slot &ahead = m_ahead[std::size_t(engine - 1)];
    return ahead.id == id ? &ahead : nullptr;
}

void ScanRun::beginEngine(int engine)
{
    EngineSummary &summary = m_summary[std::size_t(engine - 1)];
    Slot &slot = m_slots[std::size_t(engine - 1)];
    slot.id = ++m_lastSlotId;
    if (summary.suspended) {
        // No request: the cell stays without a count, and says why.
        slot.done = true;
        slot.report = notAsked(
            QStringLiteral("Not asked: suspended after %1 blocked answers").arg(BlocksBeforeSuspension));
        QTimer::singleShot(0, this, &ScanRun::emitReady);
        return;
    }
    ++summary.asked;
    startFetch(engine, slot.id);
}

void ScanRun::askAhead(int engine)
{
    // With the engines in parallel, an engine that has answered for this URL is asked at once for the next
    // one, so that no engine waits for the slowest of the others; the answer is written in its turn.
    if (!m_parallel || m_stopRequested || m_position + 1 >= m_urls.size())
        return;
    Slot &ahead = m_ahead[std::size_t(engine - 1)];
    if (ahead.id != 0 || m_summary[std::size_t(engine - 1)].suspended)
        return;
    m_prefixes.refresh();
    ahead = Slot();
    ahead.id = ++m_lastSlotId;
    ahead.url = m_position + 1;
    startFetch(engine, ahead.id);
}

void ScanRun::startFetch(int engine, int id)
{
    if (!m_running || !slotById(engine, id))
        return;
    // The engine's own pace: not before the interval (and its random extra) since its last request began.
    qint64 &last = m_lastStart[std::size_t(engine - 1)];
    if (m_intervalMs > 0 && last >= 0) {
        qint64 gap = m_intervalMs;
        if (m_jitter)
            gap += QRandomGenerator::global()->bounded(m_intervalMs + 1);
        const qint64 wait = last + gap - m_clock.elapsed();
        if (wait > 0) {
            last += wait; // reserved: nothing else starts for this engine before then
            QTimer::singleShot(int(wait), this, [this, engine, id] { launch(engine, id); });
            return;
        }
    }
    last = m_clock.elapsed();
    launch(engine, id);
}

void ScanRun::launch(int engine, int id)
{
    Slot *slot = m_running ? slotById(engine, id) : nullptr;
    if (!slot)
        return;
    m_lastStart[std::size_t(engine - 1)] = std::max(m_lastStart[std::size_t(engine - 1)], m_clock.elapsed());
    const int url = slot->url >= 0 ? slot->url : m_position;
    const QString query = queryUrl(m_prefixes.prefix(engine), engine, m_urls.at(url));
    slot->download = m_fetchers[std::size_t(engine - 1)]->fetch(query);
    connect(slot->download, &PageDownload::finished, this, [this, engine, id] { pageArrived(engine, id); });
}

void ScanRun::pageArrived(int engine, int id)
{
    Slot *slot = slotById(engine, id);
    PageDownload *download = slot ? slot->download.data() : nullptr;
    if (!download || !m_results || !m_log)
        return;
    const QString page = download->page();
    const FetchOutcome outcome = download->outcome();
    slot->download = nullptr;
    download->deleteLater();

    const QString count = ParseEngineData(page, engine);
    CellReport report = classifyCell(outcome, page, count, m_prefixes.prefix(engine).isEmpty());
    if (worthRetrying(outcome, report) && slot->attempt < m_retries) {
        ++slot->attempt;
        QTimer::singleShot(m_retryPauseMs, this, [this, engine, id] { startFetch(engine, id); });
        return;
    }
    if (outcome.failure != FetchOutcome::Failure::NotRequested)
        m_kept.add(KeptPage{m_urls.value(slot->url < 0 ? m_position : slot->url), engine, download->url(),
                            outcome.httpStatus, download->headers(), download->body(), count,
                            statusWord(report.status)});
    if (slot->attempt > 0)
        report.detail += QStringLiteral(" (after %1 %2)")
                             .arg(slot->attempt)
                             .arg(slot->attempt == 1 ? QStringLiteral("retry") : QStringLiteral("retries"));
    slot->done = true;
    slot->count = count;
    slot->report = report;
    // Each engine's answers come in URL order, so its run of blocked answers is counted as they arrive.
    int &blocked = m_blockedInARow[std::size_t(engine - 1)];
    blocked = report.status == CellStatus::Blocked ? blocked + 1 : 0;
    if (blocked >= BlocksBeforeSuspension)
        m_summary[std::size_t(engine - 1)].suspended = true;
    if (slot == &m_slots[std::size_t(engine - 1)]) {
        askAhead(engine);
        emitReady();
    }
}

// Writes the answers that are in, in table order; in one-after-another mode the next engine is then asked.
void ScanRun::emitReady()
{
    while (m_running && m_nextEmit <= EngineCount && m_slots[std::size_t(m_nextEmit - 1)].done) {
        const int engine = m_nextEmit++;
        const Slot &slot = m_slots[std::size_t(engine - 1)];
        const QString count = slot.count;
        const CellReport report = slot.report;
        if (!engineDone(engine, count, report))
            return; // the row is finished (or the run is gone)
        if (!m_parallel)
            beginEngine(m_nextEmit);
    }
}

bool ScanRun::engineDone(int engine, const QString &found, const CellReport &report)
{
    EngineSummary &summary = m_summary[std::size_t(engine - 1)];
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
    if (!m_results || !m_log)
        return false;
    QString count = found;
    const QString url = m_urls.at(m_position);
    m_results->setReport(m_position, engine, report);
    m_log->appendRow(engineLogText(engine), url, report);
    QPointer<ScanRun> self(this); // a handler may close the window that owns this run
    emit statusChanged(QStringLiteral("Scanning ") + url + engineStatusSuffix(engine));
    if (!self)
        return false;
    emit progressChanged(++m_progress);
    if (!self || !m_results)
        return false;
    if (engine != MSN)
        count.remove(u',');
    m_results->setCell(m_position, engine + 1, count);
    if (engine < EngineCount)
        return true;
    finishRow();
    return false;
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
