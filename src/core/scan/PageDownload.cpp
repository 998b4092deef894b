#include "core/scan/PageDownload.h"

#include "core/engines/EngineDefinition.h"
#include "core/engines/Placeholders.h"
#include "core/program/ThreadPriority.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace scan {

namespace {

FetchOptions &defaults()
{
    static FetchOptions options;
    return options;
}

} // namespace

FetchOptions defaultFetchOptions()
{
    return defaults();
}

void setDefaultFetchOptions(const FetchOptions &options)
{
    defaults() = options;
}

bool isFetchableUrl(const QString &url, QUrl *parsed)
{
    const QUrl u(url, QUrl::TolerantMode);
    if (!u.isValid() || u.host().isEmpty())
        return false;
    const QString scheme = u.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    if (parsed)
        *parsed = u;
    return true;
}

QString proxyText(const QNetworkProxy &proxy)
{
    // Without the password: this text goes into reports and logs.
    const QString scheme =
        proxy.type() == QNetworkProxy::Socks5Proxy ? QStringLiteral("socks5") : QStringLiteral("http");
    const QString user = proxy.user().isEmpty() ? QString() : proxy.user() + u'@';
    return scheme + QStringLiteral("://") + user + proxy.hostName() + u':' + QString::number(proxy.port());
}

bool parseProxy(const QString &text, QNetworkProxy *proxy, QString *error)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    QNetworkProxy::ProxyType type = QNetworkProxy::NoProxy;
    if (scheme == QLatin1String("http"))
        type = QNetworkProxy::HttpProxy;
    else if (scheme == QLatin1String("socks5") || scheme == QLatin1String("socks5h"))
        type = QNetworkProxy::Socks5Proxy;
    if (!url.isValid() || type == QNetworkProxy::NoProxy || url.host().isEmpty() || url.port() <= 0 ||
        (!url.path().isEmpty() && url.path() != QLatin1String("/")) || url.hasQuery()) {
        if (error)
            *error = QStringLiteral("\"%1\" is no proxy: give http://[user:password@]host:port or "
                                    "socks5://[user:password@]host:port")
                         .arg(text);
        return false;
    }
    *proxy = QNetworkProxy(type, url.host(), quint16(url.port()), url.userName(QUrl::FullyDecoded),
                           url.password(QUrl::FullyDecoded));
    return true;
}

bool parseProxies(const QStringList &texts, QList<QNetworkProxy> *proxies, QString *error)
{
    proxies->clear();
    for (const QString &list : texts) {
        for (const QString &text : list.split(u' ', Qt::SkipEmptyParts)) {
            QNetworkProxy proxy;
            if (!parseProxy(text, &proxy, error))
                return false;
            proxies->append(proxy);
        }
    }
    return true;
}

QNetworkRequest pageRequest(const QUrl &url, const FetchOptions &options,
                            const QList<QPair<QByteArray, QByteArray>> &headers, bool secret)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Mozilla"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         secret ? QNetworkRequest::UserVerifiedRedirectPolicy
                                : QNetworkRequest::NoLessSafeRedirectPolicy);
    // No cache attribute: asking the network layer to bypass a cache makes it send "Pragma" and
    // "Cache-Control" headers, and the manager has no cache anyway.
    request.setTransferTimeout(options.idleTimeoutMs);
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    return request;
}

// Read a chunk at a time, and the event loop runs between chunks: a large page that arrived while the
// window was busy is not copied in one go.
constexpr qint64 ReadChunk = 512 * 1024;

QString PageDownload::masked(QString text) const
{
    for (const engines::Substitution &substitution : m_substitutions)
        text = engines::maskVariables(std::move(text), substitution);
    return text;
}

PageDownload::PageDownload(QNetworkAccessManager *manager, QString url, const FetchOptions &options,
                           QObject *parent, QString requestBody)
    : QObject(parent), m_manager(manager), m_url(std::move(url)), m_options(options),
      m_requestText(std::move(requestBody))
{
}

namespace {

bool isLoopback(const QUrl &url)
{
    const QString host = url.host().toLower();
    return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
}

} // namespace

