#include "emulator/EngineEmulator.h"

#include "core/ini/privateProfile.h"
#include "core/scan/EngineTable.h"
#include "emulator/EnginePages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <sys/socket.h>
#include <zlib.h>

namespace emulator {

namespace {

constexpr qsizetype MaxHeadBytes = 64 * 1024;
constexpr qint64 HugeChunk = 256 * 1024;
const QByteArray RedirectMark = QByteArrayLiteral("emu-redirected=1&");

QString keyOf(int engine, const QString &target)
{
    return QString::number(engine) + u'\n' + target;
}

QString hostOf(const QString &target)
{
    return QUrl(target, QUrl::TolerantMode).host().toLower();
}

struct Request
{
    QByteArray method;
    QByteArray path;  // before "?"
    QByteArray query; // after "?", raw
    bool keepAlive = true;
    bool redirected = false;
    qint64 arrivedMs = 0;
    QByteArray authorization; // the Authorization header's value
    qint64 contentLength = 0;
    QByteArray body;
};

bool parseHead(const QByteArray &head, Request &request)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.size() < 3 || !first.at(2).startsWith("HTTP/"))
        return false;
    request.method = first.at(0);
    QByteArray target = first.at(1);
    const qsizetype q = target.indexOf('?');
    request.path = q < 0 ? target : target.left(q);
    request.query = q < 0 ? QByteArray() : target.mid(q + 1);
    if (request.query.startsWith(RedirectMark)) {
        request.redirected = true;
        request.query.remove(0, RedirectMark.size());
    }
    request.keepAlive = !first.at(2).startsWith("HTTP/1.0");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed().toLower();
        if (line.startsWith("connection:"))
            request.keepAlive = !line.contains("close");
        else if (line.startsWith("content-length:"))
            request.contentLength = std::max<qint64>(0, line.mid(15).trimmed().toLongLong());
        else if (line.startsWith("authorization:"))
            request.authorization = lines.at(i).trimmed().mid(14).trimmed();
    }
    return true;
}

// The target of a link query: everything after "link:" or "links:", less AllTheWeb's suffix.
QString targetOf(const QByteArray &query)
{
    qsizetype at = -1;
    qsizetype skip = 0;
    for (const QByteArray &op : {QByteArrayLiteral("link:"), QByteArrayLiteral("links:")}) {
        const qsizetype i = query.indexOf("=" + op);
        if (i >= 0 && (at < 0 || i < at)) {
            at = i;
            skip = op.size() + 1;
        }
    }
    if (at < 0)
        return QString();
    QByteArray raw = query.mid(at + skip);
    const QByteArray suffix = engines::EngineSet::builtin().at(scan::AllTheWeb).suffix.toLatin1();
    if (raw.endsWith(suffix))
        raw.chop(suffix.size());
    return QUrl::fromPercentEncoding(raw);
}

QByteArray responseHead(int status, const char *reason, qint64 length, bool keepAlive,
                        const QByteArray &extra = QByteArray(),
                        const QByteArray &type = QByteArrayLiteral("text/html; charset=ISO-8859-1"))
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(length) +
           "\r\nConnection: " + (keepAlive ? "keep-alive" : "close") + "\r\n" + extra + "\r\n";
}

// 1 GiB of zeros as gzip (about 1 MiB), made once.
const QByteArray &gzipBomb()
{
    static const QByteArray bomb = [] {
        QByteArray out;
        z_stream z{};
        if (deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) // 16: a gzip wrapper
            return out;
        static const QByteArray zeros(1 << 20, '\0');
        QByteArray buffer(1 << 16, Qt::Uninitialized);
        for (int i = 0; i <= 1024; ++i) {
            const bool last = i == 1024;
            z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
            z.avail_in = last ? 0 : uInt(zeros.size());
            do {
                z.next_out = reinterpret_cast<Bytef *>(buffer.data());
                z.avail_out = uInt(buffer.size());
                deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
                out.append(buffer.constData(), buffer.size() - qsizetype(z.avail_out));
            } while (z.avail_out == 0);
        }
        deflateEnd(&z);
        return out;
    }();
    return bomb;
}

