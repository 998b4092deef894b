#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace webgraph {

class GzipStream;
class IndexBuilder;
class TextPipe;

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

    void start();
    // Stops at once; nothing of the import is left.
    void cancel();

    qint64 bytesDone() const { return m_doneBefore + m_received; }
    // The compressed bytes of the files whose size is known so far; -1 before any.
    qint64 bytesKnown() const { return m_known; }

signals:
    void progress(qint64 done, qint64 known);
    // Something the user should know that is no failure ("the server cannot resume; starting over").
    void notice(const QString &text);
    void finished(bool ok, const QString &message);

private:
    void nextFile();
    void readLocal();
    void request(qint64 from);
    void readReply();
    void replyFinished();
    bool take(const char *data, qint64 size);
    bool endFile();
    void done(bool ok, const QString &message);
    QString fileName() const;

    ImportSettings m_settings;
    QStringList m_keepLinkingOf;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<IndexBuilder> m_builder;
    std::unique_ptr<TextPipe> m_pipe;
    std::unique_ptr<GzipStream> m_gzip;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QFile m_local;
    QFile m_kept;
    QStringList m_files;
    int m_file = -1;
    qint64 m_received = 0;   // compressed bytes of the current file
    qint64 m_expected = -1;  // its size, when announced
    qint64 m_doneBefore = 0; // compressed bytes of the files before
    qint64 m_known = -1;
    int m_triesLeft = 0;
    bool m_ended = false;
    bool m_answered = false; // the current answer's first bytes were read
    QString m_fault;         // why the current reply was stopped by us
    QElapsedTimer m_clock;
};

} // namespace webgraph