PageDownload::~PageDownload()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
    }
}

void PageDownload::start()
{
    if (m_started)
        return;
    m_started = true;
    m_clock.start();
    // Variables are put in now; the values live only in the request.
    const engines::Substitution address = engines::substituteVariables(m_url, engines::Placement::Url);
    m_problem = address.problem;
    m_substitutions.append(address);
    for (const auto &[name, value] : m_options.headers) {
        if (!m_problem.isEmpty())
            break;
        const engines::Substitution header =
            engines::substituteVariables(QString::fromUtf8(value), engines::Placement::Header);
        m_problem = header.problem;
        m_sendHeaders.append({name, header.text.toUtf8()});
        if (header.usesVariables) {
            m_secretHeaders.append(name);
            m_substitutions.append(header);
        }
    }
    if (const QString unknown = engines::unknownPlaceholder(m_url); m_problem.isEmpty() && !unknown.isEmpty())
        m_problem = QStringLiteral("%1 in the query address is no placeholder").arg(unknown);
    QUrl url;
    const bool fetchable = isFetchableUrl(address.text, &url);
    if (m_problem.isEmpty() && fetchable &&
        (!m_options.username.isEmpty() || !m_options.password.isEmpty())) {
        // Basic credentials: over https, or to this machine.
        const engines::Substitution user =
            engines::substituteVariables(m_options.username, engines::Placement::Header);
        const engines::Substitution password =
            engines::substituteVariables(m_options.password, engines::Placement::Header);
        m_problem = !user.problem.isEmpty() ? user.problem : password.problem;
        if (m_problem.isEmpty() && url.scheme().toLower() != QLatin1String("https") && !isLoopback(url))
            m_problem =
                QStringLiteral("its credentials are sent only over https (or to this machine), not to "
                               "%1")
                    .arg(url.host());
        if (m_problem.isEmpty()) {
            m_sendHeaders.append({QByteArrayLiteral("Authorization"),
                                  "Basic " + (user.text + u':' + password.text).toUtf8().toBase64()});
            m_secretHeaders.append(QByteArrayLiteral("Authorization"));
            m_substitutions.append(user);
            m_substitutions.append(password);
        }
    }
    if (m_problem.isEmpty() && m_options.method == "POST") {
        const bool json = engines::Definition::isJsonType(QString::fromLatin1(m_options.contentType));
        const engines::Substitution body = engines::substituteVariables(
            m_requestText, json ? engines::Placement::Json : engines::Placement::Header);
        m_problem = body.problem;
        m_requestBody = body.text.toUtf8();
        m_substitutions.append(body);
    }
    if (!m_problem.isEmpty() || !fetchable) {
        QTimer::singleShot(0, this, &PageDownload::finish);
        return;
    }
    // The proxy of this request (the engine's next one in turn), or a direct connection.
    m_manager->setProxy(m_options.proxy);
    send(url);
    m_deadline = new QTimer(this);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, &PageDownload::deadline);
    m_deadline->start(m_options.totalTimeoutMs);
}

void PageDownload::send(const QUrl &url)
{
    m_asked = url;
    QNetworkRequest request = pageRequest(url, m_options, m_sendHeaders, !m_secretHeaders.isEmpty());
    if (m_options.method == "POST") {
        request.setHeader(QNetworkRequest::ContentTypeHeader, m_options.contentType);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        m_reply = m_manager->post(request, m_requestBody);
    } else {
        m_reply = m_manager->get(request);
    }
    // The manager's transfer thread yields to the window's thread (nice 5; the reading of large pages is
    // lower still). It is started after the request is queued: it surely runs once the answer's head or an
    // error has come back, and lives as long as the manager.
    if (!m_manager->property("transfersLowered").toBool()) {
        const auto lower = [manager = m_manager] {
            if (!manager->property("transfersLowered").toBool()) {
                manager->setProperty("transfersLowered", true);
                threadPriority::lowerThreadsNamed("QNetworkAccessM", 5);
            }
        };
        connect(m_reply, &QNetworkReply::metaDataChanged, m_manager, lower, Qt::SingleShotConnection);
        connect(m_reply, &QNetworkReply::finished, m_manager, lower, Qt::SingleShotConnection);
    }
    // The network layer holds at most this much that was not read yet: a server that sends faster than the
    // page is read (a body without end, say) waits instead of filling memory.
    m_reply->setReadBufferSize(std::min(m_options.bodyLimit, 2 * ReadChunk));
    connect(m_reply, &QNetworkReply::readyRead, this, &PageDownload::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &PageDownload::finish);
    if (!m_secretHeaders.isEmpty() && m_options.method != "POST")
        connect(m_reply, &QNetworkReply::redirected, this, &PageDownload::redirected);
}

