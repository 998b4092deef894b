#include "core/webgraph/IndexBuilder.h"

#include "core/webgraph/JavaNumber.h"
#include "core/webgraph/ReleaseIndex.h"

#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace webgraph {

namespace {

// A line longer than this is no line of a release (bounded memory for any input).
constexpr std::size_t MaxLine = 4096;
// Texts of values that Java printed otherwise than the shortest way are kept as they are, up to this much.
constexpr std::size_t MaxTextBytes = 64 << 20;
// Lines read ahead of the one checked, so that their lookups wait for memory together.
constexpr int Ahead = 16;
constexpr std::string_view RanksHeader =
    "#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts";

bool number(std::string_view text, std::uint64_t &value,
            std::uint64_t most = std::numeric_limits<std::uint32_t>::max())
{
    if (text.empty() || text.size() > 19)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + std::uint64_t(c - '0');
    }
    return value <= most;
}

// The fields of a line split at tabs; false when there are not exactly count.
template <std::size_t Count> bool fields(std::string_view line, std::string_view (&out)[Count])
{
    // Fields are short: a plain loop beats a call per tab.
    std::size_t start = 0, field = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\t')
            continue;
        if (field + 1 == Count)
            return false;
        out[field++] = line.substr(start, i - start);
        start = i + 1;
    }
    if (field + 1 != Count)
        return false;
    out[field] = line.substr(start);
    return true;
}

// Splits the line starting at p at its tabs, sixteen bytes at a time where they can be read; the text up to
// end must hold the line's end ('\n'), which is returned. count: the fields the line has (those past Count
// are not kept).
template <std::size_t Count>
const char *splitLine(const char *p, const char *end, std::string_view (&f)[Count], std::size_t &count)
{
    count = 0;
    const char *start = p;
    const auto field = [&](const char *stop) {
        if (count < Count)
            f[count] = std::string_view(start, std::size_t(stop - start));
        ++count;
        start = stop + 1;
    };
    const char *q = p;
#if defined(__SSE2__)
    const __m128i tab = _mm_set1_epi8('\t'), newline = _mm_set1_epi8('\n');
    for (; end - q >= 16; q += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(q));
        const auto lineEnds = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, newline)));
        const unsigned stop = lineEnds ? unsigned(__builtin_ctz(lineEnds)) : 16;
        for (auto tabs = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, tab))) & ((1u << stop) - 1); tabs;
             tabs &= tabs - 1)
            field(q + __builtin_ctz(tabs));
        if (lineEnds) {
            field(q + stop);
            return q + stop;
        }
    }
#endif
    for (; *q != '\n'; ++q) {
        if (*q == '\t')
            field(q);
    }
    field(q);
    return q;
}

void putVarint(std::string &out, std::uint64_t value)
{
    unsigned char bytes[10];
    out.append(reinterpret_cast<const char *>(bytes), encodeVarint(value, bytes));
}

QString scratchText(const ScratchFile &file)
{
    return QStringLiteral("the scratch file %1 could not be written or read back (is the disk full?)")
        .arg(file.path());
}

const char *partName(IndexBuilder::Part part)
{
    switch (part) {
    case IndexBuilder::Part::Vertices:
        return "vertices";
    case IndexBuilder::Part::Ranks:
        return "ranks";
    case IndexBuilder::Part::Edges:
        return "edges";
    }
    return "";
}

} // namespace

// A line of the ranks file split at its tabs, and the hash of its domain's name.
struct IndexBuilder::RanksLine
{
    std::string_view text;
    std::string_view f[6];
    bool split = false;
    std::uint64_t hash = 0;

    void read(std::string_view line)
    {
        text = line;
        split = fields(line, f);
        hash = split ? NameTable::hashOf(f[4]) : 0;
    }
    // The line at p (up to end there is a line end); its end.
    const char *take(const char *p, const char *end)
    {
        std::size_t count;
        const char *const newline = splitLine(p, end, f, count);
        text = std::string_view(p, std::size_t(newline - p));
        split = count == 6;
        hash = split ? NameTable::hashOf(f[4]) : 0;
        return newline;
    }
};

namespace {

// The next name of the names' scratch file (front-coded against the one before) and its hosts.
bool readName(ScratchFile &file, std::string &name, std::uint64_t &hosts, std::uint64_t &shared)
{
    std::uint64_t size = 0;
    if (!file.getVarint(shared) || !file.getVarint(size) || shared > name.size() || size > MaxLine)
        return false;
    name.resize(shared + size);
    return file.get(name.data() + shared, size) && file.getVarint(hosts);
}

} // namespace

