#pragma once

#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The index of one web graph release, one file read in place (memory-mapped): a lookup reads a few pages,
// never the whole file. Layout, little-endian:
//   header (IndexHeader)
//   domain blocks: the domains in the release's order (reversed names in byte order), BlockSize a block;
//     each domain: varint shared-prefix length, varint suffix length, suffix, then varints of linking
//     domains, hosts, harmonic position, PageRank position (0: the ranks file has no line for it)
//   block offsets: u64 per block
//   harmonic runs: u32 first position per run, then a float per run (positions from 1, values never rise)
//   PageRank runs: the same with a double per run
//   texts that Java printed otherwise than the shortest form: per kind, u32 position and u32 offset pairs,
//     then the texts, each ended by NUL
//   the release's facts: "key=value" lines (UTF-8)
//   the linking domains of the nodes the import was asked to keep them for (the watched ones), as text lines
//   "node<TAB>linking node<TAB>harmonic position", by node, then best position first
namespace webgraph {

inline constexpr int BlockSize = 64;
inline constexpr char IndexMagic[8] = {'V', 'G', 'R', 'A', 'P', 'H', '2', '\0'};

struct IndexHeader
{
    char magic[8];
    std::uint64_t domains;
    std::uint64_t links;
    std::uint64_t blocks;
    std::uint64_t blockOffsets;
    std::uint64_t harmonicRuns;
    std::uint64_t harmonicAt;
    std::uint64_t pagerankRuns;
    std::uint64_t pagerankAt;
    std::uint64_t harmonicTexts;
    std::uint64_t harmonicTextsAt;
    std::uint64_t pagerankTexts;
    std::uint64_t pagerankTextsAt;
    std::uint64_t factsAt;
    std::uint64_t factsSize;
    std::uint64_t
        linkingAt; // the kept lists of linking domains: "node TAB linking node TAB harmonic position" lines
    std::uint64_t linkingSize;
    std::uint64_t fileSize;
};

// A domain that links to a kept node, with its own harmonic-centrality position (0: not ranked).
struct LinkingDomain
{
    std::string node;
    std::uint32_t harmonicPosition = 0;
};

// What a release says of one domain.
struct DomainFigures
{
    std::string node; // reversed, as the release writes it: "com.example"
    std::uint32_t linking = 0;
    std::uint32_t hosts = 0;
    std::uint32_t harmonicPosition = 0; // 0: not ranked
    std::string harmonicValue;          // as the ranks file prints it
    std::uint32_t pagerankPosition = 0;
    std::string pagerankValue;
};

class ReleaseIndex
{
public:
    ReleaseIndex();
    ~ReleaseIndex();
    // False (with why) for a file that is missing, not an index, or cut short.
    bool open(const QString &file, QString *why);

    std::uint64_t domains() const;
    std::uint64_t links() const;
    // A fact the import recorded ("release", "imported", "source", ...); empty when missing.
    QString fact(const QString &key) const;

    // The figures of a node (its reversed name), or none when the release has no such node.
    std::optional<DomainFigures> find(std::string_view node) const;
    bool contains(std::string_view node) const { return find(node).has_value(); }
    // Whether the import kept the linking domains of the node, and which they are (best position first).
    bool keptLinking(std::string_view node) const;
    std::vector<LinkingDomain> linking(std::string_view node) const;

private:
    std::string textAt(bool pagerank, std::uint32_t position) const;

    std::unique_ptr<QFile> m_file;
    const std::uint8_t *m_data = nullptr;
    IndexHeader m_header{};
};

} // namespace webgraph
