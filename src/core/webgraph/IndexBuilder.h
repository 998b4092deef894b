#pragma once

#include "core/webgraph/HugePages.h"
#include "core/webgraph/NameTable.h"
#include "core/webgraph/ScratchFile.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace webgraph {

// Builds a release's index from the text of its three files, read in this order: vertices, ranks, edges.
// Text goes in by pieces of any size; every line is checked against the published format, and the first
// fault stops the build with the file and line named. Memory: at most 12 bytes a domain at any time (the
// names' table while the ranks are read, then positions and link counts); the rest waits in scratch files
// beside the index, written and read from start to end.
class IndexBuilder
{
public:
    enum class Part
    {
        Vertices,
        Ranks,
        Edges,
    };

    // scratch: the start of the names of the scratch files the builder may write and remove.
    explicit IndexBuilder(const QString &scratch);
    ~IndexBuilder();
    IndexBuilder(const IndexBuilder &) = delete;
    IndexBuilder &operator=(const IndexBuilder &) = delete;

    // The nodes whose linking domains the index keeps by name (set before the vertices end).
    void keepLinkingOf(const std::vector<std::string> &nodes) { m_keepNames = nodes; }
    // The index holds the figures of these nodes only (set before the vertices end): a few domains' worth
    // of disk. The links are counted as ever.
    void keepOnly(const std::vector<std::string> &nodes)
    {
        m_onlyNames = nodes;
        m_limited = true;
    }

    // Starts a part (again, when a download starts over: what it had read is forgotten). The vertices come
    // first; the ranks and the edges then, each on a thread of its own if need be (their parts share
    // nothing), each part's steps in order.
    void begin(Part part);
    // The next piece of the part's text; false on a fault.
    bool text(Part part, std::string_view piece);
    // The part's end; false on a fault.
    bool end(Part part);
    // Writes the index (facts: "key=value" lines); false (error()) when it cannot be written.
    bool write(const QString &indexFile, const QStringList &facts);

    // Asks a build running on another thread to stop soon (its next step fails).
    void stop() { m_stopped = true; }

    // What went wrong: the part's fault, or the first found, or the index's own.
    const QString &error(Part part) const { return m_state[int(part)].error; }
    const QString &error() const;
    // The kept nodes that are nodes of the release.
    QStringList keptNodes() const;
    // What the index says of itself once built: "kept=" nodes whose linking domains it holds; for an
    // index of a few domains "limited=yes" and the release's "releaseDomains=".
    QStringList facts() const;
    std::uint64_t domains() const { return m_names; }
    std::uint64_t links() const { return m_links; }

private:
    struct RanksLine; // a line of the ranks file, split
    bool line(Part part, std::string_view line);
    bool vertex(const std::string_view (&f)[3], bool split);
    bool rank(const RanksLine &line);
    bool edge(std::string_view line);
    // Whole lines of a file; std::string_view::npos on a fault.
    std::size_t vertices(std::string_view lines);
    std::size_t ranks(std::string_view lines);
    std::size_t edges(std::string_view lines);
    bool endVertices();
    bool endRanks();
    bool fail(Part part, const QString &what);
    // True (with the part's error set) once stop() was called.
    bool stopped(Part part);
    bool scratchFault(Part part, const ScratchFile &file);
    bool writeFault(const QString &what);
    // A fault of a line of a part: "edges line 12: ...".
    bool lineFault(Part part, std::uint64_t line, const QString &why);

    struct PartState
    {
        std::string carry;      // the start of a line whose end has not come yet
        std::uint64_t line = 0; // lines so far
        QString error;
    };
    PartState m_state[3];
    // What the scratch files may keep in memory rather than on disk (a release of a few million domains
    // never touches the disk before its index).
    ScratchBudget m_scratchMemory{96 << 20};
    QString m_writeError;
    std::atomic<bool> m_stopped{false};

    // Vertices: the names, front-coded, with their hosts; their hashes, for the names' table.
    ScratchFile m_nameFile, m_hashFile;
    std::uint64_t m_names = 0;
    std::unique_ptr<char[]> m_lastName; // the name before, MaxLine bytes at most
    std::size_t m_lastSize = 0;
    NameTable m_table;

    // Ranks: a line's id, PageRank position and value, in the file's order; the harmonic values by runs.
    ScratchFile m_rankFile, m_harmonicFile, m_pagerankFile;
    std::vector<bool> m_ranked, m_pagerankGiven;
    std::uint64_t m_harmonicRuns = 0, m_pagerankRuns = 0;
    float m_lastHarmonic = 0;
    struct
    {
        std::string text;
        std::optional<float> value;
        bool java = false; // the text is how Java prints the value
    } m_harmonicText;
    std::vector<std::pair<std::uint32_t, std::string>> m_harmonicTexts, m_pagerankTexts;
    std::size_t m_textBytes = 0;
    std::vector<std::uint32_t> m_harmonicPosition, m_pagerankPosition; // by id

    // The kept nodes: their names, their ids (found once the vertices are read), a bit per domain, and the
    // links to them (to, from).
    std::vector<std::string> m_keepNames;
    // An index of a few domains: their names, ids (in order) and a bit per domain.
    bool m_limited = false;
    std::vector<std::string> m_onlyNames;
    std::vector<std::uint32_t> m_only;
    std::vector<bool> m_onlyBit;
    std::vector<std::pair<std::uint32_t, std::string>> m_kept;
    std::vector<bool> m_keptBit;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_keptLinks;

    // Edges: the linking domains by id, 16 bits of each (one more, which takes the increments of nothing),
    // and how often each count passed 65,535 (a few domains of a release).
    HugeVector<std::uint16_t> m_linking;
    std::unordered_map<std::uint32_t, std::uint32_t> m_linkingWraps;
    std::uint64_t m_links = 0;
    std::uint64_t m_lastFrom = 0, m_lastTo = 0;
};

} // namespace webgraph
