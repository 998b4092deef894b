#pragma once

#include "core/scan/CellReport.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <deque>
#include <limits>

namespace scan {

// A result page as a scan fetched it: the page behind a count.
struct KeptPage
{
    QString target;    // the URL the row is about
    int engine = 0;    // the engine's number in the run
    QString engineKey; // and its key
    QString query;     // the address asked
    int http = 0;      // the HTTP status, 0 when none arrived
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray stored; // the bytes read, or them compressed (qCompress) when compressed is set
    QString count;     // the count as cut from the page
    QString statusWord;
    FetchOutcome outcome;     // how the request went
    bool prefixEmpty = false; // settings.ini had no address for the engine
    bool compressed = false;

    // The bytes read, as they came.
    QByteArray body() const { return compressed ? qUncompress(stored) : stored; }
};

// The pages of the current run, up to a limit of the memory they take (a scan keeps its pages compressed;
// their addresses and headers count too): when a page would pass it, the oldest pages go first (a page larger
// than the limit is not kept).
class KeptPages
{
public:
    static constexpr qint64 DefaultLimit = 64LL * 1024 * 1024;
    static constexpr qint64 NoLimit = std::numeric_limits<qint64>::max();

    // The bytes a kept page takes: its own, its stored page's and those of its texts and headers.
    static qint64 footprint(const KeptPage &page);

    void setLimit(qint64 bytes) { m_limit = bytes; }
    qint64 limit() const { return m_limit; }
    void clear();
    void add(KeptPage page);
    // The newest page kept for a query address, or none.
    const KeptPage *find(const QString &query) const;
    // The newest page kept for a row's URL and an engine (by number in its run, or by key), or none.
    const KeptPage *find(const QString &target, int engine) const;
    const KeptPage *find(const QString &target, const QString &engineKey) const;
    const std::deque<KeptPage> &pages() const { return m_pages; }
    // The newest page per URL and engine key, found in one pass, for looking up many (by newestKey).
    QHash<QString, const KeptPage *> newest() const;
    static QString newestKey(const QString &target, const QString &engineKey);
    qint64 bytes() const { return m_bytes; }

private:
    std::deque<KeptPage> m_pages; // oldest first; a queue, so that the oldest go without copying the rest
    qint64 m_bytes = 0;
    qint64 m_limit = DefaultLimit;
};

} // namespace scan
