#include "core/webgraph/ReleaseImport.h"

#include "core/webgraph/DomainMapping.h"
#include "core/webgraph/GzipStream.h"
#include "core/webgraph/IndexBuilder.h"
#include "core/webgraph/ReleaseStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace webgraph {

namespace {

constexpr qint64 LocalPiece = 4 << 20;
constexpr std::size_t BlockBytes = 4 << 20;
constexpr std::size_t QueuedBlocks = 3;

bool isAddress(const QString &source)
{
    return source.startsWith(QLatin1String("http://")) || source.startsWith(QLatin1String("https://"));
}

} // namespace

// The checking and indexing of the text on a thread of its own, while this one reads and inflates: blocks
// of text wait in a short queue (the reader waits when it is full).
class TextPipe
{
public:
    explicit TextPipe(IndexBuilder &builder) : m_builder(builder), m_thread([this] { run(); }) {}
    ~TextPipe()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    // Takes a piece of inflated text; false once the builder has found a fault.
    bool add(std::string_view text)
    {
        m_block.append(text);
        if (m_block.size() >= BlockBytes)
            send();
        return !m_failed.load();
    }
    // Waits until every block given is read; false when the builder found a fault.
    bool drain()
    {
        if (!m_block.empty())
            send();
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.empty() && !m_busy; });
        return !m_failed.load();
    }

private:
    void send()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.size() < QueuedBlocks; });
        m_queue.push_back(std::move(m_block));
        m_block = std::string();
        m_block.reserve(BlockBytes + (1 << 18));
        lock.unlock();
        m_changed.notify_all();
    }
    void run()
    {
        for (;;) {
            std::string block;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_stop || !m_queue.empty(); });
                if (m_queue.empty())
                    return;
                block = std::move(m_queue.front());
                m_queue.pop_front();
                m_busy = true;
            }
            m_changed.notify_all();
            if (!m_failed.load() && !m_builder.text(block))
                m_failed.store(true);
            {
                const std::lock_guard lock(m_mutex);
                m_busy = false;
            }
            m_changed.notify_all();
        }
    }

    IndexBuilder &m_builder;
    std::string m_block;
    std::deque<std::string> m_queue;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::atomic<bool> m_failed{false};
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

ReleaseImport::ReleaseImport(const ImportSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
}

ReleaseImport::~ReleaseImport()
{
    if (m_reply)
        m_reply->abort();
}

QString ReleaseImport::fileName() const
{
    return QFileInfo(m_files.value(m_file)).fileName();
}

void ReleaseImport::start()
{
    m_clock.start();
    if (!isReleaseName(m_settings.release))
        return done(false, QStringLiteral("\"%1\" is no release name (letters, digits and \"-\", as "
                                          "\"cc-main-2025-sep-oct-nov\")")
                               .arg(m_settings.release));
    const QString releaseFolder = QDir(m_settings.folder).filePath(m_settings.release);
    if (!QDir().mkpath(releaseFolder))
        return done(false, QStringLiteral("The folder %1 cannot be made.").arg(releaseFolder));
    m_lock = std::make_unique<QLockFile>(releaseFolder + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0))
        return done(false, QStringLiteral("Another import of %1 is running; it was left to finish.")
                               .arg(m_settings.release));
    // What an import killed before left (scratch files, an index never put in place) goes.
    for (const QFileInfo &left : QDir(releaseFolder).entryInfoList(QDir::Files | QDir::Hidden)) {
        if (left.fileName() != QLatin1String("index.vgx"))
            QFile::remove(left.filePath());
    }
    m_builder = std::make_unique<IndexBuilder>(releaseFolder + QStringLiteral("/.scratch"));
    std::vector<std::string> kept;
    for (const QString &url : std::as_const(m_keepLinkingOf)) {
        for (const std::string &node : candidateNodes(url))
            kept.push_back(node);
    }
    m_builder->keepLinkingOf(kept);
    m_pipe = std::make_unique<TextPipe>(*m_builder);
    m_gzip = std::make_unique<GzipStream>([this](std::string_view text) { return m_pipe->add(text); });
    for (const QString &relative : releaseFiles(m_settings.release)) {
        m_files.append(isAddress(m_settings.source)
                           ? m_settings.source +
                                 (m_settings.source.endsWith(u'/') ? QString() : QStringLiteral("/")) +
                                 relative
                           : QDir(m_settings.source).filePath(relative));
    }
    if (isAddress(m_settings.source))
        m_network = new QNetworkAccessManager(this);
    nextFile();
}

