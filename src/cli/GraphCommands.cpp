// The web graph commands: --graph-import, --graph, --graph-releases and --graph-remove.
#include "cli/CommandLine.h"
#include "cli/StandardOutput.h"

#include "core/ini/UserSettings.h"
#include "core/lists/UrlListFile.h"
#include "core/program/ProgramFolder.h"
#include "core/saved/SavedSearch.h"
#include "core/scan/ResultsExport.h"
#include "core/webgraph/DomainMapping.h"
#include "core/webgraph/GraphHistory.h"
#include "core/webgraph/LinkingDomains.h"
#include "core/webgraph/ReleaseCatalog.h"
#include "core/webgraph/ReleaseImport.h"
#include "core/webgraph/ReleaseStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>

#include <unistd.h>

namespace cli {

namespace {

QString releasesFolder()
{
    return programFolder::webGraphFolder();
}

QString source(const Invocation &in)
{
    return in.isSet("graph-source")
               ? in.value("graph-source")
               : webgraph::sourceOrDefault(UserSettings::value(UserSettings::GraphSource));
}

QStringList urlsOf(const QStringList &arguments, QString *why)
{
    QStringList urls;
    for (const QString &argument : arguments) {
        QFile file;
        if (argument == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                           : (QFileInfo(argument).isFile() &&
                                              (file.setFileName(argument), file.open(QIODevice::ReadOnly)))) {
            QStringList entries;
            if (urlList::entriesOfBytes(file.read(64LL << 20), entries) != urlList::LoadStatus::Ok) {
                *why = QStringLiteral("%1 is no URL list").arg(argument);
                return {};
            }
            urls += entries;
        } else {
            urls.append(argument);
        }
    }
    return urls;
}

int runGraphImport(const Invocation &in, const engines::LoadResult &)
{
    const bool onlyWatched = in.isSet("graph-only-watched");
    if (!in.positional().isEmpty() && !onlyWatched)
        return fail(2, QStringLiteral("--graph-import takes no other argument (URL lists go with "
                                      "--graph-only-watched); see --help"));
    webgraph::ImportSettings settings;
    settings.release = in.value("graph-import");
    settings.source = source(in);
    settings.folder = releasesFolder();
    settings.keepFiles = in.value("graph-keep-files");
    webgraph::ReleaseImport import(settings);
    // The watched sites' linking domains are kept by name.
    QStringList watched;
    for (const UserSettings::Watched &w : UserSettings::watchedSearches(programFolder::path()))
        watched.append(w.url);
    import.keepLinkingOf(watched);
    if (onlyWatched) {
        QString why;
        const QStringList only = watched + urlsOf(in.positional(), &why);
        if (!why.isEmpty())
            return fail(1, why);
        if (only.isEmpty())
            return fail(1,
                        QStringLiteral("--graph-only-watched: no saved search is watched and no URL list is "
                                       "given, so the index would hold nothing."));
        import.keepOnly(only);
    }
    QEventLoop loop;
    int code = 1;
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    QElapsedTimer clock, lastLine;
    clock.start();
    lastLine.start();
    QObject::connect(&import, &webgraph::ReleaseImport::progress, &loop, [&](qint64 done, qint64 known) {
        if (!terminal && lastLine.elapsed() < 5000)
            return;
        lastLine.restart();
        const QString line = webgraph::progressText(done, known, clock.elapsed());
        err() << (terminal ? QStringLiteral("\r") + line + QStringLiteral("   ") : line + u'\n') << Qt::flush;
    });
    QObject::connect(&import, &webgraph::ReleaseImport::notice, &loop,
                     [](const QString &text) { err() << text << Qt::endl; });
    QObject::connect(&import, &webgraph::ReleaseImport::finished, &loop,
                     [&](bool ok, const QString &message) {
                         if (terminal)
                             err() << '\n';
                         code = ok ? 0 : fail(1, message);
                         if (ok)
                             err() << message << Qt::endl;
                         loop.quit();
                     });
    QMetaObject::invokeMethod(&import, &webgraph::ReleaseImport::start, Qt::QueuedConnection);
    loop.exec();
    return code;
}

// The release a command reads: the one named, else the newest imported; empty (after saying so) for none.
QString chosenRelease(const Invocation &in)
{
    const QStringList named = in.values("graph-release");
    const QString release =
        named.isEmpty() ? webgraph::importedReleases(releasesFolder()).value(0) : named.first();
    if (release.isEmpty())
        fail(1,
             QStringLiteral("No web graph release is imported; import one with vantory-scan --graph-import "
                            "RELEASE (--graph-releases lists them)."));
    return release;
}

// Opens the release's index; false (after saying why) when it is not imported.
bool openRelease(const QString &release, webgraph::ReleaseIndex &index)
{
    if (QString why; !index.open(webgraph::indexFile(releasesFolder(), release), &why)) {
        fail(1, QStringLiteral(
                    "The release %1 is not imported (%2); import it with vantory-scan --graph-import %1.")
                    .arg(release, why));
        return false;
    }
    return true;
}

// Rows as columns, CSV or JSON (objects with the given keys; whole numbers as numbers, except in the keys of
// texts; empty fields as null).
QString table(const Invocation &in, const QStringList &header, const QStringList &keys,
              const QList<QStringList> &rows, const QStringList &texts = {})
{
    QString printed;
    if (in.isSet("json")) {
        QJsonArray array;
        for (const QStringList &row : rows) {
            QJsonObject object;
            for (qsizetype c = 0; c < keys.size(); ++c) {
                bool number = false;
                const qint64 value = texts.contains(keys.at(c)) ? 0 : row.at(c).toLongLong(&number);
                object.insert(keys.at(c), number                ? QJsonValue(value)
                                          : row.at(c).isEmpty() ? QJsonValue()
                                                                : QJsonValue(row.at(c)));
            }
            array.append(object);
        }
        return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    }
    const QList<QStringList> all = QList<QStringList>{header} + rows;
    if (in.isSet("csv")) {
        for (const QStringList &row : all) {
            QStringList fields;
            for (const QString &field : row)
                fields.append(resultsExport::csvField(field));
            printed += fields.join(u',') + QStringLiteral("\r\n");
        }
        return printed;
    }
    QList<qsizetype> widths(header.size(), 0);
    for (const QStringList &row : all) {
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row.at(c).size());
    }
    for (const QStringList &row : all) {
        QStringList cells;
        for (qsizetype c = 0; c < row.size(); ++c)
            cells.append(row.at(c).leftJustified(widths[c]));
        printed += cells.join(QStringLiteral("  ")).trimmed() + u'\n';
    }
    return printed;
}

QString positionText(std::uint32_t position)
{
    return position ? QString::number(position) : QString();
}

int runGraph(const Invocation &in, const engines::LoadResult &)
{
    if (in.isSet("csv") && in.isSet("json"))
        return fail(2, QStringLiteral("--csv and --json cannot be used together"));
    QString why;
    const QStringList urls = urlsOf(in.positional(), &why);
    if (!why.isEmpty())
        return fail(1, why);
    if (urls.isEmpty())
        return fail(2, QStringLiteral("--graph needs URLs, a URL list file or - ; see --help"));
    webgraph::ReleaseIndex index;
    const QString release = chosenRelease(in);
    if (release.isEmpty() || !openRelease(release, index))
        return 1;
    QList<QStringList> rows;
    for (const QString &url : urls) {
        const webgraph::Lookup l = webgraph::lookUp(index, url);
        const auto &f = l.figures;
        rows.append({l.url, f ? QString::fromStdString(f->node) : QString(),
                     f ? QString::number(f->linking) : QString(),
                     f ? positionText(f->harmonicPosition) : QString(),
                     f ? QString::fromStdString(f->harmonicValue) : QString(),
                     f ? positionText(f->pagerankPosition) : QString(),
                     f ? QString::fromStdString(f->pagerankValue) : QString(),
                     f ? QString::number(f->hosts) : QString(), l.status()});
    }
    const QString printed =
        table(in,
              {QStringLiteral("URL"), QStringLiteral("Node"), QStringLiteral("Linking domains"),
               QStringLiteral("Harmonic position"), QStringLiteral("Harmonic value"),
               QStringLiteral("PageRank position"), QStringLiteral("PageRank value"), QStringLiteral("Hosts"),
               QStringLiteral("Status")},
              {QStringLiteral("url"), QStringLiteral("node"), QStringLiteral("linking"),
               QStringLiteral("harmonicPosition"), QStringLiteral("harmonicValue"),
               QStringLiteral("pagerankPosition"), QStringLiteral("pagerankValue"), QStringLiteral("hosts"),
               QStringLiteral("status")},
              rows,
              {QStringLiteral("url"), QStringLiteral("node"), QStringLiteral("harmonicValue"),
               QStringLiteral("pagerankValue"), QStringLiteral("status")});
    standardOutput::print(printed);
    return 0;
}

int runGraphReleases(const Invocation &in, const engines::LoadResult &)
{
    if (!in.positional().isEmpty())
        return fail(2, QStringLiteral("--graph-releases takes no argument"));
    QString printed =
        QStringLiteral("Imported releases (%1):\n").arg(QDir::toNativeSeparators(releasesFolder()));
    const QList<webgraph::ImportedRelease> imported = webgraph::importedReleaseList(releasesFolder());
    for (const webgraph::ImportedRelease &r : imported) {
        // An index of a few domains says so beside the release's own count.
        printed += QStringLiteral("  %1  %2  %3 domains  %4 links  %5 on disk%6\n")
                       .arg(r.release, r.date.toString(Qt::ISODate))
                       .arg(r.domains)
                       .arg(r.links)
                       .arg(webgraph::byteSize(r.diskBytes))
                       .arg(r.limited ? QStringLiteral("  (figures of %1 watched domains only)").arg(r.kept)
                                      : QString());
    }
    if (imported.isEmpty())
        printed += QStringLiteral("  none\n");
    // The source's list; a source that gives none is said, not fatal.
    const QString from = source(in);
    webgraph::OfferedReleases asking;
    QStringList offered;
    QEventLoop loop;
    QObject::connect(&asking, &webgraph::OfferedReleases::listed, &loop, [&](const QStringList &releases) {
        offered = releases;
        loop.quit();
    });
    asking.ask(from);
    loop.exec();
    printed += QStringLiteral("Offered by %1:\n").arg(from);
    for (const QString &release : std::as_const(offered))
        printed +=
            QStringLiteral("  %1  %2\n").arg(release, webgraph::releaseDate(release).toString(Qt::ISODate));
    if (offered.isEmpty())
        printed += QStringLiteral("  (the list could not be read; name the release to import)\n");
    standardOutput::print(printed);
    return 0;
}

int runGraphHistory(const Invocation &in, const engines::LoadResult &loaded)
{
    if (!in.positional().isEmpty())
        return fail(2, QStringLiteral("--graph-history takes no argument; see --help"));
    QStringList releases = in.values("graph-release");
    if (releases.isEmpty())
        releases = webgraph::importedReleases(releasesFolder());
    if (releases.isEmpty())
        return fail(
            1, QStringLiteral("No web graph release is imported; import one with vantory-scan --graph-import "
                              "RELEASE."));
    // The section is the web graph engine's header (the shipped one's, "Linking domains", when none is
    // defined).
    QString header = QStringLiteral("Linking domains");
    for (const engines::Definition &definition : loaded.all) {
        if (definition.isWebGraph()) {
            header = definition.header;
            break;
        }
    }
    QList<webgraph::HistoryTarget> targets;
    for (const UserSettings::Watched &w : UserSettings::watchedSearches(programFolder::path()))
        targets.append({w.name, saved::searchFile(programFolder::savedFolder(), w.name), w.url});
    if (targets.isEmpty())
        return fail(1, QStringLiteral("No saved search is watched; --watch NAME URL makes one."));
    const webgraph::HistoryResult result =
        webgraph::writeGraphHistory(targets, releasesFolder(), releases, header);
    for (const QString &error : result.errors)
        fail(1, error);
    err() << "Wrote " << result.written << " dates of " << releases.size() << " releases into "
          << targets.size() << " saved searches (" << result.unchanged << " were there already)." << Qt::endl;
    return result.errors.isEmpty() ? 0 : 1;
}

// The kept linking domains of the URL's node in a release; false (after saying why) when there are none.
bool linkingOf(const QString &url, const QString &release, std::vector<webgraph::LinkingDomain> *domains,
               std::string *node)
{
    webgraph::LinkingList list = webgraph::linkingDomainsOf(releasesFolder(), release, url);
    if (list.state == webgraph::LinkingList::State::NotKept && !list.node.empty())
        list.message += QStringLiteral(" (--watch NAME %1)").arg(url);
    if (list.state != webgraph::LinkingList::State::Ok) {
        fail(1, list.message);
        return false;
    }
    *node = list.node;
    *domains = std::move(list.domains);
    return true;
}

int runGraphLinking(const Invocation &in, const engines::LoadResult &)
{
    if (!in.positional().isEmpty())
        return fail(2, QStringLiteral("--graph-linking takes one URL; see --help"));
    if (in.isSet("csv") && in.isSet("json"))
        return fail(2, QStringLiteral("--csv and --json cannot be used together"));
    const QString release = chosenRelease(in);
    if (release.isEmpty())
        return 1;
    std::vector<webgraph::LinkingDomain> domains;
    std::string node;
    if (!linkingOf(in.value("graph-linking"), release, &domains, &node))
        return 1;
    QList<QStringList> rows;
    for (const webgraph::LinkingDomain &d : domains)
        rows.append({webgraph::forward(d.node), positionText(d.harmonicPosition)});
    standardOutput::print(table(in, {QStringLiteral("Domain"), QStringLiteral("Harmonic position")},
                                {QStringLiteral("domain"), QStringLiteral("harmonicPosition")}, rows));
    return 0;
}

int runGraphChanges(const Invocation &in, const engines::LoadResult &)
{
    const QStringList releases = in.values("graph-release");
    if (!in.positional().isEmpty() || releases.size() != 2)
        return fail(2, QStringLiteral("--graph-changes takes one URL and two releases: --graph-release OLD "
                                      "--graph-release NEW"));
    if (in.isSet("csv") && in.isSet("json"))
        return fail(2, QStringLiteral("--csv and --json cannot be used together"));
    std::vector<webgraph::LinkingDomain> before, after;
    std::string node;
    const QString url = in.value("graph-changes");
    if (!linkingOf(url, releases.at(0), &before, &node) || !linkingOf(url, releases.at(1), &after, &node))
        return 1;
    QList<QStringList> rows;
    int added = 0, lost = 0;
    for (const webgraph::LinkingChange &change : webgraph::linkingChanges(before, after)) {
        rows.append({webgraph::forward(change.node),
                     change.added ? QStringLiteral("new") : QStringLiteral("lost"),
                     positionText(change.harmonicPosition)});
        ++(change.added ? added : lost);
    }
    standardOutput::print(table(
        in, {QStringLiteral("Domain"), QStringLiteral("Change"), QStringLiteral("Harmonic position")},
        {QStringLiteral("domain"), QStringLiteral("change"), QStringLiteral("harmonicPosition")}, rows));
    err() << added << " new and " << lost << " lost linking domains of " << webgraph::forward(node)
          << " from " << releases.at(0) << " to " << releases.at(1) << Qt::endl;
    return 0;
}

int runGraphRemove(const Invocation &in, const engines::LoadResult &)
{
    if (!in.positional().isEmpty())
        return fail(2, QStringLiteral("--graph-remove takes no other argument"));
    if (QString why; !webgraph::removeRelease(releasesFolder(), in.value("graph-remove"), &why))
        return fail(1, why);
    err() << "Removed " << in.value("graph-remove") << Qt::endl;
    return 0;
}

} // namespace

