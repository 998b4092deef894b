#pragma once

#include "core/scan/CellReport.h"
#include "core/scan/EngineTable.h"
#include "core/scan/KeptPages.h"
#include "core/scan/PageDownload.h"
#include "core/scan/ProxyRotation.h"

#include <QElapsedTimer>
#include <QMap>
#include <QNetworkProxy>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace webgraph {
class ReleaseIndex;
}

namespace scan {

class PageDownload;
class PageFetcher;
class ResultsModel;
class WebLogModel;

// One scan: every URL of a snapshot of the list, each engine of the results table's engine set for each.
// Asynchronous: it returns to the event loop before each URL and while pages download, so the window stays
// responsive, and it may be destroyed at any moment (a closing window) without leaving anything behind.
//
// The engines are separate hosts: by default their requests for a URL start together, one request at a time
// per engine, each engine on a network manager (and connection and thread) of its own, so that one slow or
// hostile server costs only its own engine's cells. The answers are written in table order (Google first),
// so the log rows, the status texts and the cells come exactly as a one-after-another run gives them. Each
// engine keeps its own pace: a minimum interval between the starts of two of its requests, plus a random
// extra of up to the same again when jitter is on.
class ScanRun : public QObject
{
    Q_OBJECT

public:
    ScanRun(ResultsModel *results, WebLogModel *log, QObject *parent = nullptr);
    ~ScanRun() override;

    // settings.ini: its prefixes are read before each URL when the file has changed.
    void setSettingsFile(const QString &file) { m_settingsFile = file; }
    // Where the web graph releases are, for engines whose source is the web graph.
    void setWebGraphFolder(const QString &folder) { m_graphFolder = folder; }
    // Thresholds that replace the stored ones (the command line's --low and --medium).
    void setThresholds(std::optional<int> low, std::optional<int> medium);
    // Limits of every engine's fetches (time-outs, size).
    // Options set here stay; otherwise each run takes the idle time-out from the stored fetchTimeout (or
    // setTimeoutSeconds).
    void setFetchOptions(const FetchOptions &options);
    FetchOptions fetchOptions() const;
    void setTimeoutSeconds(std::optional<int> seconds) { m_timeoutOverride = seconds; }

    // How the engines are asked (defaults: the stored parallelEngines, engineInterval, engineJitter).
    void setParallel(std::optional<bool> parallel) { m_parallelOverride = parallel; }
    void setPacing(std::optional<int> intervalMs, std::optional<bool> jitter);
    bool isParallel() const { return m_parallel; }
    const EnginePrefixes &prefixes() const { return m_prefixes; }

    // Starts a run over urls, in their order. Nothing happens (false) while a run is active or when the list
    // is empty; the results table's sorted mode is switched off in any case.
    bool start(const QStringList &urls);
    // Seen before the next URL; a request during the last URL is not seen and the run completes.
    void requestStop() { m_stopRequested = true; }
    bool isRunning() const { return m_running; }
    bool stopRequested() const { return m_stopRequested; }

    int position() const { return m_position; }
    // The URLs of the current (or last) run.
    int urlCount() const { return int(m_urls.size()); }
    qint64 grandTotal() const { return m_grandTotal; }
    // Rows of this run in which no engine gave a count (they add nothing to the grand total).
    int unmeasuredRows() const { return m_unmeasured; }
    // "Search Complete.  Found N links.", followed by how many URLs got no count from any engine, if any.
    QString completionMessage() const;

    // Proxies for every engine, used in turn, one per request and engine (the command line's --proxy).
    // Without them each run takes the stored ones: an engine's own (proxy.KEY), else those of all engines
    // (proxies).
    void setProxies(std::optional<QList<QNetworkProxy>> proxies) { m_proxiesOverride = std::move(proxies); }
    // The proxies an engine's requests go through in this run (empty: direct).
    QList<QNetworkProxy> proxiesOf(int engine) const
    {
        return engine >= 1 && engine <= int(m_rotations.size())
                   ? m_rotations[std::size_t(engine - 1)].proxies()
                   : QList<QNetworkProxy>();
    }

    // Retries of a failed connection or a 502/504 answer (default: the stored fetchRetries) and the pause
    // before each.
    void setRetries(std::optional<int> retries) { m_retriesOverride = retries; }
    void setRetryPauseMs(int ms) { m_retryPauseMs = ms; }
    // An engine that answers "blocked" this many times in a row is not asked again during the run; with
    // several proxies, a proxy is dropped for that engine after this many blocks through it, and the engine
    // is suspended when none is left.
    static constexpr int BlocksBeforeSuspension = ProxyRotation::BlocksBeforeSuspension;