IndexBuilder::IndexBuilder(const QString &scratch)
    : m_nameFile(scratch + QStringLiteral("-names"), m_scratchMemory),
      m_hashFile(scratch + QStringLiteral("-hashes"), m_scratchMemory),
      m_rankFile(scratch + QStringLiteral("-ranks"), m_scratchMemory),
      m_harmonicFile(scratch + QStringLiteral("-harmonic"), m_scratchMemory),
      m_pagerankFile(scratch + QStringLiteral("-pagerank"), m_scratchMemory)
{
    m_lastName = std::make_unique<char[]>(MaxLine);
}

IndexBuilder::~IndexBuilder() = default;

QStringList IndexBuilder::keptNodes() const
{
    QStringList nodes;
    for (const auto &kept : m_kept)
        nodes.append(QString::fromStdString(kept.second));
    return nodes;
}

QStringList IndexBuilder::facts() const
{
    QStringList facts{QStringLiteral("kept=") + keptNodes().join(u' ')};
    if (m_limited)
        facts << QStringLiteral("limited=yes") << QStringLiteral("releaseDomains=%1").arg(m_names);
    return facts;
}

bool IndexBuilder::lineFault(Part part, std::uint64_t line, const QString &why)
{
    return fail(part, QStringLiteral("%1 line %2: %3").arg(QLatin1String(partName(part))).arg(line).arg(why));
}

bool IndexBuilder::scratchFault(Part part, const ScratchFile &file)
{
    return fail(part, scratchText(file));
}

bool IndexBuilder::writeFault(const QString &what)
{
    if (m_writeError.isEmpty())
        m_writeError = what;
    return false;
}

bool IndexBuilder::stopped(Part part)
{
    if (m_stopped)
        fail(part, QStringLiteral("the import was stopped"));
    return m_stopped;
}

bool IndexBuilder::fail(Part part, const QString &what)
{
    QString &error = m_state[int(part)].error;
    if (error.isEmpty())
        error = what;
    return false;
}

const QString &IndexBuilder::error() const
{
    for (const PartState &state : m_state) {
        if (!state.error.isEmpty())
            return state.error;
    }
    return m_writeError;
}

void IndexBuilder::begin(Part part)
{
    m_state[int(part)] = {};
    switch (part) {
    case Part::Vertices:
        m_names = 0;
        m_lastSize = 0;
        m_table.clear();
        if (!m_nameFile.create())
            scratchFault(part, m_nameFile);
        if (!m_hashFile.create())
            scratchFault(part, m_hashFile);
        break;
    case Part::Ranks:
        m_ranked.assign(m_names, false);
        m_pagerankGiven.assign(m_names, false);
        m_harmonicRuns = m_pagerankRuns = 0;
        m_harmonicTexts.clear();
        m_pagerankTexts.clear();
        m_textBytes = 0;
        if (!m_rankFile.create())
            scratchFault(part, m_rankFile);
        if (!m_harmonicFile.create())
            scratchFault(part, m_harmonicFile);
        break;
    case Part::Edges:
        m_keptLinks.clear();
        m_linking.assign(m_names + 1, 0);
        m_linkingWraps.clear();
        m_links = 0;
        m_lastFrom = m_lastTo = 0;
        break;
    }
}

std::size_t IndexBuilder::vertices(std::string_view lines)
{
    std::uint64_t &count = m_state[int(Part::Vertices)].line;
    const char *p = lines.data();
    const char *const end = p + lines.size();
    std::string_view f[3];
    std::size_t fields = 0;
    while (p < end) {
        const char *const newline = splitLine(p, end, f, fields);
        ++count;
        if (!vertex(f, fields == 3))
            return std::string_view::npos;
        p = newline + 1;
    }
    return lines.size();
}

std::size_t IndexBuilder::ranks(std::string_view lines)
{
    // Lines are split and hashed a few ahead, so that their names' slots are asked for together.
    RanksLine ahead[Ahead];
    const char *p = lines.data();
    const char *const end = p + lines.size();
    while (p < end) {
        int count = 0;
        for (; count < Ahead && p < end; ++count) {
            p = ahead[count].take(p, end) + 1;
            if (ahead[count].split)
                m_table.prefetch(ahead[count].hash);
        }
        for (int i = 0; i < count; ++i) {
            ++m_state[int(Part::Ranks)].line;
            if (!rank(ahead[i]))
                return std::string_view::npos;
        }
    }
    return lines.size();
}

