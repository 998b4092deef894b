#pragma once

#include "core/webgraph/ReleaseIndex.h"

#include <QString>

#include <string>
#include <vector>

// Who links to a site in a release (the names an import kept for the watched sites), and who started or
// stopped linking between two releases.
namespace webgraph {

struct LinkingList
{
    enum class State
    {
        Ok,
        NoRelease,  // the release's index cannot be read
        NotInGraph, // the URL maps to no node of the release
        NotKept,    // its linking domains were not kept (the site was not watched when it was imported)
    };
    State state = State::NoRelease;
    QString message; // what went wrong, in a sentence
    std::string node;
    std::vector<LinkingDomain> domains; // best harmonic position first, unranked last
};

LinkingList linkingDomainsOf(const QString &releasesFolder, const QString &release, const QString &url);

struct LinkingChange
{
    std::string node;
    bool added = false; // else lost
    std::uint32_t harmonicPosition = 0;
};
// The domains in after and not in before (new), then those in before and not after (lost), each in its list's
// order.
std::vector<LinkingChange> linkingChanges(const std::vector<LinkingDomain> &before,
                                          const std::vector<LinkingDomain> &after);

} // namespace webgraph
