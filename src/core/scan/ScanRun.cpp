#include "core/scan/ScanRun.h"

#include "core/ini/UserSettings.h"
#include "core/scan/EngineTable.h"
#include "core/scan/PageFetcher.h"
#include "core/scan/ResultsModel.h"
#include "core/scan/SortKeys.h"
#include "core/scan/WebLogModel.h"
#include "core/webgraph/DomainMapping.h"
#include "core/webgraph/ReleaseIndex.h"
#include "core/webgraph/ReleaseStore.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QRandomGenerator>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

#include <sys/resource.h>

namespace scan {

ScanRun::ScanRun(ResultsModel *results, WebLogModel *log, QObject *parent)
    : QObject(parent), m_options(defaultFetchOptions()), m_results(results), m_log(log)
{
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
    m_options = options;
}

FetchOptions ScanRun::fetchOptions() const
{
    return m_options;
}

// One fetcher per engine of the run, each with the engine's request headers.
void ScanRun::prepareEngines()
{
    m_engines = m_results->engines();
    const std::size_t n = std::size_t(m_engines.count());
    while (m_fetchers.size() > n) {
        delete m_fetchers.back();
        m_fetchers.pop_back();
    }
    while (m_fetchers.size() < n)
        m_fetchers.push_back(new PageFetcher(this));
    m_requestProblem.clear();
    m_rotations.clear();
    for (std::size_t e = 0; e < n; ++e) {
        const engines::Definition &engine = m_engines.at(int(e) + 1);
        FetchOptions options = engineRequestOptions(engine, m_options);
        m_requestProblem.append(engines::requestProblem(engine));
        m_fetchers[e]->setOptions(options);
        // Its proxies: the command line's, else its own stored ones, else those of all engines.
        QList<QNetworkProxy> proxies;
        if (m_proxiesOverride) {
            proxies = *m_proxiesOverride;
        } else {
            QString stored = UserSettings::proxiesFor(engine.key);
            if (stored.isEmpty())
                stored = UserSettings::value(UserSettings::Proxies);
            for (const QString &text : stored.split(u' ', Qt::SkipEmptyParts)) {
                QNetworkProxy proxy;
                if (parseProxy(text, &proxy))
                    proxies.append(proxy);
            }
        }
        m_rotations.emplace_back(proxies);
    }
    m_slots.assign(n, Slot());
    m_ahead.assign(n, Slot());
    m_lastStart.assign(n, -1);
    m_summary.assign(n, EngineSummary());
    m_batchCells.assign(n, {});
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
    dropAhead();
    for (Slot &slot : m_slots)
        delete slot.download;
    m_retries = std::clamp(m_retriesOverride.value_or(UserSettings::fetchRetries()), 0, 3);
    m_parallel = m_parallelOverride.value_or(UserSettings::parallelEngines());
    m_intervalMs = std::max(0, m_intervalOverride.value_or(UserSettings::engineIntervalMs()));
    m_jitter = m_jitterOverride.value_or(UserSettings::engineJitter());
    m_clock.start();
    if (!m_customOptions || m_timeoutOverride)
        m_options.idleTimeoutMs =
            1000 * std::clamp(m_timeoutOverride.value_or(UserSettings::fetchTimeoutSeconds()), 1, 600);
    prepareEngines();
    m_graphIndexes.clear(); // a release imported again since is read anew
    m_results->reserveRows(m_results->rowCount() + m_urls.size());
    if (m_log->keepsRows()) // a home page row and one per engine
        m_log->reserveRows(m_log->rowCount() + m_urls.size() * (m_engines.count() + 1));
    m_prefixes.setFile(m_settingsFile, m_engines);
    m_kept.clear();
    m_running = true;
    m_stopRequested = false;
    m_position = 0;
    m_progress = 0;
    m_grandTotal = 0;
    m_unmeasured = 0;
    emit started(
        int(qMin<qsizetype>(qsizetype(m_engines.count()) * m_urls.size(), std::numeric_limits<int>::max())));
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
    const int count = m_engines.count();
    for (int engine = 1; engine <= count; ++engine) {
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
        for (int engine = 1; engine <= count; ++engine) {
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
    const QString &problem = m_requestProblem.at(engine - 1);
    if (m_engines.at(engine).isWebGraph()) {
        ++summary.asked;
        graphCell(m_engines.at(engine), m_urls.at(m_position), slot);
        QTimer::singleShot(0, this, &ScanRun::emitReady);
        return;
    }
    // A URL whose figure came with an earlier URL's batch: no request of its own.
    auto &batched = m_batchCells[std::size_t(engine - 1)];
    if (const auto cell = batched.constFind(m_position); cell != batched.cend()) {
        ++summary.asked;
        slot.done = true;
        slot.count = cell->first;
        slot.report = cell->second;
        batched.erase(cell);
        QTimer::singleShot(0, this, &ScanRun::emitReady);
        return;
    }
    if (summary.suspended || !problem.isEmpty()) {
        // No request: the cell stays without a count, and says why.
        slot.done = true;
        slot.report = summary.suspended
                          ? notAsked(QStringLiteral("Not asked: suspended after %1 blocked answers")
                                         .arg(BlocksBeforeSuspension))
                          : notAsked(QStringLiteral("Not asked: ") + problem);
        QTimer::singleShot(0, this, &ScanRun::emitReady);
        return;
    }
    ++summary.asked;
    startFetch(engine, slot.id);
}

void ScanRun::graphCell(const engines::Definition &definition, const QString &url, Slot &slot)
{
    slot.done = true;
    const QString release = definition.release.isEmpty() ? webgraph::importedReleases(m_graphFolder).value(0)
                                                         : definition.release;
    if (release.isEmpty() || m_graphFolder.isEmpty()) {
        slot.report = notAsked(QStringLiteral("Not asked: no web graph release is imported (vantory-scan "
                                              "--graph-import RELEASE imports one)"));
        return;
    }
    std::shared_ptr<webgraph::ReleaseIndex> &index = m_graphIndexes[release];
    QString why;
    if (!index) {
        index = std::make_shared<webgraph::ReleaseIndex>();
        if (!index->open(webgraph::indexFile(m_graphFolder, release), &why)) {
            index.reset();
            slot.report = notAsked(
                QStringLiteral("Not asked: the web graph release %1 is not imported (%2)").arg(release, why));
            return;
        }
    }
    const webgraph::Lookup lookup = webgraph::lookUp(*index, url);
    if (lookup.notKept) {
        slot.report =
            notAsked(QStringLiteral("Not asked: the web graph release %1 was imported for the watched "
                                    "domains only (vantory-scan --graph-import %1 imports it whole)")
                         .arg(release));
        return;
    }
    slot.report = CellReport();
    if (lookup.figures) {
        slot.count = QString::number(lookup.figures->linking);
        slot.report.status = CellStatus::Ok;
        slot.report.detail = QStringLiteral("%1 linking domains of %2 in the web graph release %3")
                                 .arg(lookup.figures->linking)
                                 .arg(webgraph::forward(lookup.figures->node), release);
    } else {
        // A domain the graph does not hold has no linking domain in it: a measurement, not a failure.
        slot.count = QStringLiteral("0");
        slot.report.status = CellStatus::Zero;
        slot.report.detail = QStringLiteral("not in the web graph release %1").arg(release);
    }
}

void ScanRun::askAhead(int engine)
{
    // With the engines in parallel, an engine that has answered for this URL is asked at once for the next
    // one, so that no engine waits for the slowest of the others; the answer is written in its turn.
    if (!m_parallel || m_stopRequested || m_position + 1 >= m_urls.size())
        return;
    Slot &ahead = m_ahead[std::size_t(engine - 1)];
    if (ahead.id != 0 || m_engines.at(engine).isWebGraph() || m_engines.at(engine).batch > 1 ||
        m_summary[std::size_t(engine - 1)].suspended || !m_requestProblem.at(engine - 1).isEmpty())
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
    // The engine's next proxy in turn, passing over those dropped after blocks.
    ProxyRotation &rotation = m_rotations[std::size_t(engine - 1)];
    slot->proxy = rotation.next();
    FetchOptions options = m_fetchers[std::size_t(engine - 1)]->options();
    options.proxy = rotation.proxy(slot->proxy);
    m_fetchers[std::size_t(engine - 1)]->setOptions(options);
    const QString query = queryUrl(m_prefixes.prefix(engine), m_engines.at(engine), m_urls.at(url));
    const engines::Definition &definition = m_engines.at(engine);
    slot->download = m_fetchers[std::size_t(engine - 1)]->fetch(
        query,
        definition.isPost() ? engines::requestBody(definition, batchOf(definition, url)).text : QString());
    connect(slot->download, &PageDownload::finished, this, [this, engine, id] { pageArrived(engine, id); });
}

namespace {

// What the page says, worked out away from the window's thread: a page may be megabytes long.
struct Analysis
{
    QString count;
    CellReport report;
    QByteArray packed; // the page compressed, to be kept
    // A batch's answer: the cells of its other targets, in order.
    QList<std::pair<QString, CellReport>> others;
};

Analysis analyse(const engines::Definition &definition, const QByteArray &body, const FetchOutcome &outcome,
                 bool prefixEmpty, bool keep, int targets = 1)
{
    const QString text = QString::fromLatin1(body);
    Analysis analysis;
    // Figures are read by position: an answer with another number of entries than targets asked cannot
    // say which figure is whose, so none is read.
    const int held = definition.batch > 1 && outcome.failure == FetchOutcome::Failure::None
                         ? engines::batchAnswerSize(definition, text)
                         : -1;
    const bool mismatch = held >= 0 && held != targets;
    for (int index = 0; index < targets; ++index) {
        const engines::Definition one =
            definition.batch > 1 ? engines::forBatchIndex(definition, index) : definition;
        const engines::Extraction extraction = engines::extract(one, text);
        CellReport report = classifyCell(outcome, text, engines::judgedText(one, extraction.count),
                                         prefixEmpty, extraction.located);
        QString count = extraction.count;
        if (mismatch) {
            count.clear();
            report = CellReport();
            report.status = CellStatus::Layout;
            report.http = outcome.httpStatus;
            report.bytes = outcome.bytes;
            report.ms = outcome.ms;
            report.detail = QStringLiteral("The batch's answer holds %1 figures for %2 URLs: which is whose "
                                           "cannot be told, so none is read")
                                .arg(held)
                                .arg(targets);
        } else if (definition.batch > 1 && !extraction.located &&
                   outcome.failure == FetchOutcome::Failure::None && report.status == CellStatus::Layout) {
            report.detail = QStringLiteral("The batch's answer holds no figure for this URL (%1 of %2 asked)")
                                .arg(index + 1)
                                .arg(targets);
        }
        if (index == 0) {
            analysis.count = count;
            analysis.report = report;
        } else {
            analysis.others.append({count, report});
        }
    }
    if (keep && body.size() > 256) {
        analysis.packed = qCompress(body, 1); // pages are HTML: a fraction of their size
        analysis.packed.squeeze();            // qCompress leaves the room of the whole page reserved
    }
    return analysis;
}

// Pages up to this size are read at once; larger ones on the thread pool, so that the window never waits
// for them.
constexpr qsizetype InlinePageBytes = 256 * 1024;

// Large pages are read on threads of their own at a lower priority (nice 10): the window's thread and the
// transfers come first, and the reading still has its share of a busy machine.
QThreadPool &analysisPool()
{
    static QThreadPool pool;
    return pool;
}

void lowerThisThread()
{
    thread_local bool lowered = false;
    if (!lowered) {
        lowered = true;
        ::setpriority(PRIO_PROCESS, 0, 10); // this thread only; where it cannot, it runs as it is
    }
}

} // namespace

void ScanRun::pageArrived(int engine, int id)
{
    Slot *slot = slotById(engine, id);
    PageDownload *download = slot ? slot->download.data() : nullptr;
    if (!download || !m_results || !m_log)
        return;
    slot->download = nullptr;
    download->deleteLater();
    Page page{download->url(), download->outcome(), download->headers(), download->body()};
    const engines::Definition &engineDefinition = m_engines.at(engine);
    const bool prefixEmpty = m_prefixes.prefix(engine).isEmpty();
    const bool keep = m_kept.limit() > 0;
    const int targets = engineDefinition.batch > 1
                            ? int(batchOf(engineDefinition, slot->url < 0 ? m_position : slot->url).size())
                            : 1;
    if (page.body.size() <= InlinePageBytes) {
        const Analysis analysis =
            analyse(engineDefinition, page.body, page.outcome, prefixEmpty, keep, targets);
        analysed(engine, id, page, analysis.count, analysis.report, analysis.packed, analysis.others);
        return;
    }
    // Extraction and judgement of a large page run on the thread pool; the answer comes back through a
    // watcher that dies with this run, so a late answer of a run that is gone lands nowhere.
    auto promise = std::make_shared<QPromise<Analysis>>();
    auto *watcher = new QFutureWatcher<Analysis>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, engine, id, page] {
        watcher->deleteLater();
        if (watcher->future().resultCount() == 0)
            return;
        const Analysis analysis = watcher->future().result();
        analysed(engine, id, page, analysis.count, analysis.report, analysis.packed, analysis.others);
    });
    watcher->setFuture(promise->future());
    const engines::Definition definition = engineDefinition; // a copy for the other thread
    analysisPool().start([promise, definition, prefixEmpty, page, keep, targets] {
        lowerThisThread();
        promise->start();
        promise->addResult(analyse(definition, page.body, page.outcome, prefixEmpty, keep, targets));
        promise->finish();
    });
}

QStringList ScanRun::batchOf(const engines::Definition &definition, int url) const
{
    return m_urls.mid(url, std::max(1, definition.batch));
}

void ScanRun::analysed(int engine, int id, const Page &page, const QString &count, CellReport report,
                       const QByteArray &packed, const QList<std::pair<QString, CellReport>> &others)
{
    Slot *slot = m_running ? slotById(engine, id) : nullptr;
    if (!slot || !m_results || !m_log)
        return;
    const FetchOutcome &outcome = page.outcome;
    if (worthRetrying(outcome, report) && slot->attempt < m_retries) {
        ++slot->attempt;
        QTimer::singleShot(m_retryPauseMs, this, [this, engine, id] { startFetch(engine, id); });
        return;
    }
    if (outcome.failure != FetchOutcome::Failure::NotRequested)
        m_kept.add(KeptPage{m_urls.value(slot->url < 0 ? m_position : slot->url), engine,
                            m_engines.at(engine).key, page.query, outcome.httpStatus, page.headers,
                            packed.isNull() ? page.body : packed, count, statusWord(report.status), outcome,
                            m_prefixes.prefix(engine).isEmpty(), !packed.isNull()});
    if (slot->attempt > 0)
        report.detail += QStringLiteral(" (after %1 %2)")
                             .arg(slot->attempt)
                             .arg(slot->attempt == 1 ? QStringLiteral("retry") : QStringLiteral("retries"));
    slot->done = true;
    slot->count = count;
    slot->report = report;
    // The batch's other targets: their cells wait for their turn (a failed batch gave each the same status).
    const int first = slot->url < 0 ? m_position : slot->url;
    for (qsizetype i = 0; i < others.size(); ++i)
        m_batchCells[std::size_t(engine - 1)].insert(first + 1 + int(i), others.at(i));
    // Each engine's answers come in URL order, so its run of blocked answers is counted as they arrive; with
    // proxies, per proxy.
    ProxyRotation &rotation = m_rotations[std::size_t(engine - 1)];
    rotation.answered(slot->proxy, report.status == CellStatus::Blocked);
    m_summary[std::size_t(engine - 1)].suspended = rotation.suspended();
    m_summary[std::size_t(engine - 1)].droppedProxies = rotation.dropped();
    if (slot == &m_slots[std::size_t(engine - 1)]) {
        askAhead(engine);
        emitReady();
    }
}

// Writes the answers that are in, in table order; in one-after-another mode the next engine is then asked.
void ScanRun::emitReady()
{
    while (m_running && m_nextEmit <= m_engines.count() && m_slots[std::size_t(m_nextEmit - 1)].done) {
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
    const QString url = m_urls.at(m_position);
    m_results->setReport(m_position, engine, report);
    const engines::Definition &definition = m_engines.at(engine);
    m_log->appendRow(definition.logText, url, report);
    QPointer<ScanRun> self(this); // a handler may close the window that owns this run
    emit statusChanged(QStringLiteral("Scanning ") + url + definition.statusSuffix);
    if (!self)
        return false;
    emit progressChanged(++m_progress);
    if (!self || !m_results)
        return false;
    m_results->setCell(m_position, engine + 1, engines::cellText(definition, found));
    if (engine < m_engines.count())
        return true;
    finishRow();
    return false;
}

void ScanRun::finishRow()
{
    if (const std::optional<qint64> total = m_results->settleRow(m_position, m_low, m_medium))
        m_grandTotal += *total;
    else
        ++m_unmeasured;
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
    for (int e = 1; e <= int(m_summary.size()); ++e) {
        const EngineSummary &s = summary(e);
        QString line = m_engines.at(e).header +
                       QStringLiteral(": %1 asked, %2, %3 zero, %4 failed")
                           .arg(s.asked)
                           .arg(s.ok == 1 ? QStringLiteral("1 count") : QStringLiteral("%1 counts").arg(s.ok))
                           .arg(s.zero)
                           .arg(s.failedTotal());
        QStringList kinds;
        for (auto it = s.failed.cbegin(); it != s.failed.cend(); ++it)
            kinds.append(statusWord(it.key()) + u' ' + QString::number(it.value()));
        if (!kinds.isEmpty())
            line += QStringLiteral(" (") + kinds.join(QStringLiteral(", ")) + u')';
        if (s.notAsked > 0)
            line += QStringLiteral(", %1 not asked").arg(s.notAsked);
        if (!s.droppedProxies.isEmpty())
            line +=
                QStringLiteral(", proxies dropped after %1 blocked answers: ").arg(BlocksBeforeSuspension) +
                s.droppedProxies.join(QStringLiteral(", "));
        if (s.suspended)
            line += QStringLiteral(", suspended after %1 blocked answers").arg(BlocksBeforeSuspension);
        lines.append(line);
    }
    return lines;
}

QString ScanRun::completionMessage() const
{
    QString text = QStringLiteral("Search Complete.  Found ") + QString::number(m_grandTotal) +
                   QStringLiteral(" links.");
    if (m_unmeasured > 0)
        text +=
            QStringLiteral(" No engine gave a count for %1 of %2 URLs.").arg(m_unmeasured).arg(m_urls.size());
    return text;
}

void ScanRun::complete()
{
    emit statusChanged(completionMessage());
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
