#include "core/webgraph/FileFetch.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

namespace webgraph {

namespace {

constexpr qint64 LocalPiece = 1 << 20;
constexpr qint64 ReplyPiece = 1 << 20;

} // namespace

FileFetch::FileFetch(ImportPipeline &pipeline, ImportPipeline::File file, const QString &location,
                     QNetworkAccessManager *network, int tries, QObject *parent)
    : QObject(parent), m_pipeline(pipeline), m_file(file), m_location(location), m_network(network),
      m_tries(tries), m_triesLeft(tries)
{
}

FileFetch::~FileFetch()
{
    abort();
}

QString FileFetch::fileName() const
{
    return QFileInfo(m_location).fileName();
}

bool FileFetch::keepIn(const QString &path, QString *why)
{
    m_kept.setFileName(path);
    if (QDir().mkpath(QFileInfo(m_kept).absolutePath()) && m_kept.open(QIODevice::WriteOnly))
        return true;
    *why = QStringLiteral("%1 cannot be written.").arg(m_kept.fileName());
    return false;
}

void FileFetch::abort()
{
    m_stopped = true;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_local.close();
    m_kept.close();
}

void FileFetch::fail(const QString &message)
{
    if (m_stopped)
        return;
    abort();
    emit failed(message);
}

void FileFetch::start()
{
    m_pipeline.begin(m_file);
    if (m_network)
        return request(0);
    m_local.setFileName(m_location);
    if (!m_local.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(QStringLiteral("%1 cannot be read (%2).").arg(m_location, m_local.errorString()));
    m_expected = m_local.size();
    scheduleRead();
}

void FileFetch::resume()
{
    if (m_stopped)
        return;
    if (m_reply)
        readReply();
    else if (!m_network && m_local.isOpen())
        scheduleRead();
}

bool FileFetch::take(const QByteArray &piece)
{
    if (m_kept.isOpen() && m_kept.write(piece) != piece.size()) {
        fail(QStringLiteral("%1 could not be written (%2).").arg(m_kept.fileName(), m_kept.errorString()));
        return false;
    }
    m_received += piece.size();
    m_pipeline.push(m_file, piece);
    return true;
}

void FileFetch::complete()
{
    if (m_kept.isOpen() && !m_kept.flush())
        return fail(
            QStringLiteral("%1 could not be written (%2).").arg(m_kept.fileName(), m_kept.errorString()));
    m_kept.close();
    m_local.close();
    m_stopped = true;
    m_pipeline.end(m_file);
    emit finished();
}

void FileFetch::scheduleRead()
{
    if (m_readScheduled)
        return;
    m_readScheduled = true;
    QTimer::singleShot(0, this, &FileFetch::readLocal);
}

void FileFetch::readLocal()
{
    m_readScheduled = false;
    // A piece a turn while the pipeline wants more, so that the event loop goes on (a window stays usable,
    // a cancel is heard); when it has enough, resume() comes back here.
    if (m_stopped || !m_local.isOpen() || !m_pipeline.wantsMore(m_file))
        return;
    const QByteArray piece = m_local.read(LocalPiece);
    if (!piece.isEmpty() && !take(piece))
        return;
    emit progressed();
    if (m_stopped) // cancelled meanwhile
        return;
    if (!piece.isEmpty())
        return scheduleRead();
    if (m_local.error() != QFileDevice::NoError)
        return fail(QStringLiteral("%1 could not be read (%2).").arg(m_location, m_local.errorString()));
    complete();
}

void FileFetch::request(qint64 from)
{
    QNetworkRequest request{QUrl(m_location)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (from > 0)
        request.setRawHeader("Range", "bytes=" + QByteArray::number(from) + '-');
    m_fault.clear();
    m_answered = false;
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(4 << 20);
    connect(m_reply, &QNetworkReply::readyRead, this, &FileFetch::readReply);
    connect(m_reply, &QNetworkReply::finished, this, &FileFetch::replyFinished);
}

void FileFetch::readReply()
{
    QNetworkReply *reply = m_reply;
    if (!reply || m_stopped)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200 && status != 206)
        return; // the reason comes with finished()
    if (!m_answered) {
        m_answered = true;
        // The first bytes of an answer: where they start and how large the file is.
        if (status == 206) {
            static const QRegularExpression range(QStringLiteral("^bytes (\\d+)-\\d+/(\\d+)$"));
            const auto match = range.match(QString::fromLatin1(reply->rawHeader("Content-Range")));
            if (!match.hasMatch() || match.captured(1).toLongLong() != m_received) {
                m_fault = QStringLiteral("the server resumed at another byte");
                reply->abort();
                return;
            }
            m_expected = match.captured(2).toLongLong();
        } else {
            if (m_received > 0) {
                // Asked to resume, the server sends the whole file: start it over.
                emit notice(QStringLiteral("%1: the server cannot resume a download; the file starts over.")
                                .arg(fileName()));
                m_received = 0;
                m_pipeline.begin(m_file);
                if (m_kept.isOpen() && !(m_kept.resize(0) && m_kept.seek(0)))
                    return fail(QStringLiteral("%1 cannot be written.").arg(m_kept.fileName()));
            }
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            m_expected = length.isValid() ? length.toLongLong() : -1;
        }
    }
    // While the pipeline wants more (the rest of an answer that has ended is read whole).
    while (reply->bytesAvailable() > 0 && !m_stopped &&
           (m_pipeline.wantsMore(m_file) || reply->isFinished())) {
        const QByteArray piece = reply->read(ReplyPiece);
        if (m_expected >= 0 && m_received + piece.size() > m_expected)
            return fail(QStringLiteral("%1 is longer than the %2 bytes the server announced.")
                            .arg(fileName())
                            .arg(m_expected));
        if (!take(piece))
            return;
    }
    emit progressed();
}

void FileFetch::replyFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    reply->deleteLater();
    if (!m_stopped)
        readReply(); // what is left of the answer, and its head when no byte came
    m_reply = nullptr;
    if (m_stopped)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // Whole: an answer read to its end without a fault, as long as it said it was (a length it did not
    // announce is taken from its end).
    const bool whole = reply->error() == QNetworkReply::NoError && m_fault.isEmpty() && m_answered &&
                       (m_expected < 0 || m_received == m_expected);
    if (whole)
        return complete();
    if (status >= 400)
        return fail(QStringLiteral("The source has no %1 (HTTP %2): check the release name and the source.")
                        .arg(m_location)
                        .arg(status));
    if (reply->error() != QNetworkReply::NoError && status == 0 && m_received == 0 &&
        m_triesLeft == m_tries && reply->error() != QNetworkReply::RemoteHostClosedError)
        return fail(
            QStringLiteral("%1 could not be downloaded: %2. Check the network connection and the source.")
                .arg(m_location, reply->errorString()));
    // A broken connection, or an answer shorter than announced: resume where it stopped.
    if (--m_triesLeft < 0)
        return fail(QStringLiteral("%1 could not be downloaded whole after %2 tries (%3 of %4 bytes).")
                        .arg(m_location)
                        .arg(m_tries)
                        .arg(m_received)
                        .arg(m_expected));
    emit notice(
        QStringLiteral("%1: the connection broke after %2 bytes; resuming.").arg(fileName()).arg(m_received));
    m_expected = -1;
    request(m_received);
}

} // namespace webgraph