Command graphImportCommand()
{
    return {"graph-import",
            {QStringLiteral("graph-source"), QStringLiteral("graph-keep-files"),
             QStringLiteral("graph-only-watched")},
            QStringLiteral("--graph-import RELEASE [--graph-source BASE] [--graph-keep-files DIR] "
                           "[--graph-only-watched [URL|FILE...]]"),
            runGraphImport};
}

Command graphCommand()
{
    return {"graph",
            {QStringLiteral("graph-release"), QStringLiteral("csv"), QStringLiteral("json")},
            QStringLiteral("--graph [--graph-release R] [--csv | --json] URL...|FILE|-"),
            runGraph};
}

Command graphReleasesCommand()
{
    return {"graph-releases",
            {QStringLiteral("graph-source")},
            QStringLiteral("--graph-releases [--graph-source BASE]"),
            runGraphReleases};
}

Command graphHistoryCommand()
{
    return {"graph-history",
            {QStringLiteral("graph-release")},
            QStringLiteral("--graph-history [--graph-release R ...]"),
            runGraphHistory};
}

Command graphLinkingCommand()
{
    return {"graph-linking",
            {QStringLiteral("graph-release"), QStringLiteral("csv"), QStringLiteral("json")},
            QStringLiteral("--graph-linking URL [--graph-release R] [--csv | --json]"),
            runGraphLinking};
}

Command graphChangesCommand()
{
    return {"graph-changes",
            {QStringLiteral("graph-release"), QStringLiteral("csv"), QStringLiteral("json")},
            QStringLiteral("--graph-changes URL --graph-release OLD --graph-release NEW [--csv | --json]"),
            runGraphChanges};
}

Command graphRemoveCommand()
{
    return {"graph-remove", {}, QStringLiteral("--graph-remove RELEASE"), runGraphRemove};
}

} // namespace cli
