#pragma once

#include <QString>
#include <QStringList>

// Years of link popularity at once: the web graph's count of a watched saved search's URL in every imported
// release, saved into the saved search dated by the release (its last day).
namespace webgraph {

struct HistoryTarget
{
    QString name; // the saved search
    QString file; // its file
    QString url;
};

struct HistoryResult
{
    int written = 0;   // dates written (new or changed)
    int unchanged = 0; // dates the saved search held already with that count
    QStringList errors;
};

// For each target, the count of its URL in each release (oldest first) is written into the section header
// of its saved search, keyed by the release's date: every rule of a save (the lock, one write for all of a
// search's dates, the dates kept newest first). A date that holds that count already is left as it is, so
// that a second run changes no byte. A URL that a release does not hold counts 0 there. releasesFolder:
// where the indexes are; releases: which ones (names).
HistoryResult writeGraphHistory(const QList<HistoryTarget> &targets, const QString &releasesFolder,
                                const QStringList &releases, const QString &header);

} // namespace webgraph
