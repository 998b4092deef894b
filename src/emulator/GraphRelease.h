#pragma once

#include <QString>

#include <cstdint>
#include <string>

// Web graph releases made up for tests, benchmarks and the demo, in the exact formats of the published ones:
// RELEASE/domain/RELEASE-domain-{vertices,edges,ranks}.txt.gz under a folder. Domains are sorted by their
// reversed names in byte order and include public-suffix nodes ("uk.co"), private suffixes
// ("io.github.alice"), internationalized names in ASCII form and multi-part suffixes; links follow a power
// law; the ranks' values are printed as Java prints a float (harmonic centrality) or a double (PageRank).
// The same arguments always give the same bytes.
namespace graphRelease {

struct Spec
{
    QString folder;
    QString release;
    std::int64_t domains = 0;
    std::int64_t links = 0;
    int members = 1; // gzip members per file
    std::uint64_t seed = 1;
};

// False (with why) when the numbers cannot make a release or a file cannot be written.
bool write(const Spec &spec, QString *why);

} // namespace graphRelease