std::size_t IndexBuilder::edges(std::string_view piece)
{
    // The lines of the edges file, the bulk of a release, read in one pass; a line that is not plainly
    // right goes the long way, which says what is wrong with it. A count is raised a few lines after its
    // line is read, its memory asked for meanwhile (the counts of a large release are far apart).
    const unsigned char *p = reinterpret_cast<const unsigned char *>(piece.data());
    const unsigned char *const end = p + piece.size();
    const std::uint64_t names = m_names;
    std::uint16_t *const linking = m_linking.data();
    std::uint64_t &partLines = m_state[int(Part::Edges)].line;
    std::uint32_t due[Ahead];
    std::fill(std::begin(due), std::end(due), std::uint32_t(names)); // the count of nothing
    unsigned next = 0;
    std::uint64_t lastFrom = m_lastFrom, lastTo = m_lastTo, links = m_links, lines = partLines;
    const bool keeps = !m_kept.empty();
    // A number's digits, eight at a time while eight bytes can be read (the rest one by one).
    const auto digits = [end](const unsigned char *&at, std::uint64_t &value) {
        const unsigned char *const start = at;
        value = 0;
        if (end - at >= 8) {
            std::uint64_t chunk;
            std::memcpy(&chunk, at, 8);
            // A byte that is no digit: its upper half is not 3, or its lower half is above 9.
            const std::uint64_t other =
                ((chunk & 0xF0F0F0F0F0F0F0F0ULL) ^ 0x3030303030303030ULL) |
                (((chunk & 0x0F0F0F0F0F0F0F0FULL) + 0x0606060606060606ULL) & 0x1010101010101010ULL);
            const int count = other ? __builtin_ctzll(other) >> 3 : 8;
            if (count == 0)
                return false;
            // The digits moved up to make eight with leading zeros, then joined in pairs, fours, eights.
            std::uint64_t x = (chunk & 0x0F0F0F0F0F0F0F0FULL) << (8 * (8 - count));
            x = (x * 2561) >> 8;
            x = ((x & 0x00FF00FF00FF00FFULL) * 6553601) >> 16;
            value = ((x & 0x0000FFFF0000FFFFULL) * 42949672960001ULL) >> 32;
            at += count;
            if (count < 8)
                return true;
        }
        while (unsigned(*at - '0') < 10)
            value = value * 10 + unsigned(*at++ - '0');
        return at > start && at - start <= 10;
    };
    const auto raise = [&](std::uint32_t to) {
        if (++linking[to] == 0) // 65,536 more
            ++m_linkingWraps[to];
    };
    while (p < end) {
        const unsigned char *const start = p;
        std::uint64_t from, to;
        const bool plain = digits(p, from) && *p++ == '\t' && digits(p, to) && *p == '\n' && from < names &&
                           to < names && from != to &&
                           (links == 0 || from > lastFrom || (from == lastFrom && to > lastTo));
        if (!plain) {
            m_lastFrom = lastFrom, m_lastTo = lastTo, m_links = links, partLines = lines;
            const auto *newline =
                static_cast<const unsigned char *>(std::memchr(start, '\n', std::size_t(end - start)));
            if (!line(Part::Edges,
                      std::string_view(reinterpret_cast<const char *>(start), std::size_t(newline - start))))
                return std::string_view::npos;
            lastFrom = m_lastFrom, lastTo = m_lastTo, links = m_links, lines = partLines;
            p = newline + 1;
            continue;
        }
        ++p;
        ++lines;
        __builtin_prefetch(linking + to, 1);
        raise(due[next]);
        due[next] = std::uint32_t(to);
        next = (next + 1) % Ahead;
        if (keeps && m_keptBit[to])
            m_keptLinks.emplace_back(std::uint32_t(to), std::uint32_t(from));
        ++links;
        lastFrom = from;
        lastTo = to;
    }
    for (const std::uint32_t to : due)
        raise(to);
    m_lastFrom = lastFrom, m_lastTo = lastTo, m_links = links, partLines = lines;
    return piece.size();
}

bool IndexBuilder::text(Part part, std::string_view piece)
{
    PartState &state = m_state[int(part)];
    if (!state.error.isEmpty() || stopped(part))
        return false;
    while (!piece.empty()) {
        if (state.carry.empty()) {
            const std::size_t last = piece.rfind('\n');
            if (last != std::string_view::npos) {
                const std::string_view lines = piece.substr(0, last + 1);
                const std::size_t read = part == Part::Edges   ? edges(lines)
                                         : part == Part::Ranks ? ranks(lines)
                                                               : vertices(lines);
                if (read == std::string_view::npos)
                    return false;
                piece.remove_prefix(last + 1);
                continue;
            }
        }
        const std::size_t newline = piece.find('\n');
        if (newline == std::string_view::npos) {
            if (state.carry.size() + piece.size() > MaxLine)
                return lineFault(part, state.line + 1, QStringLiteral("longer than %1 bytes").arg(MaxLine));
            state.carry.append(piece);
            return true;
        }
        bool ok;
        if (state.carry.empty()) {
            ok = line(part, piece.substr(0, newline));
        } else {
            state.carry.append(piece.substr(0, newline));
            ok = state.carry.size() <= MaxLine
                     ? line(part, state.carry)
                     : lineFault(part, state.line + 1, QStringLiteral("longer than %1 bytes").arg(MaxLine));
            state.carry.clear();
        }
        if (!ok)
            return false;
        piece.remove_prefix(newline + 1);
    }
    return true;
}

