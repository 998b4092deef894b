#pragma once

#include <QDate>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QNetworkAccessManager;
class QNetworkReply;

// What a user chooses from: the releases imported (with what their indexes say) and those a source offers.
namespace webgraph {

// The source in use: the one stored, else the published one.
QString sourceOrDefault(const QString &stored);
bool isAddress(const QString &source);
// Why a source typed by the user cannot be one (empty: it can; an empty text stands for the published one).
QString sourceProblem(const QString &typed);

struct ImportedRelease
{
    QString release;
    QDate date;
    quint64 domains = 0; // the release's own (an index of a few domains says how many it was made of)
    quint64 links = 0;
    quint64 kept = 0; // domains whose figures the index holds: all of them, or a few
    bool limited = false;
    qint64 diskBytes = 0;
};
// The releases imported into a folder, newest first.
QList<ImportedRelease> importedReleaseList(const QString &folder);

// Bytes for people: "34.5 MB", "1.46 GB".
QString byteSize(qint64 bytes);
// An import's progress in words: "120.5 MB of 291.0 MB, 150.2 MB/s, about 1 s left" (known < 0: the total is
// not known yet).
QString progressText(qint64 done, qint64 known, qint64 elapsedMs);

// What to do about an import that failed, in a user's words, from its message; empty when nothing better than
// the message can be said.
QString importAdvice(const QString &message);

// The releases a source offers, newest first: a folder's release folders that hold the release's files, or
// the list an address answers (the published list for the published source, else SOURCE/graphinfo.json).
class OfferedReleases : public QObject
{
    Q_OBJECT

public:
    explicit OfferedReleases(QObject *parent = nullptr);
    ~OfferedReleases() override;
    // listed() follows, on the event loop (a folder's at once).
    void ask(const QString &source);

signals:
    // problem: why no list could be had (then releases is empty).
    void listed(const QStringList &releases, const QString &problem);

private:
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
};

} // namespace webgraph