// One client connection. Requests are answered one at a time, in order.
class Connection : public QObject
{
public:
    Connection(QTcpSocket *socket, EngineEmulator *emulator)
        : QObject(emulator), m_socket(socket), m_emulator(emulator)
    {
        m_socket->setParent(this);
        m_emulator->noteOpen();
        connect(m_socket, &QTcpSocket::readyRead, this, &Connection::readRequests);
        connect(m_socket, &QTcpSocket::disconnected, this, &Connection::close);
        connect(m_socket, &QTcpSocket::errorOccurred, this, &Connection::close);
    }
    ~Connection() override
    {
        if (!m_closed)
            m_emulator->noteClosed();
    }

private:
    void close()
    {
        if (m_closed)
            return;
        m_closed = true;
        m_emulator->noteClosed();
        m_socket->disconnect(this);
        m_socket->abort();
        deleteLater();
    }

    void readRequests()
    {
        m_in += m_socket->readAll();
        if (m_busy)
            return;
        const qsizetype end = m_in.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_in.size() > MaxHeadBytes)
                close();
            return;
        }
        const QByteArray head = m_in.left(end);
        Request request;
        if (!parseHead(head, request)) {
            m_in.remove(0, end + 4);
            m_emulator->noteRequest(head);
            send(responseHead(400, "Bad Request", 0, false), false);
            return;
        }
        // A request's body (a POST's) is read whole before the answer.
        if (request.contentLength > MaxHeadBytes) {
            close();
            return;
        }
        if (m_in.size() < end + 4 + request.contentLength)
            return;
        request.body = m_in.mid(end + 4, request.contentLength);
        m_in.remove(0, end + 4 + request.contentLength);
        m_emulator->noteRequest(head);
        m_busy = true;
        request.arrivedMs = m_emulator->clockMs();
        const auto settings = m_emulator->settings();
        // The latency exactly as set: a coarse timer would add up to 5 % to every answer.
        QTimer::singleShot(settings.latencyMs, Qt::PreciseTimer, this, [this, request] { answer(request); });
    }

    // The routes of the paid link APIs' kinds, each answering two figures for a target (backlinks N and
    // linking domains N / 7) in the shape of a well-known service of that kind: /api/bearer?target=T (key as
    // "Authorization: Bearer K"; {"metrics": {"live": N, "live_refdomains": D, ...}}),
    // /api/query?key=K&target=T (text: "domains_num;total" and a line "D;N"), /api/post (a POST of
    // {"target": T} or [{"target": T}] with Basic credentials; {"tasks": [{"result": [{"backlinks": N,
    // "referring_domains": D}]}]}), /api/moved (a POST answered by a redirect to /api/post). Without the
    // right key or credentials: 401.
    void answerApi(const Request &request, const QByteArray &route)
    {
        const QUrlQuery query(QString::fromLatin1(request.query));
        const QString key = m_emulator->apiKey();
        QString target;
        bool allowed = false;
        if (route == "bearer") {
            allowed = request.method == "GET" && request.authorization == "Bearer " + key.toUtf8();
            target = query.queryItemValue(QStringLiteral("target"), QUrl::FullyDecoded);
        } else if (route == "query") {
            allowed = request.method == "GET" && query.queryItemValue(QStringLiteral("key")) == key;
            target = query.queryItemValue(QStringLiteral("target"), QUrl::FullyDecoded);
        } else if (route == "batch") {
            // Several targets in one POST, answered in order; a target holding "missing." is left out, as
            // a service leaves out what it does not know.
            allowed =
                request.method == "POST" &&
                request.authorization == "Basic " + (m_emulator->apiUser() + u':' + key).toUtf8().toBase64();
            if (!allowed) {
                const QByteArray text = R"({"error":"missing or wrong credentials"})";
                send(responseHead(401, "Unauthorized", text.size(), request.keepAlive, {},
                                  "application/json") +
                         text,
                     request.keepAlive);
                return;
            }
            QJsonArray results;
            const QJsonArray targets =
                QJsonDocument::fromJson(request.body).object().value(QStringLiteral("targets")).toArray();
            for (const QJsonValue &value : targets) {
                const QString one = value.toString();
                if (one.contains(QLatin1String("missing.")))
                    continue;
                m_emulator->noteVisit({JsonStyle, one, request.arrivedMs, m_emulator->clockMs()});
                const qint64 pages = m_emulator->count(JsonStyle, one);
                results.append(QJsonObject{{QStringLiteral("page"), one},
                                           {QStringLiteral("external_pages_to_root_domain"), pages},
                                           {QStringLiteral("root_domains_to_root_domain"), pages / 7}});
            }
            const QByteArray text = QJsonDocument(QJsonObject{{QStringLiteral("results"), results}})
                                        .toJson(QJsonDocument::Compact);
            send(responseHead(200, "OK", text.size(), request.keepAlive, {}, "application/json") + text,
                 request.keepAlive);
            return;
        } else if (route == "moved") {
            const QByteArray none;
            send(responseHead(307, "Temporary Redirect", 0, request.keepAlive, "Location: /api/post\r\n") +
                     none,
                 request.keepAlive);
            return;
        } else if (route == "post") {
            allowed =
                request.method == "POST" &&
                request.authorization == "Basic " + (m_emulator->apiUser() + u':' + key).toUtf8().toBase64();
            QJsonDocument body = QJsonDocument::fromJson(request.body);
            if (body.isArray())
                body = QJsonDocument(body.array().at(0).toObject());
            if (allowed && !body.isObject()) {
                const QByteArray text = R"({"error":"the body is not a JSON object"})";
                send(
                    responseHead(400, "Bad Request", text.size(), request.keepAlive, {}, "application/json") +
                        text,
                    request.keepAlive);
                return;
            }
            target = body.object().value(QStringLiteral("target")).toString();
        } else {
            const QByteArray text = R"({"error":"no such route"})";
            send(responseHead(404, "Not Found", text.size(), request.keepAlive, {}, "application/json") +
                     text,
                 request.keepAlive);
            return;
        }
        if (!allowed) {
            const QByteArray text = R"({"error":"missing or wrong credentials"})";
            send(responseHead(401, "Unauthorized", text.size(), request.keepAlive, {}, "application/json") +
                     text,
                 request.keepAlive);
            return;
        }
        m_emulator->noteVisit({JsonStyle, target, request.arrivedMs, m_emulator->clockMs()});
        const qint64 backlinks = m_emulator->count(JsonStyle, target);
        const qint64 domains = backlinks / 7;
        QByteArray text;
        QByteArray type = "application/json";
        if (route == "bearer") {
            text = QJsonDocument(QJsonObject{{QStringLiteral("metrics"),
                                              QJsonObject{{QStringLiteral("live"), backlinks},
                                                          {QStringLiteral("all_time"), backlinks},
                                                          {QStringLiteral("live_refdomains"), domains},
                                                          {QStringLiteral("all_time_refdomains"), domains}}}})
                       .toJson(QJsonDocument::Compact);
        } else if (route == "query") {
            text = "domains_num;total\r\n" + QByteArray::number(domains) + ';' +
                   QByteArray::number(backlinks) + "\r\n";
            type = "text/plain; charset=utf-8";
        } else {
            const QJsonObject result{{QStringLiteral("target"), target},
                                     {QStringLiteral("backlinks"), backlinks},
                                     {QStringLiteral("referring_domains"), domains}};
            text = QJsonDocument(
                       QJsonObject{{QStringLiteral("tasks"),
                                    QJsonArray{QJsonObject{{QStringLiteral("result"), QJsonArray{result}}}}}})
                       .toJson(QJsonDocument::Compact);
        }
        send(responseHead(200, "OK", text.size(), request.keepAlive, {}, type) + text, request.keepAlive);
    }

    void answer(const Request &request)
    {
        if (m_closed)
            return;
        const auto settings = m_emulator->settings();
        const QList<QByteArray> segments = request.path.split('/');
        if (segments.value(1) == "api") {
            answerApi(request, segments.value(2));
            return;
        }
        const int engine = engineFromSlug(QString::fromLatin1(segments.value(1)));
        if (engine == 0) {
            const QByteArray page =
                request.path == "/"
                    ? QByteArrayLiteral("<html><head><title>Engine emulator</title></head>"
                                        "<body><p>Vantory engine emulator</p></body></html>\n")
                    : QByteArrayLiteral("<html><body>Not found</body></html>\n");
            send(responseHead(request.path == "/" ? 200 : 404, request.path == "/" ? "OK" : "Not Found",
                              page.size(), request.keepAlive) +
                     page,
                 request.keepAlive);
            return;
        }
        const QString target = targetOf(request.query);
        m_emulator->noteVisit({engine, target, request.arrivedMs, m_emulator->clockMs()});
        if (QByteArray raw; m_emulator->page(target, &raw)) {
            send(responseHead(200, "OK", raw.size(), request.keepAlive) + raw, request.keepAlive);
            return;
        }
        Mode mode = m_emulator->takeMode(engine, target);
        if (request.redirected && mode == Mode::Redirect)
            mode = Mode::None;
        const qint64 count = m_emulator->count(engine, target);
        const PageKind kind = mode == Mode::NoResults       ? PageKind::NoResults
                              : mode == Mode::ChangedLayout ? PageKind::ChangedLayout
                                                            : PageKind::Results;
        const QByteArray page = enginePage(engine, kind, count, target, settings.padding);

        switch (mode) {
        case Mode::None:
        case Mode::NoResults:
        case Mode::ChangedLayout:
            send(responseHead(200, "OK", page.size(), request.keepAlive, {}, contentType(engine)) + page,
                 request.keepAlive);
            break;
        case Mode::ErrorStatus:
            send(responseHead(500, "Internal Server Error", page.size(), request.keepAlive, {},
                              contentType(engine)) +
                     page,
                 request.keepAlive);
            break;
        case Mode::Blocked:
        case Mode::Captcha: {
            const QByteArray notice =
                "<html><head><title>Sorry...</title></head><body><h1>Unusual traffic</h1>"
                "<p>Our systems have detected unusual traffic from your computer network. "
                "Please solve the CAPTCHA below to continue.</p></body></html>\n";
            send(mode == Mode::Blocked
                     ? responseHead(429, "Too Many Requests", notice.size(), request.keepAlive) + notice
                     : responseHead(200, "OK", notice.size(), request.keepAlive) + notice,
                 request.keepAlive);
            break;
        }
        case Mode::NotFound:
        case Mode::BadGateway:
        case Mode::GatewayTimeout: {
            const QByteArray small = "<html><body><h1>Error</h1></body></html>\n";
            send(mode == Mode::NotFound
                     ? responseHead(404, "Not Found", small.size(), request.keepAlive) + small
                 : mode == Mode::BadGateway
                     ? responseHead(502, "Bad Gateway", small.size(), request.keepAlive) + small
                     : responseHead(504, "Gateway Timeout", small.size(), request.keepAlive) + small,
                 request.keepAlive);
            break;
        }
        case Mode::Redirect: {
            const QByteArray location =
                m_emulator->baseUrl().toLatin1() + request.path + '?' + RedirectMark + request.query;
            send(responseHead(302, "Found", 0, request.keepAlive, "Location: " + location + "\r\n"),
                 request.keepAlive);
            break;
        }
        case Mode::SlowDrip:
            m_socket->write(responseHead(200, "OK", page.size(), false));
            drip(page, settings.dripIntervalMs);
            break;
        case Mode::Stall:
            m_socket->write(responseHead(200, "OK", page.size(), false) + page.left(100));
            break;
        case Mode::ResetMidBody:
            m_socket->write(responseHead(200, "OK", page.size(), false) + page.left(page.size() / 2));
            m_socket->flush();
            QTimer::singleShot(50, this, [this] { reset(); });
            break;
        case Mode::HugeBody:
            streamHuge(page, settings.hugeBytes);
            break;
        case Mode::EndlessHeaders:
            m_socket->write("HTTP/1.1 200 OK\r\n");
            endlessHeaders(0);
            break;
        case Mode::EndlessBody:
            m_socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n"
                            "Connection: close\r\n\r\n");
            connect(m_socket, &QTcpSocket::bytesWritten, this, &Connection::moreEndless);
            moreEndless();
            break;
        case Mode::GzipBomb:
        case Mode::BadGzip: {
            const QByteArray body =
                mode == Mode::GzipBomb ? gzipBomb() : QByteArray("\x1f\x8b not gzip at all");
            send(responseHead(200, "OK", body.size(), request.keepAlive, "Content-Encoding: gzip\r\n") + body,
                 request.keepAlive);
            break;
        }
        case Mode::Garbage: {
            QByteArray junk;
            quint32 x = 12345;
            for (int i = 0; i < 4096; ++i) {
                x = x * 1103515245u + 12345u;
                junk += char((x >> 16) & 0xff);
            }
            junk.prepend("\x01\x02 garbage");
            send(junk, false);
            break;
        }
        }
    }

    void send(const QByteArray &bytes, bool keepAlive)
    {
        m_socket->write(bytes);
        if (!keepAlive) {
            m_socket->disconnectFromHost();
            return;
        }
        m_busy = false;
        if (!m_in.isEmpty())
            QTimer::singleShot(0, this, &Connection::readRequests);
    }

    void drip(const QByteArray &rest, int intervalMs)
    {
        if (m_closed)
            return;
        if (rest.isEmpty()) {
            m_socket->disconnectFromHost();
            return;
        }
        m_socket->write(rest.left(64));
        QTimer::singleShot(intervalMs, this,
                           [this, tail = rest.mid(64), intervalMs] { drip(tail, intervalMs); });
    }

    void endlessHeaders(int n)
    {
        if (m_closed)
            return;
        // A header line every millisecond, for as long as the client listens.
        m_socket->write("X-Filler-" + QByteArray::number(n) + ": " + QByteArray(200, 'h') + "\r\n");
        QTimer::singleShot(1, this, [this, n] { endlessHeaders(n + 1); });
    }

    void reset()
    {
        if (m_closed)
            return;
        // SO_LINGER with a zero time-out makes close() send a reset instead of an orderly shutdown.
        const struct linger hard
        {
            1, 0
        };
        ::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        close();
    }

    void moreEndless()
    {
        static const QByteArray chunk =
            QByteArray::number(HugeChunk, 16) + "\r\n" + QByteArray(HugeChunk, 'x') + "\r\n";
        while (!m_closed && m_socket->bytesToWrite() < 2 * HugeChunk)
            m_socket->write(chunk);
    }

    void streamHuge(const QByteArray &start, qint64 total)
    {
        m_hugeLeft = total;
        m_socket->write(responseHead(200, "OK", total, false));
        const QByteArray first = start.left(qMin<qint64>(start.size(), total));
        m_socket->write(first);
        m_hugeLeft -= first.size();
        connect(m_socket, &QTcpSocket::bytesWritten, this, &Connection::moreHuge);
        moreHuge();
    }

    void moreHuge()
    {
        static const QByteArray filler(HugeChunk, 'x');
        while (m_hugeLeft > 0 && m_socket->bytesToWrite() < 2 * HugeChunk) {
            const qint64 n = qMin<qint64>(HugeChunk, m_hugeLeft);
            m_socket->write(filler.constData(), n);
            m_hugeLeft -= n;
        }
        if (m_hugeLeft == 0) {
            disconnect(m_socket, &QTcpSocket::bytesWritten, this, &Connection::moreHuge);
            m_socket->disconnectFromHost();
        }
    }

    QTcpSocket *m_socket;
    EngineEmulator *m_emulator;
    QByteArray m_in;
    qint64 m_hugeLeft = 0;
    bool m_busy = false;
    bool m_closed = false;
};

} // namespace

