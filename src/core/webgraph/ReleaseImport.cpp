#include "core/webgraph/ReleaseImport.h"

#include "core/webgraph/DomainMapping.h"
#include "core/webgraph/FileFetch.h"
#include "core/webgraph/ImportPipeline.h"
#include "core/webgraph/IndexBuilder.h"
#include "core/webgraph/ReleaseCatalog.h"
#include "core/webgraph/ReleaseStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>

#include <algorithm>

namespace webgraph {

ReleaseImport::ReleaseImport(const ImportSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
}

ReleaseImport::~ReleaseImport()
{
    for (FileFetch *fetch : m_fetches) {
        if (fetch)
            fetch->abort();
    }
}

void ReleaseImport::start()
{
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
    if (m_limited) {
        std::vector<std::string> only;
        for (const QString &url : std::as_const(m_keepOnly)) {
            for (const std::string &node : candidateNodes(url))
                only.push_back(node);
        }
        m_builder->keepOnly(only);
    }
    // The workers wake this thread (to read on, or to finish) through its event loop.
    m_pipeline = std::make_unique<ImportPipeline>(*m_builder, [this] {
        QMetaObject::invokeMethod(this, &ReleaseImport::pipelineWoke, Qt::QueuedConnection);
    });
    const bool download = isAddress(m_settings.source);
    if (download)
        m_network = new QNetworkAccessManager(this);
    else
        m_localSize = 0;
    const QStringList files = releaseFiles(m_settings.release);
    for (int file = 0; file < 3; ++file) {
        const QString location =
            download
                ? m_settings.source + (m_settings.source.endsWith(u'/') ? QString() : QStringLiteral("/")) +
                      files.at(file)
                : QDir(m_settings.source).filePath(files.at(file));
        auto *fetch = new FileFetch(*m_pipeline, ImportPipeline::File(file), location, m_network,
                                    m_settings.tries, this);
        m_fetches[file] = fetch;
        if (!download)
            m_localSize += QFileInfo(location).size();
        QString why;
        if (!m_settings.keepFiles.isEmpty() &&
            !fetch->keepIn(QDir(m_settings.keepFiles).filePath(files.at(file)), &why))
            return done(false, why);
        connect(fetch, &FileFetch::progressed, this, [this] { emit progress(bytesDone(), bytesKnown()); });
        connect(fetch, &FileFetch::notice, this, &ReleaseImport::notice);
        connect(fetch, &FileFetch::failed, this, [this](const QString &message) { done(false, message); });
        connect(fetch, &FileFetch::finished, this, [this, file] { fetchFinished(file); });
    }
    m_fetches[ImportPipeline::Vertices]->start();
}

void ReleaseImport::cancel()
{
    if (m_ended)
        return;
    if (m_pipeline && m_pipeline->outcome().ok) // the index was put in place already
        return pipelineWoke();
    done(false,
         QStringLiteral("The import of %1 was cancelled; nothing of it was kept.").arg(m_settings.release));
}

void ReleaseImport::fetchFinished(int file)
{
    if (m_ended)
        return;
    m_finishedFiles |= 1 << file;
    // The ranks and the edges are read at once, once the vertices are.
    if (file == ImportPipeline::Vertices) {
        m_fetches[ImportPipeline::Ranks]->start();
        m_fetches[ImportPipeline::Edges]->start();
    }
    if (m_finishedFiles != 7)
        return;
    const QStringList facts{
        QStringLiteral("release=") + m_settings.release,
        QStringLiteral("date=") + releaseDate(m_settings.release).toString(Qt::ISODate),
        QStringLiteral("imported=") + QDateTime::currentDateTimeUtc().toString(Qt::ISODate),
        QStringLiteral("source=") + m_settings.source,
        QStringLiteral("compressed=") + QString::number(bytesDone()),
    };
    // The rest is the workers' (pipelineWoke() hears how it ended).
    m_pipeline->write(indexFile(m_settings.folder, m_settings.release), facts);
}

qint64 ReleaseImport::bytesDone() const
{
    qint64 done = 0;
    for (const FileFetch *fetch : m_fetches)
        done += fetch ? fetch->received() : 0;
    return done;
}

qint64 ReleaseImport::bytesKnown() const
{
    if (m_localSize >= 0)
        return m_localSize;
    qint64 known = -1;
    for (const FileFetch *fetch : m_fetches) {
        if (fetch && fetch->expected() >= 0)
            known = std::max<qint64>(known, 0) + fetch->expected();
    }
    return known;
}

void ReleaseImport::pipelineWoke()
{
    if (m_ended || !m_pipeline)
        return;
    const ImportPipeline::Outcome outcome = m_pipeline->outcome();
    if (outcome.stopped) {
        if (outcome.ok)
            return done(true, QStringLiteral("Imported %1: %2 domains, %3 links.")
                                  .arg(m_settings.release)
                                  .arg(m_builder->domains())
                                  .arg(m_builder->links()));
        if (outcome.file < 0)
            return done(false, outcome.message);
        return done(false,
                    QStringLiteral("%1: %2").arg(m_fetches[outcome.file]->fileName(), outcome.message));
    }
    for (FileFetch *fetch : m_fetches)
        fetch->resume();
}

void ReleaseImport::done(bool ok, const QString &message)
{
    if (m_ended)
        return;
    m_ended = true;
    for (FileFetch *&fetch : m_fetches) {
        if (fetch)
            fetch->abort();
    }
    m_pipeline.reset(); // stops the workers and waits for them
    m_builder.reset();  // its scratch files go
    if (m_lock)
        m_lock->unlock();
    emit finished(ok, message);
}

} // namespace webgraph