void PageDownload::redirected(const QUrl &target)
{
    if (!m_reply)
        return;
    const QUrl from = m_asked; // the reply's own address is already the target's
    if (from.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 &&
        target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) != 0) {
        m_insecureRedirect = true;
        m_reply->abort();
        return;
    }
    auto port = [](const QUrl &u) {
        return u.port(u.scheme().toLower() == QLatin1String("https") ? 443 : 80);
    };
    if (from.scheme().toLower() == target.scheme().toLower() &&
        from.host().compare(target.host(), Qt::CaseInsensitive) == 0 && port(from) == port(target)) {
        m_asked = target;
        emit m_reply->redirectAllowed();
        return;
    }
    // Another origin: the headers that hold a variable stay home, as curl does with credentials.
    m_sendHeaders.removeIf([this](const QPair<QByteArray, QByteArray> &header) {
        return m_secretHeaders.contains(header.first);
    });
    m_secretHeaders.clear();
    m_reply->disconnect(this);
    m_reply->abort();
    m_reply->deleteLater();
    send(target);
}

void PageDownload::deadline()
{
    m_deadlineHit = true;
    if (m_reply && m_reply->isRunning())
        m_reply->abort();
}

void PageDownload::abort()
{
    if (m_finished)
        return;
    m_callerAborted = true;
    if (m_reply && m_reply->isRunning()) {
        m_reply->abort(); // emits finished(), which lands in finish()
        return;
    }
    QTimer::singleShot(0, this, &PageDownload::finish);
}

bool PageDownload::readChunk()
{
    if (!m_reply || !m_reply->isOpen())
        return false;
    if (m_body.isEmpty()) {
        // Room for a large page as announced (up to the limit), so that it is not copied as it grows; a small
        // page, or one of unknown length, takes the room of what has arrived.
        const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (announced > ReadChunk)
            m_body.reserve(std::min(announced, m_options.bodyLimit));
    }
    const qint64 room = std::min({m_options.bodyLimit - m_body.size(), m_reply->bytesAvailable(), ReadChunk});
    if (room > 0) {
        // Straight into the body: no chunk of its own that is then copied again.
        const qsizetype had = m_body.size();
        m_body.resize(had + room);
        const qint64 got = m_reply->read(m_body.data() + had, room);
        m_body.resize(had + std::max<qint64>(0, got));
    }
    if (m_body.size() >= m_options.bodyLimit) {
        if (m_reply->isRunning()) {
            m_cut = true;
            m_reply->abort();
        }
        return false;
    }
    return m_reply->isOpen() && m_reply->bytesAvailable() > 0;
}

void PageDownload::readAvailable()
{
    if (!m_reply || m_finished || !m_reply->isOpen())
        return;
    if (readChunk() && !m_readQueued) {
        m_readQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_readQueued = false;
                readAvailable();
            },
            Qt::QueuedConnection);
    }
}

