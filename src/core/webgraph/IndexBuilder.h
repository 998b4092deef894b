#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace webgraph {

// Builds a release's index from the text of its three files, read in this order: vertices, ranks, edges.
// Text goes in by pieces of any size; every line is checked against the published format, and the first
// fault stops the build with the file and line named. Memory: a few arrays of 4 or 8 bytes per domain; the
// names wait in a scratch file.
class IndexBuilder
{
public:
    enum class Part
    {
        Vertices,
        Ranks,
        Edges,
    };

    // scratch: a file the builder may write and remove.
    explicit IndexBuilder(const QString &scratch);
    ~IndexBuilder();
    IndexBuilder(const IndexBuilder &) = delete;
    IndexBuilder &operator=(const IndexBuilder &) = delete;

    // The nodes whose linking domains the index keeps by name (set before the vertices end).
    void keepLinkingOf(const std::vector<std::string> &nodes) { m_keepNames = nodes; }

    // Starts a part (again, when a download starts over: what it had read is forgotten).
    void begin(Part part);
    // The next piece of the part's text; false on a fault.
    bool text(std::string_view piece);
    // The part's end; false on a fault (a part must follow the one before).
    bool end();
    // Writes the index (facts: "key=value" lines); false (error()) when it cannot be written.
    bool write(const QString &indexFile, const QStringList &facts);

    const QString &error() const { return m_error; }
    // The kept nodes that are nodes of the release.
    QStringList keptNodes() const;
    std::uint64_t domains() const { return m_names; }
    std::uint64_t links() const { return m_links; }

private:
    bool line(std::string_view line);
    bool vertex(std::string_view line);
    bool rank(std::string_view line);
    bool edge(std::string_view line);
    // Whole lines of the edges file; std::string_view::npos on a fault.
    std::size_t edges(std::string_view lines);
    bool fail(const QString &what);
    // A fault of a line of the current part: "edges line 12: ...".
    bool lineFault(std::uint64_t line, const QString &why);
    std::int64_t idOf(std::uint64_t hash) const;

    QString m_scratchPath;
    std::FILE *m_scratch = nullptr;
    QString m_error;
    Part m_part = Part::Vertices;
    std::string m_carry;      // the start of a line whose end has not come yet
    std::uint64_t m_line = 0; // lines of the part so far

    // Vertices.
    std::uint64_t m_names = 0;
    std::string m_lastName;
    std::vector<std::uint64_t> m_hashes;
    std::vector<std::uint32_t> m_hosts;
    std::vector<std::uint64_t> m_table; // upper half of the hash, id + 1; 0 for an empty slot
    std::uint64_t m_mask = 0;

    // Ranks.
    std::vector<std::uint32_t> m_harmonicPosition, m_pagerankPosition;
    std::vector<double> m_pagerankValue; // by PageRank position - 1
    std::vector<std::pair<std::uint32_t, float>> m_harmonicRuns;
    std::vector<std::pair<std::uint32_t, std::string>> m_harmonicTexts, m_pagerankTexts;

    // The kept nodes: their names, their ids (found once the vertices are read), a bit per domain, and the
    // links to them (to, from).
    std::vector<std::string> m_keepNames;
    std::vector<std::pair<std::uint32_t, std::string>> m_kept;
    std::vector<bool> m_keptBit;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_keptLinks;

    // Edges.
    std::vector<std::uint32_t> m_linking;
    std::uint64_t m_links = 0;
    std::uint64_t m_lastFrom = 0, m_lastTo = 0;
};

} // namespace webgraph
