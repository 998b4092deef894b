#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>

class QTcpServer;
class QThread;

namespace emulator {

// What the emulator does with a request. Everything but None, NoResults and ChangedLayout is a fault.
enum class Mode
{
    None,           // the engine's result page with the target's count
    NoResults,      // the engine's page for a query without results
    ChangedLayout,  // a page whose layout no longer matches the markers
    SlowDrip,       // the page a few bytes at a time
    Stall,          // headers and the start of the body, then silence with the connection open
    ResetMidBody,   // half the body, then a connection reset
    HugeBody,       // a page far larger than any real one, streamed
    Garbage,        // bytes that are not HTTP, then close
    ErrorStatus,    // status 500 with the result page as its body
    Redirect,       // 302 to the same query, which is then answered normally
    Blocked,        // 429 with a captcha notice and no count
    Captcha,        // 200 with a captcha notice and no count
    NotFound,       // 404 with a small page
    BadGateway,     // 502 with a small page
    GatewayTimeout, // 504 with a small page
    EndlessHeaders, // a status line, then header lines forever, never a body
    EndlessBody,    // a chunked body that never ends, sent as fast as the client takes it
    GzipBomb,       // a gzip body of about 1 MiB that inflates to 1 GiB
    BadGzip,        // a body announced as gzip that is not
};

// The mode a target selects by its host name's first label ("noresults.", "changed.", "slow.", "stall.",
// "reset.", "huge.", "garbage.", "error.", "redirect.", "blocked.", "captcha.", "notfound.", "badgateway.",
// "gatewaytimeout.", "headers.", "endless.", "gzipbomb.", "badgzip."),
// so that a URL list alone can exercise every mode.
Mode modeForTarget(const QString &target);

// A loopback HTTP/1.1 server that answers link queries in the page style of each of the six engines. Engines
// live under /google, /altavista, /yahoo, /teoma, /msn and /alltheweb with the default prefixes' paths; the
// target is everything after "link:" (or "links:") in the query. Configuration may be changed from any
// thread.
class EngineEmulator : public QObject
{
    Q_OBJECT

public:
    explicit EngineEmulator(QObject *parent = nullptr);
    ~EngineEmulator() override;

    bool listen(quint16 port = 0);
    quint16 port() const;
    QString baseUrl() const; // "http://127.0.0.1:" + port
    // The key and user name the /api/ routes take.
    static QString apiKey() { return QStringLiteral("emulator-key"); }
    static QString apiUser() { return QStringLiteral("emulator-user"); }

    // The query prefix of the engine (1..6) on this emulator, as settings.ini holds it.
    QString prefix(int engine) const;
    // Writes a settings.ini whose section Engines points every engine at this emulator.
    bool writeSettingsIni(const QString &file) const;

    void setCount(int engine, const QString &target, qint64 count);
    qint64 count(int engine, const QString &target) const;
    void setMode(const QString &target, Mode mode); // for every engine
    void setMode(int engine, const QString &target, Mode mode);
    void setDefaultMode(Mode mode);
    // The engine's next `times` answers for the target come in mode (then its usual mode again).
    void failNext(int engine, const QString &target, Mode mode, int times);
    // A prefix for the engine on a port where nothing listens: connections to it are refused.
    QString refusedPrefix(int engine) const;
    // Serves exactly these bytes (status 200) for the target on every engine.
    void setPage(const QString &target, const QByteArray &body);
    bool page(const QString &target, QByteArray *body) const;
    Mode mode(int engine, const QString &target) const;
    // The mode of the next answer: a pending failNext() first.
    Mode takeMode(int engine, const QString &target);

    void setLatencyMs(int ms);  // delay before every answer
    void setPadding(int bytes); // result-list markup after the count, per page
    void setHugeBodyBytes(qint64 bytes);
    void setDripIntervalMs(int ms); // SlowDrip: one piece of 64 bytes per interval

    int requestCount() const { return m_requests.load(); }
    int openConnections() const { return m_open.load(); }
    // Request lines and headers of every request so far, in order.
    QList<QByteArray> requestHeads() const;
    // Every engine query so far: which engine, the target, when it arrived and when it was answered (ms on
    // the emulator's clock; the answer comes after the latency).
    struct Visit
    {
        int engine = 0;
        QString target;
        qint64 arrivedMs = 0;
        qint64 answeredMs = 0;
    };
    QList<Visit> visits() const;
    qint64 clockMs() const;
    void noteVisit(const Visit &visit);

    struct Settings
    {
        int latencyMs = 0;
        int padding = 2048;
        qint64 hugeBytes = 64 * 1024 * 1024;
        int dripIntervalMs = 10;
    };
    Settings settings() const;

    // Called by connections.
    void noteRequest(const QByteArray &head);
    void noteOpen() { ++m_open; }
    void noteClosed() { --m_open; }

private:
    void accept();

    QTcpServer *m_server;
    mutable QMutex m_mutex;
    QHash<QString, qint64> m_counts;
    QHash<QString, Mode> m_modes;
    QHash<QString, QByteArray> m_pages;
    QHash<QString, QPair<Mode, int>> m_failNext;
    mutable quint16 m_closedPort = 0;
    Mode m_defaultMode = Mode::None;
    Settings m_settings;
    QList<QByteArray> m_heads;
    QList<Visit> m_visits;
    QElapsedTimer m_clock;
    std::atomic<int> m_requests{0};
    std::atomic<int> m_open{0};
};

// An emulator serving from a thread of its own, for clients that block their thread.
class EmulatorThread
{
public:
    EmulatorThread();
    ~EmulatorThread();
    EmulatorThread(const EmulatorThread &) = delete;
    EmulatorThread &operator=(const EmulatorThread &) = delete;

    bool isListening() const { return m_emulator && m_emulator->port() != 0; }
    EngineEmulator *emulator() const { return m_emulator; }

private:
    QThread *m_thread;
    EngineEmulator *m_emulator = nullptr;
};

} // namespace emulator