Mode modeForTarget(const QString &target)
{
    static const QList<QPair<QString, Mode>> labels{
        {QStringLiteral("noresults"), Mode::NoResults},
        {QStringLiteral("changed"), Mode::ChangedLayout},
        {QStringLiteral("slow"), Mode::SlowDrip},
        {QStringLiteral("stall"), Mode::Stall},
        {QStringLiteral("reset"), Mode::ResetMidBody},
        {QStringLiteral("huge"), Mode::HugeBody},
        {QStringLiteral("endless"), Mode::EndlessBody},
        {QStringLiteral("gzipbomb"), Mode::GzipBomb},
        {QStringLiteral("badgzip"), Mode::BadGzip},
        {QStringLiteral("garbage"), Mode::Garbage},
        {QStringLiteral("error"), Mode::ErrorStatus},
        {QStringLiteral("redirect"), Mode::Redirect},
        {QStringLiteral("blocked"), Mode::Blocked},
        {QStringLiteral("captcha"), Mode::Captcha},
        {QStringLiteral("notfound"), Mode::NotFound},
        {QStringLiteral("badgateway"), Mode::BadGateway},
        {QStringLiteral("gatewaytimeout"), Mode::GatewayTimeout},
        {QStringLiteral("headers"), Mode::EndlessHeaders},
    };
    const QString first = hostOf(target).section(u'.', 0, 0);
    for (const auto &[label, mode] : labels) {
        if (first == label)
            return mode;
    }
    return Mode::None;
}

