#pragma once

#include "core/webgraph/ReleaseIndex.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

// The imported web graph releases: one folder per release under a releases folder, its index in
// "index.vgx". An index is there whole or not at all (it is written under another name and renamed).
namespace webgraph {

// The source of the published releases, and the list of them.
inline constexpr const char *DefaultSource = "https://data.commoncrawl.org/projects/hyperlinkgraph";
inline constexpr const char *ReleaseList = "https://index.commoncrawl.org/graphinfo.json";

// A release's name as the source writes it: lower-case letters, digits and "-" (no path).
bool isReleaseName(const QString &release);
// The day a release stands for: the last day of the last month its name names, in the last year it names
// ("cc-main-2024-25-dec-jan-feb" is 2025-02-28); invalid when the name names none.
QDate releaseDate(const QString &release);
// The three files of a release, relative to the source: "R/domain/R-domain-vertices.txt.gz", ...
QStringList releaseFiles(const QString &release);

QString indexFile(const QString &folder, const QString &release);
// The releases with a complete index, newest first (by date, then name).
QStringList importedReleases(const QString &folder);
// Deletes a release's folder; false (with why) when it is not there or cannot be removed.
bool removeRelease(const QString &folder, const QString &release, QString *why);
// The releases of a graphinfo.json answer (a JSON array of objects with "id"), in its order; empty when it
// cannot be read.
QStringList releasesOfList(const QByteArray &json);

// One URL looked up in a release.
struct Lookup
{
    QString url;
    std::optional<DomainFigures> figures; // none: "not-in-graph", or "not-kept"
    // The release was imported for a few domains only, and not for this URL's: it may or may not be in it.
    bool notKept = false;
    QString status() const
    {
        return figures   ? QStringLiteral("ok")
               : notKept ? QStringLiteral("not-kept")
                         : QStringLiteral("not-in-graph");
    }
};
Lookup lookUp(const ReleaseIndex &index, const QString &url);

} // namespace webgraph