void ReleaseImport::cancel()
{
    if (m_ended)
        return;
    if (m_reply) {
        m_fault = QStringLiteral("cancelled");
        m_reply->abort();
    }
    done(false,
         QStringLiteral("The import of %1 was cancelled; nothing of it was kept.").arg(m_settings.release));
}

void ReleaseImport::nextFile()
{
    if (m_ended)
        return;
    if (m_file >= 0)
        m_doneBefore += m_received;
    ++m_file;
    m_received = 0;
    m_expected = -1;
    if (m_file == m_files.size()) {
        const QStringList facts{
            QStringLiteral("release=") + m_settings.release,
            QStringLiteral("date=") + releaseDate(m_settings.release).toString(Qt::ISODate),
            QStringLiteral("imported=") + QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
            QStringLiteral("source=") + m_settings.source,
            QStringLiteral("compressed=") + QString::number(m_doneBefore),
            QStringLiteral("kept=") + m_builder->keptNodes().join(u' '),
        };
        if (!m_builder->write(indexFile(m_settings.folder, m_settings.release), facts))
            return done(false, m_builder->error());
        return done(true, QStringLiteral("Imported %1: %2 domains, %3 links.")
                              .arg(m_settings.release)
                              .arg(m_builder->domains())
                              .arg(m_builder->links()));
    }
    m_pipe->drain();
    m_builder->begin(IndexBuilder::Part(m_file));
    m_gzip->reset();
    m_triesLeft = m_settings.tries;
    if (!m_settings.keepFiles.isEmpty()) {
        m_kept.close();
        m_kept.setFileName(QDir(m_settings.keepFiles).filePath(releaseFiles(m_settings.release).at(m_file)));
        if (!QDir().mkpath(QFileInfo(m_kept).absolutePath()) || !m_kept.open(QIODevice::WriteOnly))
            return done(false, QStringLiteral("%1 cannot be written.").arg(m_kept.fileName()));
    }
    if (m_network)
        return request(0);
    m_local.close();
    m_local.setFileName(m_files.at(m_file));
    if (!m_local.open(QIODevice::ReadOnly))
        return done(false,
                    QStringLiteral("%1 cannot be read (%2).").arg(m_local.fileName(), m_local.errorString()));
    m_expected = m_local.size();
    if (m_file == 0) {
        m_known = 0;
        for (const QString &file : std::as_const(m_files))
            m_known += QFileInfo(file).size();
    }
    QTimer::singleShot(0, this, &ReleaseImport::readLocal);
}

void ReleaseImport::readLocal()
{
    if (m_ended)
        return;
    // A few pieces a turn, so that the event loop goes on (a window stays usable, a cancel is heard).
    QByteArray piece;
    for (int i = 0; i < 4; ++i) {
        piece = m_local.read(LocalPiece);
        if (piece.isEmpty())
            break;
        if (!take(piece.constData(), piece.size()))
            return;
    }
    emit progress(bytesDone(), m_known);
    if (m_ended) // cancelled meanwhile
        return;
    if (!piece.isEmpty())
        return QTimer::singleShot(0, this, &ReleaseImport::readLocal);
    if (m_local.error() != QFileDevice::NoError)
        return done(
            false,
            QStringLiteral("%1 could not be read (%2).").arg(m_local.fileName(), m_local.errorString()));
    if (endFile())
        nextFile();
}

bool ReleaseImport::take(const char *data, qint64 size)
{
    if (m_kept.isOpen() && m_kept.write(data, size) != size) {
        done(false,
             QStringLiteral("%1 could not be written (%2).").arg(m_kept.fileName(), m_kept.errorString()));
        return false;
    }
    m_received += size;
    if (!m_gzip->push(data, std::size_t(size))) {
        m_pipe->drain();
        done(false, m_gzip->error().isEmpty() ? QStringLiteral("%1: %2").arg(fileName(), m_builder->error())
                                              : QStringLiteral("%1: %2").arg(fileName(), m_gzip->error()));
        return false;
    }
    return true;
}

