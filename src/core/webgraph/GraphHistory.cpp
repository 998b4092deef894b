#include "core/webgraph/GraphHistory.h"

#include "core/ini/TextFile.h"
#include "core/saved/SavedSearch.h"
#include "core/saved/SearchFile.h"
#include "core/webgraph/ReleaseIndex.h"
#include "core/webgraph/ReleaseStore.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace webgraph {

HistoryResult writeGraphHistory(const QList<HistoryTarget> &targets, const QString &releasesFolder,
                                const QStringList &releases, const QString &header)
{
    HistoryResult result;
    // The releases oldest first, each opened once.
    struct Opened
    {
        QString release;
        QDate date;
        std::unique_ptr<ReleaseIndex> index;
    };
    std::vector<Opened> opened;
    for (const QString &release : releases) {
        Opened o{release, releaseDate(release), std::make_unique<ReleaseIndex>()};
        QString why;
        if (!saved::isSavableDate(o.date)) {
            result.errors.append(QStringLiteral("%1 names no date a saved search can hold").arg(release));
            continue;
        }
        if (!o.index->open(indexFile(releasesFolder, release), &why)) {
            result.errors.append(QStringLiteral("The release %1 is not imported (%2).").arg(release, why));
            continue;
        }
        opened.push_back(std::move(o));
    }
    std::sort(opened.begin(), opened.end(), [](const Opened &a, const Opened &b) { return a.date < b.date; });
    for (const HistoryTarget &target : targets) {
        // The file is read and written under its lock, with no other writer between; a watched search
        // without a file yet gets one.
        QDir().mkpath(QFileInfo(target.file).absolutePath());
        const textFile::FileLock lock(target.file);
        if (!lock.isLocked()) {
            result.errors.append(saved::lockError(lock, target.name));
            continue;
        }
        saved::SearchFile search;
        const bool exists = textFile::exists(target.file);
        if (exists && !search.load(target.file)) {
            result.errors.append(QStringLiteral("The saved search \"%1\" cannot be read.").arg(target.name));
            continue;
        }
        // Only what differs is written: a second run finds every date in place.
        QList<std::pair<QDate, QString>> dates;
        for (const Opened &o : opened) {
            const Lookup lookup = lookUp(*o.index, target.url);
            if (lookup.notKept) // a release imported for other domains says nothing of this one
                continue;
            const QString count = QString::number(lookup.figures ? lookup.figures->linking : 0);
            if (search.value(header, o.date) == count)
                ++result.unchanged;
            else
                dates.append({o.date, count});
        }
        if (dates.isEmpty())
            continue;
        // All of a search's dates land together, or none.
        textFile::Transaction transaction;
        QString error;
        for (const auto &[date, count] : dates) {
            const saved::SaveMode mode =
                textFile::exists(target.file) ? saved::SaveMode::Append : saved::SaveMode::CreateNew;
            const saved::SaveResult saved =
                saved::saveResults(saved::SaveRow{{{header, count}}}, target.file, mode, date);
            if (!saved.ok) {
                error = saved.error;
                break;
            }
        }
        if (error.isEmpty() && !transaction.commit())
            error = QStringLiteral("The saved search \"%1\" could not be written (%2); it is unchanged.")
                        .arg(target.name, transaction.error());
        if (!error.isEmpty()) {
            result.errors.append(error);
            continue;
        }
        result.written += int(dates.size());
    }
    return result;
}

} // namespace webgraph
