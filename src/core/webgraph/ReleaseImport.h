#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QNetworkAccessManager;

namespace webgraph {

class FileFetch;
class ImportPipeline;
class IndexBuilder;

struct ImportSettings
{
    QString release;
    QString source;    // an http(s) address or a local folder with the same layout
    QString folder;    // where the releases' indexes live
    QString keepFiles; // when not empty: the downloaded files are kept in this folder too
    int tries = 5;     // requests per file after a broken connection
};

// One release's import: its three files streamed (downloaded or read), inflated, checked and indexed, the
// index put in place only when it is whole. Runs on the thread's event loop; finished() says how it ended.
// Only one import of a release runs at a time (a lock beside its folder).
class ReleaseImport : public QObject
{
    Q_OBJECT

public:
    explicit ReleaseImport(const ImportSettings &settings, QObject *parent = nullptr);
    ~ReleaseImport() override;

    // URLs whose linking domains the index keeps by name (the watched ones); before start().
    void keepLinkingOf(const QStringList &urls) { m_keepLinkingOf = urls; }
    // The index holds the figures of these URLs' domains only (almost no disk); before start().
    void keepOnly(const QStringList &urls)
    {
        m_keepOnly = urls;
        m_limited = true;
    }

    void start();
    // Stops at once; nothing of the import is left.
    void cancel();

    // Compressed bytes read so far.
    qint64 bytesDone() const;
    // The compressed bytes of the files whose size is known so far; -1 before any.
    qint64 bytesKnown() const;

signals:
    void progress(qint64 done, qint64 known);
    // Something the user should know that is no failure ("the server cannot resume; starting over").
    void notice(const QString &text);
    void finished(bool ok, const QString &message);

private:
    void fetchFinished(int file);
    void pipelineWoke();
    void done(bool ok, const QString &message);

    ImportSettings m_settings;
    QStringList m_keepLinkingOf;
    QStringList m_keepOnly;
    bool m_limited = false;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<IndexBuilder> m_builder;
    std::unique_ptr<ImportPipeline> m_pipeline;
    QNetworkAccessManager *m_network = nullptr;
    FileFetch *m_fetches[3] = {};
    int m_finishedFiles = 0; // a bit per file read whole
    qint64 m_localSize = -1; // the files' size, when they are in a folder
    bool m_ended = false;
};

} // namespace webgraph