EngineEmulator::EngineEmulator(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    m_clock.start();
    connect(m_server, &QTcpServer::newConnection, this, &EngineEmulator::accept);
}

EngineEmulator::~EngineEmulator()
{
    // Connections report to this object when they go, so they go while it is still whole.
    m_server->close();
    const QObjectList kids = children();
    for (QObject *child : kids) {
        if (child != m_server)
            delete child;
    }
}

bool EngineEmulator::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 EngineEmulator::port() const
{
    return m_server->serverPort();
}

QString EngineEmulator::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(port());
}

QString EngineEmulator::prefix(int engine) const
{
    // The default prefix's path and query under the engine's own folder of this server.
    if (engine == UnicodeStyle)
        return baseUrl() + QStringLiteral("/suche/search?q=link:");
    if (engine == JsonStyle)
        return baseUrl() + QStringLiteral("/json/api/count?q=link:");
    const QString def = scan::defaultPrefix(engine);
    const qsizetype pathStart = def.indexOf(u'/', int(QStringLiteral("http://").size()));
    return baseUrl() + u'/' + engineSlug(engine) + def.mid(pathStart);
}

bool EngineEmulator::writeSettingsIni(const QString &file) const
{
    bool ok = true;
    for (int engine = 1; engine <= scan::EngineCount; ++engine)
        ok = privateProfile::WriteString(scan::enginesSection(), scan::engineKey(engine), prefix(engine),
                                         file) &&
             ok;
    return ok;
}

