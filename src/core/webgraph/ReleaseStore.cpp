#include "core/webgraph/ReleaseStore.h"

#include "core/webgraph/DomainMapping.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace webgraph {

bool isReleaseName(const QString &release)
{
    if (release.isEmpty() || release.size() > 100 || release.startsWith(u'-'))
        return false;
    return std::all_of(release.cbegin(), release.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-';
    });
}

QDate releaseDate(const QString &release)
{
    static const QStringList months{QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"),
                                    QStringLiteral("apr"), QStringLiteral("may"), QStringLiteral("jun"),
                                    QStringLiteral("jul"), QStringLiteral("aug"), QStringLiteral("sep"),
                                    QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    int year = 0, month = 0;
    for (const QString &part : release.split(u'-')) {
        bool number = false;
        const int value = part.toInt(&number);
        if (number && part.size() == 4)
            year = value;
        else if (number && part.size() == 2 && year > 0)
            year = year / 100 * 100 + value; // "2024-25": the second year in the same century
        else if (months.contains(part))
            month = int(months.indexOf(part)) + 1;
    }
    if (year == 0 || month == 0)
        return QDate();
    const QDate first(year, month, 1);
    return first.addDays(first.daysInMonth() - 1);
}

QStringList releaseFiles(const QString &release)
{
    QStringList files;
    for (const char *kind : {"vertices", "ranks", "edges"})
        files.append(QStringLiteral("%1/domain/%1-domain-%2.txt.gz").arg(release, QLatin1String(kind)));
    return files;
}

QString indexFile(const QString &folder, const QString &release)
{
    return QDir(folder).filePath(release + QStringLiteral("/index.vgx"));
}

QStringList importedReleases(const QString &folder)
{
    QStringList releases;
    for (const QString &name : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (isReleaseName(name) && QFileInfo(indexFile(folder, name)).isFile())
            releases.append(name);
    }
    std::sort(releases.begin(), releases.end(), [](const QString &a, const QString &b) {
        const QDate da = releaseDate(a), db = releaseDate(b);
        return da != db ? da > db : a > b;
    });
    return releases;
}

bool removeRelease(const QString &folder, const QString &release, QString *why)
{
    QDir dir(QDir(folder).filePath(release));
    if (!isReleaseName(release) || !dir.exists()) {
        *why = QStringLiteral("the release %1 is not imported").arg(release);
        return false;
    }
    // The index goes first, so that no lookup reads a release half removed.
    if (!QFile::remove(indexFile(folder, release)) && QFileInfo::exists(indexFile(folder, release))) {
        *why = QStringLiteral("%1 could not be removed").arg(indexFile(folder, release));
        return false;
    }
    if (!dir.removeRecursively()) {
        *why = QStringLiteral("%1 could not be removed").arg(dir.path());
        return false;
    }
    return true;
}

QStringList releasesOfList(const QByteArray &json)
{
    QStringList releases;
    for (const QJsonValue &entry : QJsonDocument::fromJson(json).array()) {
        const QString id = entry.toObject().value(QStringLiteral("id")).toString();
        if (isReleaseName(id))
            releases.append(id);
    }
    return releases;
}

Lookup lookUp(const ReleaseIndex &index, const QString &url)
{
    Lookup lookup{url, std::nullopt};
    for (const std::string &node : candidateNodes(url)) {
        if ((lookup.figures = index.find(node)))
            return lookup;
    }
    lookup.notKept = index.fact(QStringLiteral("limited")) == QLatin1String("yes");
    return lookup;
}

} // namespace webgraph