void PageDownload::finish()
{
    if (m_finished)
        return;
    if (m_deadline)
        m_deadline->stop(); // the transfer is over; what is left is reading what arrived
    if (readChunk()) {
        QMetaObject::invokeMethod(this, &PageDownload::finish, Qt::QueuedConnection);
        return;
    }
    using Failure = FetchOutcome::Failure;
    m_outcome = FetchOutcome();
    m_outcome.failure = Failure::NotRequested;
    if (m_reply) {
        const QNetworkReply::NetworkError error = m_reply->error();
        m_outcome.httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        m_headers = m_reply->rawHeaderPairs();
        m_outcome.finalUrl = masked(m_reply->url().toString());
        if (error != QNetworkReply::NoError)
            m_outcome.errorText =
                masked(m_reply->errorString()); // "Unknown error" otherwise, kept with every page
        m_outcome.timeoutSeconds = m_options.idleTimeoutMs / 1000;
        // Errors of the content and server ranges only restate the HTTP status, which is judged by itself.
        const bool statusError =
            (error >= QNetworkReply::ContentAccessDenied && error < QNetworkReply::ProtocolUnknownError) ||
            (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
        const bool success = m_outcome.httpStatus >= 200 && m_outcome.httpStatus < 300;
        const QUrl location = m_reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (m_options.method == "POST" && m_outcome.httpStatus >= 300 && m_outcome.httpStatus < 400 &&
            !location.isEmpty())
            m_outcome.errorText = masked(QStringLiteral("The POST was answered with a redirect to %1; a POST "
                                                        "is not sent again")
                                             .arg(m_reply->url().resolved(location).toString()));
        if (m_cut) {
            m_outcome.failure = Failure::TooLarge;
        } else if (m_insecureRedirect) {
            m_outcome.failure = Failure::Network;
            m_outcome.errorText = QStringLiteral("A redirect from https to http was refused");
        } else if (success && error == QNetworkReply::UnknownContentError) {
            // A 2xx answer whose content failed: its compressed body could not be inflated (no gzip, or a
            // "bomb" beyond the network layer's safety limit).
            m_outcome.failure = Failure::Undecodable;
        } else if (m_deadlineHit) {
            m_outcome.failure = Failure::Timeout;
            m_outcome.timeoutSeconds = m_options.totalTimeoutMs / 1000;
        } else if (m_callerAborted) {
            m_outcome.failure = Failure::Aborted;
        } else if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError) {
            m_outcome.failure = Failure::Timeout; // the idle time-out
        } else if (error == QNetworkReply::NoError || statusError) {
            m_outcome.failure = Failure::None;
        } else if ((error >= QNetworkReply::ProxyConnectionRefusedError &&
                    error <= QNetworkReply::ProxyAuthenticationRequiredError) ||
                   error == QNetworkReply::UnknownProxyError ||
                   (m_options.proxy.type() != QNetworkProxy::NoProxy && m_outcome.httpStatus == 0 &&
                    (error == QNetworkReply::ConnectionRefusedError ||
                     error == QNetworkReply::HostNotFoundError ||
                     error == QNetworkReply::RemoteHostClosedError)) ||
                   (m_options.proxy.type() == QNetworkProxy::Socks5Proxy && m_outcome.httpStatus == 0)) {
            // Through a proxy, a connection that failed before any answer is the proxy's failure; through a
            // SOCKS5 proxy, any failure before an answer (the proxy refused the connection, or could not
            // make it) is.
            m_outcome.failure = Failure::Proxy;
        } else {
            m_outcome.failure = Failure::Network;
        }
        m_reply->disconnect(this);
        m_reply->deleteLater();
        m_reply = nullptr;
    } else if (!m_problem.isEmpty()) {
        m_outcome.errorText = m_problem; // nothing was sent
    } else if (m_callerAborted && isFetchableUrl(m_url)) {
        m_outcome.failure = Failure::Aborted;
    }
    if (m_options.proxy.type() != QNetworkProxy::NoProxy)
        m_outcome.proxy = proxyText(m_options.proxy);
    m_outcome.requestedUrl = m_url;
    if (m_outcome.finalUrl == m_url)
        m_outcome.finalUrl = m_url; // one copy of the address, not two, where there was no redirect
    m_outcome.bytes = m_body.size();
    m_outcome.ms = m_clock.isValid() ? m_clock.elapsed() : 0;
    m_finished = true;
    emit finished();
}

} // namespace scan