    // What each engine answered during the run (engine 1..engines().count()).
    struct EngineSummary
    {
        int asked = 0; // requests made for its cells (retries not counted)
        int ok = 0;
        int zero = 0;
        QMap<CellStatus, int> failed; // cells without a count, by status
        int notAsked = 0;
        bool suspended = false;
        QStringList droppedProxies; // proxies no longer used for the engine after blocks
        int failedTotal() const;
    };
    // Every result page the run fetched (the last try of each), with its status and headers, until the next
    // run starts; up to a limit of bytes, the oldest dropped first.
    KeptPages &keptPages() { return m_kept; }
    const KeptPages &keptPages() const { return m_kept; }

    const EngineSummary &summary(int engine) const { return m_summary.at(std::size_t(engine - 1)); }
    // The engines of the current (or last) run: the results table's when the run started.
    const engines::EngineSet &engines() const { return m_engines; }
    // One line per engine: "Google: 12 asked, 10 counts, 1 zero, 1 failed (timeout 1)".
    QStringList summaryLines() const;

signals:
    void started(int steps); // the progress bar's maximum: one per engine per URL
    void progressChanged(int value);
    void statusChanged(const QString &text);
    void rowFinished(int row);
    // The run ended at a stop request, before a URL. No message, no sort, no chart.
    void stopped();
    // All URLs done: the completion message has been sent; the table is sorted afterwards.
    void completed(qint64 grandTotal);
    // Between the ascending and the descending sort by total at the end of a completed run.
    void chartRequested();
    // The run is over, whichever way, and everything it does at its end is done.
    void finished();

private:
    void nextUrl();
    struct Slot;
    Slot *slotById(int engine, int id);
    void beginEngine(int engine);
    // A web graph engine's cell for the URL: the linking domains of its node in the release.
    void graphCell(const engines::Definition &definition, const QString &url, Slot &slot);
    void askAhead(int engine);
    void dropAhead();
    void startFetch(int engine, int id);
    void launch(int engine, int id);
    void pageArrived(int engine, int id);
    // A fetched page, as it came.
    struct Page
    {
        QString query;
        FetchOutcome outcome;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
    };
    void analysed(int engine, int id, const Page &page, const QString &count, CellReport report,
                  const QByteArray &packed, const QList<std::pair<QString, CellReport>> &others);
    // The URLs one request of the engine asks for, from position url on.
    QStringList batchOf(const engines::Definition &definition, int url) const;
    void emitReady();
    // Writes one engine's answer; true when more engines of the row follow.
    bool engineDone(int engine, const QString &count, const CellReport &report);
    void finishRow();
    void complete();
    void prepareEngines();

    engines::EngineSet m_engines;
    FetchOptions m_options;
    QStringList
        m_requestProblem; // per engine: why it cannot be asked (a variable refused or not set), or empty
    KeptPages m_kept;
    QPointer<ResultsModel> m_results;
    QPointer<WebLogModel> m_log;
    std::vector<PageFetcher *> m_fetchers;
    // One engine's request for one URL: the current URL's, or the next URL's asked ahead.
    struct Slot
    {
        int id = 0;   // 0: empty
        int url = -1; // the URL's position; -1: the current one
        QPointer<PageDownload> download;
        int attempt = 0;
        int proxy = -1; // the index of the proxy of its last try, -1 for none
        bool done = false;
        QString count;
        CellReport report;
    };
    std::vector<Slot> m_slots;
    QString m_graphFolder;
    std::map<QString, std::shared_ptr<webgraph::ReleaseIndex>>
        m_graphIndexes; // by release, opened once a run
    std::vector<Slot> m_ahead;
    int m_lastSlotId = 0;
    std::vector<qint64> m_lastStart; // ms on m_clock, -1 for none yet
    QElapsedTimer m_clock;
    int m_nextEmit = 1; // the engine whose answer is written next
    std::optional<bool> m_parallelOverride;
    std::optional<int> m_timeoutOverride;
    bool m_customOptions = false;
    std::optional<int> m_intervalOverride;
    std::optional<bool> m_jitterOverride;
    bool m_parallel = true;
    int m_intervalMs = 0;
    bool m_jitter = false;
    QString m_settingsFile;
    EnginePrefixes m_prefixes;
    std::optional<int> m_retriesOverride;
    int m_retries = 1;
    int m_retryPauseMs = 1000;
    std::optional<QList<QNetworkProxy>> m_proxiesOverride;
    std::vector<ProxyRotation> m_rotations; // per engine: its proxies in turn, its blocks and suspension
    std::vector<EngineSummary> m_summary;
    // Per engine that asks for several targets at once: the cells its answers gave for URLs still to come
    // (by URL position).
    std::vector<QHash<int, std::pair<QString, CellReport>>> m_batchCells;
    std::optional<int> m_lowOverride;
    std::optional<int> m_mediumOverride;

    QStringList m_urls;
    int m_position = 0;
    int m_progress = 0;
    qint64 m_low = 0;
    qint64 m_medium = 0;
    qint64 m_grandTotal = 0;
    int m_unmeasured = 0;
    bool m_running = false;
    bool m_stopRequested = false;
};

} // namespace scan