bool IndexBuilder::end(Part part)
{
    PartState &state = m_state[int(part)];
    if (!state.carry.empty()) { // a last line without its line end
        const std::string last = std::move(state.carry);
        state.carry.clear();
        if (!line(part, last))
            return false;
    }
    if (!state.error.isEmpty())
        return false;
    switch (part) {
    case Part::Vertices:
        return endVertices();
    case Part::Ranks:
        return endRanks();
    case Part::Edges:
        break;
    }
    return true;
}

bool IndexBuilder::endVertices()
{
    if (m_names == 0)
        return fail(Part::Vertices, QStringLiteral("vertices: the file holds no domain"));
    if (!m_nameFile.finish())
        return scratchFault(Part::Vertices, m_nameFile);
    if (!m_hashFile.finish() || !m_hashFile.rewind())
        return scratchFault(Part::Vertices, m_hashFile);
    // A table of the names' hashes, for the ranks file that names its domains.
    if (stopped(Part::Vertices))
        return false;
    if (!m_table.build(m_names, [this](std::uint64_t &hash) { return m_hashFile.getValue(hash); }))
        return scratchFault(Part::Vertices, m_hashFile);
    m_hashFile.remove();
    if (!m_table.ambiguous().empty()) {
        const std::vector<std::uint32_t> &ambiguous = m_table.ambiguous();
        std::string name;
        std::uint64_t hosts = 0, shared = 0;
        if (!m_nameFile.rewind())
            return scratchFault(Part::Vertices, m_nameFile);
        for (std::uint64_t id = 0; id <= ambiguous.back(); ++id) {
            if (!readName(m_nameFile, name, hosts, shared))
                return scratchFault(Part::Vertices, m_nameFile);
            if (std::binary_search(ambiguous.begin(), ambiguous.end(), std::uint32_t(id)))
                m_table.nameAmbiguous(std::uint32_t(id), name);
        }
    }
    m_kept.clear();
    m_keptBit.assign(m_names + 1, false);
    m_only.clear();
    if (m_limited) {
        m_onlyBit.assign(m_names, false);
        for (const std::string &name : m_onlyNames) {
            const std::int64_t id = m_table.find(NameTable::hashOf(name), name);
            if (id >= 0 && !m_onlyBit[std::size_t(id)]) {
                m_onlyBit[std::size_t(id)] = true;
                m_only.push_back(std::uint32_t(id));
            }
        }
        std::sort(m_only.begin(), m_only.end());
    }
    for (const std::string &name : m_keepNames) {
        const std::int64_t id = m_table.find(NameTable::hashOf(name), name);
        if (id >= 0 && !m_keptBit[std::size_t(id)]) {
            m_keptBit[std::size_t(id)] = true;
            m_kept.emplace_back(std::uint32_t(id), name);
        }
    }
    if (m_kept.empty())
        std::vector<bool>().swap(m_keptBit);
    return true;
}

