#include "core/webgraph/LinkingDomains.h"

#include "core/webgraph/DomainMapping.h"
#include "core/webgraph/ReleaseStore.h"

#include <unordered_set>

namespace webgraph {

LinkingList linkingDomainsOf(const QString &releasesFolder, const QString &release, const QString &url)
{
    LinkingList list;
    ReleaseIndex index;
    QString why;
    if (!index.open(indexFile(releasesFolder, release), &why)) {
        list.message = QStringLiteral("The web graph release %1 cannot be read (%2).").arg(release, why);
        return list;
    }
    const Lookup lookup = lookUp(index, url);
    if (!lookup.figures) {
        list.state = lookup.notKept ? LinkingList::State::NotKept : LinkingList::State::NotInGraph;
        list.message =
            lookup.notKept
                ? QStringLiteral("The release %1 was imported for other domains only.").arg(release)
                : QStringLiteral("%1 is not in the web graph release %2.").arg(url, release);
        return list;
    }
    list.node = lookup.figures->node;
    if (!index.keptLinking(list.node)) {
        list.state = LinkingList::State::NotKept;
        list.message =
            QStringLiteral("The linking domains of %1 were not kept in %2: it was not watched when the "
                           "release was imported. Watch it and import the release again.")
                .arg(forward(list.node), release);
        return list;
    }
    list.state = LinkingList::State::Ok;
    list.domains = index.linking(list.node);
    return list;
}

std::vector<LinkingChange> linkingChanges(const std::vector<LinkingDomain> &before,
                                          const std::vector<LinkingDomain> &after)
{
    std::unordered_set<std::string> old, now;
    for (const LinkingDomain &d : before)
        old.insert(d.node);
    for (const LinkingDomain &d : after)
        now.insert(d.node);
    std::vector<LinkingChange> changes;
    for (const LinkingDomain &d : after) {
        if (!old.count(d.node))
            changes.push_back({d.node, true, d.harmonicPosition});
    }
    for (const LinkingDomain &d : before) {
        if (!now.count(d.node))
            changes.push_back({d.node, false, d.harmonicPosition});
    }
    return changes;
}

} // namespace webgraph