void EngineEmulator::setCount(int engine, const QString &target, qint64 count)
{
    QMutexLocker lock(&m_mutex);
    m_counts.insert(keyOf(engine, target), count);
}

qint64 EngineEmulator::count(int engine, const QString &target) const
{
    QMutexLocker lock(&m_mutex);
    return m_counts.value(keyOf(engine, target), defaultCount(engine, target));
}

void EngineEmulator::setMode(const QString &target, Mode mode)
{
    setMode(0, target, mode);
}

void EngineEmulator::setMode(int engine, const QString &target, Mode mode)
{
    QMutexLocker lock(&m_mutex);
    m_modes.insert(keyOf(engine, target), mode);
}

void EngineEmulator::setDefaultMode(Mode mode)
{
    QMutexLocker lock(&m_mutex);
    m_defaultMode = mode;
}

Mode EngineEmulator::mode(int engine, const QString &target) const
{
    QMutexLocker lock(&m_mutex);
    if (const auto it = m_modes.constFind(keyOf(engine, target)); it != m_modes.constEnd())
        return *it;
    if (const auto it = m_modes.constFind(keyOf(0, target)); it != m_modes.constEnd())
        return *it;
    const Mode byName = modeForTarget(target);
    return byName != Mode::None ? byName : m_defaultMode;
}