bool IndexBuilder::endRanks()
{
    const std::uint64_t lines = m_state[int(Part::Ranks)].line;
    if (lines == 0)
        return fail(Part::Ranks, QStringLiteral("ranks: the file is empty (no header line)"));
    // The names' table and the checks' bits are needed no more.
    m_table.clear();
    std::vector<bool>().swap(m_ranked);
    std::vector<bool>().swap(m_pagerankGiven);
    if (!m_rankFile.finish())
        return scratchFault(Part::Ranks, m_rankFile);
    if (!m_harmonicFile.finish())
        return scratchFault(Part::Ranks, m_harmonicFile);
    const auto readLine = [this](std::uint32_t &id, std::uint32_t &pagerank, double &value) {
        return m_rankFile.getValue(id) && m_rankFile.getValue(pagerank) && m_rankFile.getValue(value);
    };
    std::uint32_t id = 0, pagerank = 0;
    double value = 0;
    {
        // The PageRank values in the order of their positions, then by runs of equal values.
        std::vector<double> byPosition(m_names, std::numeric_limits<double>::quiet_NaN());
        if (!m_rankFile.rewind())
            return scratchFault(Part::Ranks, m_rankFile);
        for (std::uint64_t i = 0; i + 1 < lines; ++i) {
            if (!readLine(id, pagerank, value))
                return scratchFault(Part::Ranks, m_rankFile);
            if (i % (1 << 20) == 0 && stopped(Part::Ranks))
                return false;
            byPosition[pagerank - 1] = value;
        }
        if (!m_pagerankFile.create())
            return scratchFault(Part::Ranks, m_pagerankFile);
        double last = 0;
        for (std::size_t p = 0; p < byPosition.size(); ++p) {
            const double v = byPosition[p];
            if (std::isnan(v) || (m_pagerankRuns > 0 && std::memcmp(&last, &v, sizeof v) == 0))
                continue;
            m_pagerankFile.putValue(std::uint32_t(p + 1));
            m_pagerankFile.putValue(v);
            last = v;
            ++m_pagerankRuns;
        }
        if (!m_pagerankFile.finish())
            return scratchFault(Part::Ranks, m_pagerankFile);
    }
    // Each domain's two positions (0: not ranked).
    if (stopped(Part::Ranks))
        return false;
    m_harmonicPosition.assign(m_names, 0);
    m_pagerankPosition.assign(m_names, 0);
    if (!m_rankFile.rewind())
        return scratchFault(Part::Ranks, m_rankFile);
    std::uint32_t *const harmonicPosition = m_harmonicPosition.data();
    std::uint32_t *const pagerankPosition = m_pagerankPosition.data();
    for (std::uint64_t i = 0; i + 1 < lines; ++i) {
        if (!readLine(id, pagerank, value))
            return scratchFault(Part::Ranks, m_rankFile);
        harmonicPosition[id] = std::uint32_t(i + 1);
        pagerankPosition[id] = pagerank;
    }
    m_rankFile.remove();
    return true;
}

bool IndexBuilder::line(Part part, std::string_view text)
{
    ++m_state[int(part)].line;
    switch (part) {
    case Part::Vertices: {
        std::string_view f[3];
        const bool split = fields(text, f);
        return vertex(f, split);
    }
    case Part::Ranks: {
        RanksLine ranksLine;
        ranksLine.read(text);
        return rank(ranksLine);
    }
    case Part::Edges:
        return edge(text);
    }
    return false;
}

bool IndexBuilder::vertex(const std::string_view (&f)[3], bool split)
{
    std::uint64_t id = 0, hosts = 0;
    const std::uint64_t lineNumber = m_state[int(Part::Vertices)].line;
    const auto bad = [&](const QString &why) { return lineFault(Part::Vertices, lineNumber, why); };
    if (!split || !number(f[0], id, ~0ull) || !number(f[2], hosts) || f[1].empty())
        return bad(QStringLiteral("not \"id<TAB>reversed domain<TAB>hosts\""));
    if (id != m_names)
        return bad(
            QStringLiteral("id %1 where %2 was due (ids count from 0 in line order)").arg(id).arg(m_names));
    if (m_names >= 0x7ffffffe)
        return bad(QStringLiteral("more domains than a release may hold"));
    if (f[1].size() > MaxLine)
        return bad(QStringLiteral("longer than %1 bytes").arg(MaxLine));
    const std::string_view last(m_lastName.get(), m_lastSize);
    if (m_names > 0 && f[1] <= last)
        return bad(QStringLiteral("\"%1\" is out of order (names are sorted in byte order, each once)")
                       .arg(QString::fromLatin1(f[1].data(), qsizetype(f[1].size()))));
    // The name, front-coded against the one before, waits in the scratch file with its hosts.
    std::size_t shared = 0;
    while (shared < last.size() && shared < f[1].size() && last[shared] == f[1][shared])
        ++shared;
    m_nameFile.putVarint(shared);
    m_nameFile.putVarint(f[1].size() - shared);
    m_nameFile.put(f[1].data() + shared, f[1].size() - shared);
    m_nameFile.putVarint(hosts);
    m_hashFile.putValue(NameTable::hashOf(f[1]));
    std::memcpy(m_lastName.get() + shared, f[1].data() + shared, f[1].size() - shared);
    m_lastSize = f[1].size();
    ++m_names;
    return true;
}

