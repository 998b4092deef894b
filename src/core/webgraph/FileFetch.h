#pragma once

#include "core/webgraph/ImportPipeline.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace webgraph {

// One file of a release, read from a folder or downloaded, into an import's pipeline, only while the
// pipeline wants more of it. A broken connection resumes at the byte where it stopped (Range) up to a number
// of tries; a server that cannot resume sends the file again and the pipeline starts it over; the size is
// checked against what the server announced.
class FileFetch : public QObject
{
    Q_OBJECT

public:
    // network: null for a file in a folder.
    FileFetch(ImportPipeline &pipeline, ImportPipeline::File file, const QString &location,
              QNetworkAccessManager *network, int tries, QObject *parent = nullptr);
    ~FileFetch() override;

    // The compressed bytes are copied to this file too (before start()); false (why) when it cannot be made.
    bool keepIn(const QString &path, QString *why);
    void start();
    // The pipeline wants more again.
    void resume();
    // Stops reading and downloading (no signal follows).
    void abort();

    QString fileName() const;
    qint64 received() const { return m_received; }
    // The file's size once known; -1 before.
    qint64 expected() const { return m_expected; }

signals:
    void progressed();
    // Something the user should know that is no failure ("the server cannot resume; starting over").
    void notice(const QString &text);
    void failed(const QString &message);
    // Every byte was handed to the pipeline, and the file's end.
    void finished();

private:
    void readLocal();
    void scheduleRead();
    void request(qint64 from);
    void readReply();
    void replyFinished();
    bool take(const QByteArray &piece);
    void complete();
    void fail(const QString &message);

    ImportPipeline &m_pipeline;
    ImportPipeline::File m_file;
    QString m_location;
    QNetworkAccessManager *m_network;
    int m_tries;
    int m_triesLeft;
    QPointer<QNetworkReply> m_reply;
    QFile m_local;
    QFile m_kept;
    qint64 m_received = 0;
    qint64 m_expected = -1;
    bool m_stopped = false;
    bool m_readScheduled = false;
    bool m_answered = false; // the current answer's first bytes were read
    QString m_fault;         // why the current reply was stopped by us
};

} // namespace webgraph