Mode EngineEmulator::takeMode(int engine, const QString &target)
{
    {
        QMutexLocker lock(&m_mutex);
        const auto it = m_failNext.find(keyOf(engine, target));
        if (it != m_failNext.end() && it->second > 0) {
            --it->second;
            return it->first;
        }
    }
    return mode(engine, target);
}

void EngineEmulator::failNext(int engine, const QString &target, Mode mode, int times)
{
    QMutexLocker lock(&m_mutex);
    m_failNext.insert(keyOf(engine, target), {mode, times});
}

QString EngineEmulator::refusedPrefix(int engine) const
{
    // A port that was free a moment ago, on which nothing listens.
    QMutexLocker lock(&m_mutex);
    if (m_closedPort == 0) {
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost))
            m_closedPort = probe.serverPort();
    }
    QString usual = prefix(engine);
    return usual.replace(baseUrl(), QStringLiteral("http://127.0.0.1:%1").arg(m_closedPort));
}

void EngineEmulator::setPage(const QString &target, const QByteArray &body)
{
    QMutexLocker lock(&m_mutex);
    m_pages.insert(target, body);
}

bool EngineEmulator::page(const QString &target, QByteArray *body) const
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_pages.constFind(target);
    if (it == m_pages.constEnd())
        return false;
    *body = *it;
    return true;
}