bool IndexBuilder::rank(const RanksLine &line)
{
    if (m_state[int(Part::Ranks)].line == 1) {
        if (line.text != RanksHeader)
            return fail(Part::Ranks,
                        QStringLiteral("ranks line 1: not the header \"%1\"")
                            .arg(QLatin1String(RanksHeader.data(), qsizetype(RanksHeader.size()))));
        return true;
    }
    const std::uint64_t lineNumber = m_state[int(Part::Ranks)].line;
    const std::uint64_t position = lineNumber - 1;
    const auto bad = [&](const QString &why) { return lineFault(Part::Ranks, lineNumber, why); };
    const std::string_view(&f)[6] = line.f;
    std::uint64_t harmonic = 0, pagerank = 0, hosts = 0;
    if (!line.split || !number(f[0], harmonic) || !number(f[2], pagerank) || !number(f[5], hosts))
        return bad(QStringLiteral("not six fields of the ranks format"));
    if (harmonic != position)
        return bad(QStringLiteral("harmonic position %1 where %2 was due (lines are in that order)")
                       .arg(harmonic)
                       .arg(position));
    if (pagerank == 0 || pagerank > m_names)
        return bad(QStringLiteral("PageRank position %1 outside 1 to %2").arg(pagerank).arg(m_names));
    // Harmonic values repeat from line to line: a text read just before is not read again.
    if (f[1] != std::string_view(m_harmonicText.text) || lineNumber == 2) {
        const std::optional<float> value = parseJavaFloat(f[1]);
        m_harmonicText = {std::string(f[1]), value, value && isJavaText(f[1], *value)};
    }
    const std::optional<float> harmonicValue = m_harmonicText.value;
    const std::optional<double> pagerankValue = parseJavaDouble(f[3]);
    if (!harmonicValue || !pagerankValue)
        return bad(QStringLiteral("a value that is no number as Java prints it"));
    const std::int64_t id = m_table.find(line.hash, f[4]);
    const QString name = id < 0 || m_ranked[std::size_t(id)]
                             ? QString::fromLatin1(f[4].data(), qsizetype(f[4].size()))
                             : QString();
    if (id < 0)
        return bad(QStringLiteral("\"%1\" is no domain of the vertices file").arg(name));
    if (m_ranked[std::size_t(id)])
        return bad(QStringLiteral("\"%1\" is ranked twice").arg(name));
    if (m_pagerankGiven[pagerank - 1])
        return bad(QStringLiteral("PageRank position %1 is given twice").arg(pagerank));
    m_ranked[std::size_t(id)] = true;
    m_pagerankGiven[pagerank - 1] = true;
    m_rankFile.putValue(std::uint32_t(id));
    m_rankFile.putValue(std::uint32_t(pagerank));
    m_rankFile.putValue(*pagerankValue);
    if (m_harmonicRuns == 0 || std::memcmp(&m_lastHarmonic, &*harmonicValue, sizeof(float)) != 0) {
        m_harmonicFile.putValue(std::uint32_t(position));
        m_harmonicFile.putValue(*harmonicValue);
        m_lastHarmonic = *harmonicValue;
        ++m_harmonicRuns;
    }
    // Texts Java printed otherwise than the shortest way are kept as they are.
    const auto keepText = [&](auto &texts, std::uint64_t at, std::string_view text) {
        m_textBytes += text.size() + 16;
        if (m_textBytes > MaxTextBytes)
            return bad(QStringLiteral("more values printed otherwise than Java prints them than an index "
                                      "keeps (%1 MiB of them)")
                           .arg(MaxTextBytes >> 20));
        texts.emplace_back(std::uint32_t(at), std::string(text));
        return true;
    };
    if (!m_harmonicText.java && !keepText(m_harmonicTexts, position, f[1]))
        return false;
    if (!isJavaText(f[3], *pagerankValue) && !keepText(m_pagerankTexts, pagerank, f[3]))
        return false;
    return true;
}

bool IndexBuilder::edge(std::string_view line)
{
    std::string_view f[2];
    std::uint64_t from = 0, to = 0;
    const std::uint64_t lineNumber = m_state[int(Part::Edges)].line;
    const auto bad = [&](const QString &why) { return lineFault(Part::Edges, lineNumber, why); };
    if (!fields(line, f) || !number(f[0], from, ~0ull) || !number(f[1], to, ~0ull))
        return bad(QStringLiteral("not \"from id<TAB>to id\""));
    if (from >= m_names || to >= m_names)
        return bad(QStringLiteral("id %1 is no domain (the vertices file has %2)")
                       .arg(std::max(from, to))
                       .arg(m_names));
    if (from == to)
        return bad(QStringLiteral("a link of domain %1 to itself").arg(from));
    if (m_links > 0 && (from < m_lastFrom || (from == m_lastFrom && to <= m_lastTo)))
        return bad(QStringLiteral("out of order (links are sorted by from, then to, each once)"));
    m_lastFrom = from;
    m_lastTo = to;
    if (++m_linking[std::size_t(to)] == 0) // 65,536 more
        ++m_linkingWraps[std::uint32_t(to)];
    if (!m_kept.empty() && m_keptBit[std::size_t(to)])
        m_keptLinks.emplace_back(std::uint32_t(to), std::uint32_t(from));
    ++m_links;
    return true;
}