bool ReleaseImport::endFile()
{
    if (m_kept.isOpen() && !m_kept.flush()) {
        done(false,
             QStringLiteral("%1 could not be written (%2).").arg(m_kept.fileName(), m_kept.errorString()));
        return false;
    }
    if (!m_gzip->finish()) {
        done(false, QStringLiteral("%1: %2").arg(fileName(), m_gzip->error()));
        return false;
    }
    if (!m_pipe->drain() || !m_builder->end()) {
        done(false, QStringLiteral("%1: %2").arg(fileName(), m_builder->error()));
        return false;
    }
    return true;
}

void ReleaseImport::request(qint64 from)
{
    QNetworkRequest request{QUrl(m_files.at(m_file))};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (from > 0)
        request.setRawHeader("Range", "bytes=" + QByteArray::number(from) + '-');
    m_fault.clear();
    m_answered = false;
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(4 << 20);
    connect(m_reply, &QNetworkReply::readyRead, this, &ReleaseImport::readReply);
    connect(m_reply, &QNetworkReply::finished, this, &ReleaseImport::replyFinished);
}

void ReleaseImport::readReply()
{
    QNetworkReply *reply = m_reply;
    if (!reply || m_ended)
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
                m_pipe->drain();
                m_builder->begin(IndexBuilder::Part(m_file));
                m_gzip->reset();
                if (m_kept.isOpen() && !(m_kept.resize(0) && m_kept.seek(0))) {
                    done(false, QStringLiteral("%1 cannot be written.").arg(m_kept.fileName()));
                    return;
                }
            }
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            m_expected = length.isValid() ? length.toLongLong() : -1;
        }
        if (m_expected >= 0)
            m_known = (m_known < 0 ? 0 : m_known) + m_expected;
    }
    while (reply->bytesAvailable() > 0 && !m_ended) {
        const QByteArray piece = reply->read(1 << 20);
        if (m_expected >= 0 && m_received + piece.size() > m_expected) {
            done(false, QStringLiteral("%1 is longer than the %2 bytes the server announced.")
                            .arg(fileName())
                            .arg(m_expected));
            return;
        }
        if (!take(piece.constData(), piece.size()))
            return;
    }
    emit progress(bytesDone(), m_known);
}

void ReleaseImport::replyFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    reply->deleteLater();
    if (!m_ended)
        readReply(); // what is left of the answer, and its head when no byte came
    m_reply = nullptr;
    if (m_ended)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // Whole: an answer read to its end without a fault, as long as it said it was (a length it did not
    // announce is taken from its end).
    const bool complete = reply->error() == QNetworkReply::NoError && m_fault.isEmpty() && m_answered &&
                          (m_expected < 0 || m_received == m_expected);
    if (complete) {
        if (endFile())
            nextFile();
        return;
    }
    if (status >= 400)
        return done(false,
                    QStringLiteral("The source has no %1 (HTTP %2): check the release name and the source.")
                        .arg(m_files.at(m_file))
                        .arg(status));
    if (reply->error() != QNetworkReply::NoError && status == 0 && m_received == 0 &&
        m_triesLeft == m_settings.tries && reply->error() != QNetworkReply::RemoteHostClosedError)
        return done(false,
                    QStringLiteral("%1 could not be downloaded: %2. Check the network connection and the "
                                   "source.")
                        .arg(m_files.at(m_file), reply->errorString()));
    // A broken connection, or an answer shorter than announced: resume where it stopped.
    if (--m_triesLeft < 0)
        return done(false, QStringLiteral("%1 could not be downloaded whole after %2 tries (%3 of %4 bytes).")
                               .arg(m_files.at(m_file))
                               .arg(m_settings.tries)
                               .arg(m_received)
                               .arg(m_expected));
    emit notice(
        QStringLiteral("%1: the connection broke after %2 bytes; resuming.").arg(fileName()).arg(m_received));
    if (m_expected >= 0)
        m_known -= m_expected;
    m_expected = -1;
    request(m_received);
}

void ReleaseImport::done(bool ok, const QString &message)
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
    m_local.close();
    m_kept.close();
    m_pipe.reset();    // waits for the block being read
    m_builder.reset(); // its scratch file goes
    if (m_lock)
        m_lock->unlock();
    emit finished(ok, message);
}

} // namespace webgraph