void EngineEmulator::setLatencyMs(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_settings.latencyMs = ms;
}

void EngineEmulator::setPadding(int bytes)
{
    QMutexLocker lock(&m_mutex);
    m_settings.padding = bytes;
}

void EngineEmulator::setHugeBodyBytes(qint64 bytes)
{
    QMutexLocker lock(&m_mutex);
    m_settings.hugeBytes = bytes;
}

void EngineEmulator::setDripIntervalMs(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_settings.dripIntervalMs = ms;
}

EngineEmulator::Settings EngineEmulator::settings() const
{
    QMutexLocker lock(&m_mutex);
    return m_settings;
}

QList<QByteArray> EngineEmulator::requestHeads() const
{
    QMutexLocker lock(&m_mutex);
    return m_heads;
}

qint64 EngineEmulator::clockMs() const
{
    return m_clock.elapsed();
}

void EngineEmulator::noteVisit(const Visit &visit)
{
    QMutexLocker lock(&m_mutex);
    if (m_visits.size() < 100000)
        m_visits.append(visit);
}

QList<EngineEmulator::Visit> EngineEmulator::visits() const
{
    QMutexLocker lock(&m_mutex);
    return m_visits;
}

void EngineEmulator::noteRequest(const QByteArray &head)
{
    ++m_requests;
    QMutexLocker lock(&m_mutex);
    if (m_heads.size() < 10000)
        m_heads.append(head);
}

void EngineEmulator::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection())
        new Connection(socket, this);
}

EmulatorThread::EmulatorThread() : m_thread(new QThread)
{
    m_thread->setObjectName(QStringLiteral("engine emulator"));
    m_thread->start();
    m_emulator = new EngineEmulator;
    m_emulator->moveToThread(m_thread);
    QMetaObject::invokeMethod(
        m_emulator, [this] { m_emulator->listen(); }, Qt::BlockingQueuedConnection);
}

EmulatorThread::~EmulatorThread()
{
    QMetaObject::invokeMethod(
        m_emulator, [this] { delete m_emulator; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

} // namespace emulator