bool IndexBuilder::write(const QString &indexFile, const QStringList &facts)
{
    QSaveFile out(indexFile);
    if (!out.open(QIODevice::WriteOnly))
        return writeFault(QStringLiteral("%1 cannot be written (%2)").arg(indexFile, out.errorString()));
    IndexHeader header{};
    std::memcpy(header.magic, IndexMagic, sizeof IndexMagic);
    header.domains = m_names;
    header.links = m_links;
    header.blocks = (m_names + BlockSize - 1) / BlockSize;
    std::uint64_t at = sizeof header;
    bool ok = out.write(reinterpret_cast<const char *>(&header), sizeof header) == sizeof header;
    const auto put = [&](const std::string &bytes) {
        ok = ok && out.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
        at += bytes.size();
    };
    // The domains, block by block, their names read back from the scratch file.
    if (!m_nameFile.rewind())
        return writeFault(scratchText(m_nameFile));
    // The linking domains of the kept nodes: their ids in order, to be named as the names go by.
    std::sort(m_keptLinks.begin(), m_keptLinks.end(),
              [](const auto &a, const auto &b) { return a.second < b.second; });
    std::vector<std::string> linkingNames(m_keptLinks.size());
    std::size_t nextLink = 0;
    std::vector<std::uint64_t> blockOffsets;
    blockOffsets.reserve(header.blocks);
    std::string name, bytes;
    // The counts that passed 65,535, in the order of their domains.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> wraps(m_linkingWraps.begin(), m_linkingWraps.end());
    std::sort(wraps.begin(), wraps.end());
    auto nextWraps = wraps.begin();
    const auto figure = [](const auto &figures, std::uint64_t id) -> std::uint64_t {
        return id < figures.size() ? figures[id] : 0;
    };
    // An import for a few domains writes theirs only, each front-coded against the one written before.
    std::uint64_t written = 0;
    std::string lastWritten;
    for (std::uint64_t id = 0; id < m_names && ok; ++id) {
        if (id % (1 << 20) == 0 && stopped(Part::Edges))
            return false;
        std::uint64_t shared = 0, hosts = 0;
        if (!readName(m_nameFile, name, hosts, shared))
            return writeFault(scratchText(m_nameFile));
        while (nextLink < m_keptLinks.size() && m_keptLinks[nextLink].second == id)
            linkingNames[nextLink++] = name;
        if (m_limited) {
            if (!m_onlyBit[id])
                continue;
            shared = 0;
            while (shared < lastWritten.size() && shared < name.size() && lastWritten[shared] == name[shared])
                ++shared;
            lastWritten = name;
        }
        const std::uint64_t place = written++;
        if (place % BlockSize == 0) {
            put(bytes);
            bytes.clear();
            blockOffsets.push_back(at);
            shared = 0; // a block starts with a whole name
        }
        putVarint(bytes, shared);
        putVarint(bytes, name.size() - shared);
        bytes.append(name, shared);
        std::uint64_t linking = figure(m_linking, id);
        if (nextWraps != wraps.end() && nextWraps->first == id)
            linking += std::uint64_t((nextWraps++)->second) << 16;
        putVarint(bytes, linking);
        putVarint(bytes, hosts);
        putVarint(bytes, figure(m_harmonicPosition, id));
        putVarint(bytes, figure(m_pagerankPosition, id));
        if (bytes.size() >= (1 << 20) && place % BlockSize != BlockSize - 1) {
            put(bytes);
            bytes.clear();
        }
    }
    put(bytes);
    header.domains = written;
    header.blocks = blockOffsets.size();
    header.blockOffsets = at;
    put(std::string(reinterpret_cast<const char *>(blockOffsets.data()), blockOffsets.size() * 8));
    // Values by position, one per run of equal values: the runs' first positions, then their values.
    const auto putRuns = [&](ScratchFile &runs, std::uint64_t count, std::size_t valueSize) {
        char value[8];
        std::uint32_t position = 0;
        bytes.clear();
        for (const bool values : {false, true}) {
            if (!runs.rewind())
                return false;
            for (std::uint64_t i = 0; i < count; ++i) {
                if (!runs.getValue(position) || !runs.get(value, valueSize))
                    return false;
                if (values)
                    bytes.append(value, valueSize);
                else
                    bytes.append(reinterpret_cast<const char *>(&position), 4);
                if (bytes.size() >= (1 << 20)) {
                    put(bytes);
                    bytes.clear();
                }
            }
            put(bytes);
            bytes.clear();
        }
        return true;
    };
    // For a few domains: a run at each of their positions alone.
    const auto putKeptRuns = [&](ScratchFile &runs, std::uint64_t count, std::size_t valueSize,
                                 const std::vector<std::uint32_t> &positions) {
        std::string values;
        char value[8] = {}, nextValue[8] = {};
        std::uint32_t next = 0;
        std::uint64_t read = 0;
        if (!runs.rewind())
            return false;
        bool more = count > 0 && runs.getValue(next) && runs.get(nextValue, valueSize);
        read = more ? 1 : 0;
        for (const std::uint32_t position : positions) {
            while (more && next <= position) {
                std::memcpy(value, nextValue, valueSize);
                more = read < count && runs.getValue(next) && runs.get(nextValue, valueSize);
                ++read;
            }
            values.append(value, valueSize);
        }
        put(std::string(reinterpret_cast<const char *>(positions.data()), positions.size() * 4));
        put(values);
        return true;
    };
    std::vector<std::uint32_t> harmonicKept, pagerankKept;
    for (const std::uint32_t id : m_only) {
        if (figure(m_harmonicPosition, id) > 0)
            harmonicKept.push_back(m_harmonicPosition[id]);
        if (figure(m_pagerankPosition, id) > 0)
            pagerankKept.push_back(m_pagerankPosition[id]);
    }
    std::sort(harmonicKept.begin(), harmonicKept.end());
    std::sort(pagerankKept.begin(), pagerankKept.end());
    header.harmonicAt = at;
    header.harmonicRuns = m_limited ? harmonicKept.size() : m_harmonicRuns;
    if (!(m_limited ? putKeptRuns(m_harmonicFile, m_harmonicRuns, sizeof(float), harmonicKept)
                    : putRuns(m_harmonicFile, m_harmonicRuns, sizeof(float))))
        return writeFault(scratchText(m_harmonicFile));
    header.pagerankAt = at;
    header.pagerankRuns = m_limited ? pagerankKept.size() : m_pagerankRuns;
    if (!(m_limited ? putKeptRuns(m_pagerankFile, m_pagerankRuns, sizeof(double), pagerankKept)
                    : putRuns(m_pagerankFile, m_pagerankRuns, sizeof(double))))
        return writeFault(scratchText(m_pagerankFile));
    if (m_limited) {
        const auto onlyKept = [](auto &texts, const std::vector<std::uint32_t> &positions) {
            std::erase_if(texts, [&](const auto &text) {
                return !std::binary_search(positions.begin(), positions.end(), text.first);
            });
        };
        onlyKept(m_harmonicTexts, harmonicKept);
        onlyKept(m_pagerankTexts, pagerankKept);
    }
    const auto putTexts = [&](std::vector<std::pair<std::uint32_t, std::string>> &texts, std::uint64_t &count,
                              std::uint64_t &where) {
        std::sort(texts.begin(), texts.end());
        count = texts.size();
        where = at;
        std::string pairs, blob;
        for (const auto &[position, text] : texts) {
            const std::uint32_t offset = std::uint32_t(blob.size());
            pairs.append(reinterpret_cast<const char *>(&position), 4);
            pairs.append(reinterpret_cast<const char *>(&offset), 4);
            blob += text;
            blob += '\0';
        }
        put(pairs);
        put(blob);
    };
    putTexts(m_harmonicTexts, header.harmonicTexts, header.harmonicTextsAt);
    putTexts(m_pagerankTexts, header.pagerankTexts, header.pagerankTextsAt);
    const QByteArray factBytes = facts.join(u'\n').toUtf8();
    header.factsAt = at;
    header.factsSize = std::uint64_t(factBytes.size());
    put(factBytes.toStdString());
    // The kept lists, by node, best position first (not ranked last).
    std::vector<std::tuple<std::string, std::uint32_t, std::string>> kept;
    for (std::size_t i = 0; i < m_keptLinks.size(); ++i) {
        const auto &[to, from] = m_keptLinks[i];
        const auto node =
            std::find_if(m_kept.begin(), m_kept.end(), [to = to](const auto &k) { return k.first == to; });
        const std::uint32_t position = figure(m_harmonicPosition, from);
        kept.emplace_back(node->second, position == 0 ? std::numeric_limits<std::uint32_t>::max() : position,
                          linkingNames[i]);
    }
    std::sort(kept.begin(), kept.end());
    std::string lines;
    for (const auto &[node, position, from] : kept) {
        lines += node + '\t' + from + '\t' +
                 std::to_string(position == std::numeric_limits<std::uint32_t>::max() ? 0 : position) + '\n';
    }
    header.linkingAt = at;
    header.linkingSize = lines.size();
    put(lines);
    header.fileSize = at;
    ok = ok && out.seek(0) &&
         out.write(reinterpret_cast<const char *>(&header), sizeof header) == sizeof header;
    if (!ok || !out.commit())
        return writeFault(QStringLiteral("%1 could not be written (%2)").arg(indexFile, out.errorString()));
    return true;
}

} // namespace webgraph
