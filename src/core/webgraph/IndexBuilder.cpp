#include "core/webgraph/IndexBuilder.h"

#include "core/webgraph/JavaNumber.h"
#include "core/webgraph/ReleaseIndex.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

namespace webgraph {

namespace {

// A line longer than this is no line of a release (bounded memory for any input).
constexpr std::size_t MaxLine = 4096;
constexpr std::string_view RanksHeader =
    "#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts";

std::uint64_t hashOf(std::string_view text)
{
    std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ text.size();
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, text.data() + i, 8);
        h = (h ^ chunk) * 0xbf58476d1ce4e5b9ULL;
        h ^= h >> 29;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, text.data() + i, text.size() - i);
    h = (h ^ tail) * 0x94d049bb133111ebULL;
    h ^= h >> 31;
    h *= 0xbf58476d1ce4e5b9ULL;
    return h ^ (h >> 32);
}

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
    std::size_t start = 0;
    for (std::size_t i = 0; i < Count; ++i) {
        const std::size_t tab = line.find('\t', start);
        if ((tab == std::string_view::npos) != (i + 1 == Count))
            return false;
        out[i] = line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
        start = tab + 1;
    }
    return true;
}

void putVarint(std::string &out, std::uint64_t value)
{
    while (value >= 0x80) {
        out += char(std::uint8_t(value) | 0x80);
        value >>= 7;
    }
    out += char(value);
}

bool readVarint(std::FILE *file, std::uint64_t &value)
{
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const int c = std::getc(file);
        if (c == EOF)
            return false;
        value |= std::uint64_t(c & 0x7f) << shift;
        if (!(c & 0x80))
            return true;
    }
    return false;
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

IndexBuilder::IndexBuilder(const QString &scratch) : m_scratchPath(scratch) {}

IndexBuilder::~IndexBuilder()
{
    if (m_scratch)
        std::fclose(m_scratch);
    QFile::remove(m_scratchPath);
}

QStringList IndexBuilder::keptNodes() const
{
    QStringList nodes;
    for (const auto &kept : m_kept)
        nodes.append(QString::fromStdString(kept.second));
    return nodes;
}

bool IndexBuilder::lineFault(std::uint64_t line, const QString &why)
{
    return fail(QStringLiteral("%1 line %2: %3").arg(QLatin1String(partName(m_part))).arg(line).arg(why));
}

bool IndexBuilder::fail(const QString &what)
{
    if (m_error.isEmpty())
        m_error = what;
    return false;
}

void IndexBuilder::begin(Part part)
{
    m_part = part;
    m_carry.clear();
    m_line = 0;
    m_error.clear();
    switch (part) {
    case Part::Vertices:
        if (m_scratch)
            std::fclose(m_scratch);
        m_scratch = std::fopen(QFile::encodeName(m_scratchPath).constData(), "w+b");
        m_names = 0;
        m_lastName.clear();
        m_hashes.clear();
        m_hosts.clear();
        break;
    case Part::Ranks:
        m_harmonicPosition.assign(m_names, 0);
        m_pagerankPosition.assign(m_names, 0);
        m_pagerankValue.assign(m_names, std::numeric_limits<double>::quiet_NaN());
        m_harmonicRuns.clear();
        m_harmonicTexts.clear();
        m_pagerankTexts.clear();
        break;
    case Part::Edges:
        m_keptLinks.clear();
        m_linking.assign(m_names, 0);
        m_links = 0;
        m_lastFrom = m_lastTo = 0;
        break;
    }
}

std::size_t IndexBuilder::edges(std::string_view piece)
{
    // The lines of the edges file, the bulk of a release, read in one pass; a line that is not plainly
    // right goes the long way, which says what is wrong with it.
    const unsigned char *p = reinterpret_cast<const unsigned char *>(piece.data());
    const unsigned char *const end = p + piece.size();
    const std::uint64_t names = m_names;
    std::uint32_t *const linking = m_linking.data();
    std::uint64_t lastFrom = m_lastFrom, lastTo = m_lastTo, links = m_links, lines = m_line;
    const bool keeps = !m_kept.empty();
    const auto digits = [](const unsigned char *&at, std::uint64_t &value) {
        const unsigned char *const start = at;
        value = 0;
        while (unsigned(*at - '0') < 10)
            value = value * 10 + unsigned(*at++ - '0');
        return at > start && at - start <= 10;
    };
    while (p < end) {
        const unsigned char *const start = p;
        std::uint64_t from, to;
        const bool plain = digits(p, from) && *p++ == '\t' && digits(p, to) && *p == '\n' && from < names &&
                           to < names && from != to &&
                           (links == 0 || from > lastFrom || (from == lastFrom && to > lastTo));
        if (!plain) {
            m_lastFrom = lastFrom, m_lastTo = lastTo, m_links = links, m_line = lines;
            const auto *newline =
                static_cast<const unsigned char *>(std::memchr(start, '\n', std::size_t(end - start)));
            if (!line(std::string_view(reinterpret_cast<const char *>(start), std::size_t(newline - start))))
                return std::string_view::npos;
            lastFrom = m_lastFrom, lastTo = m_lastTo, links = m_links, lines = m_line;
            p = newline + 1;
            continue;
        }
        ++p;
        ++lines;
        ++linking[to];
        if (keeps && m_keptBit[to])
            m_keptLinks.emplace_back(std::uint32_t(to), std::uint32_t(from));
        ++links;
        lastFrom = from;
        lastTo = to;
    }
    m_lastFrom = lastFrom, m_lastTo = lastTo, m_links = links, m_line = lines;
    return piece.size();
}

bool IndexBuilder::text(std::string_view piece)
{
    if (!m_error.isEmpty())
        return false;
    while (!piece.empty()) {
        if (m_part == Part::Edges && m_carry.empty()) {
            const std::size_t last = piece.rfind('\n');
            if (last != std::string_view::npos) {
                if (edges(piece.substr(0, last + 1)) == std::string_view::npos)
                    return false;
                piece.remove_prefix(last + 1);
                continue;
            }
        }
        const std::size_t newline = piece.find('\n');
        if (newline == std::string_view::npos) {
            if (m_carry.size() + piece.size() > MaxLine)
                return lineFault(m_line + 1, QStringLiteral("longer than %1 bytes").arg(MaxLine));
            m_carry.append(piece);
            return true;
        }
        bool ok;
        if (m_carry.empty()) {
            ok = line(piece.substr(0, newline));
        } else {
            m_carry.append(piece.substr(0, newline));
            ok = m_carry.size() <= MaxLine
                     ? line(m_carry)
                     : lineFault(m_line + 1, QStringLiteral("longer than %1 bytes").arg(MaxLine));
            m_carry.clear();
        }
        if (!ok)
            return false;
        piece.remove_prefix(newline + 1);
    }
    return true;
}

bool IndexBuilder::end()
{
    if (!m_carry.empty()) { // a last line without its line end
        const std::string last = std::move(m_carry);
        m_carry.clear();
        if (!line(last))
            return false;
    }
    if (!m_error.isEmpty())
        return false;
    switch (m_part) {
    case Part::Vertices: {
        if (m_names == 0)
            return fail(QStringLiteral("vertices: the file holds no domain"));
        if (std::fflush(m_scratch) != 0)
            return fail(QStringLiteral("the scratch file %1 could not be written").arg(m_scratchPath));
        // A table of the names' hashes, for the ranks file that names its domains.
        std::uint64_t size = 1;
        while (size < m_names + m_names / 2 + 1)
            size <<= 1;
        m_table.assign(size, 0);
        m_mask = size - 1;
        // A slot holds the upper half of the hash beside the id: a probe reads one place of memory.
        for (std::uint64_t id = 0; id < m_names; ++id) {
            std::uint64_t slot = m_hashes[id] & m_mask;
            while (m_table[slot] != 0)
                slot = (slot + 1) & m_mask;
            m_table[slot] = (m_hashes[id] & 0xffffffff00000000ULL) | (id + 1);
        }
        std::vector<std::uint64_t>().swap(m_hashes);
        m_kept.clear();
        m_keptBit.assign(m_names, false);
        for (const std::string &name : m_keepNames) {
            const std::int64_t id = idOf(hashOf(name));
            if (id >= 0 && !m_keptBit[std::size_t(id)]) {
                m_keptBit[std::size_t(id)] = true;
                m_kept.emplace_back(std::uint32_t(id), name);
            }
        }
        break;
    }
    case Part::Ranks:
        if (m_line == 0)
            return fail(QStringLiteral("ranks: the file is empty (no header line)"));
        // The names' table is needed no more.
        std::vector<std::uint64_t>().swap(m_table);
        break;
    case Part::Edges:
        break;
    }
    return true;
}

std::int64_t IndexBuilder::idOf(std::uint64_t hash) const
{
    // The slot's bits and the upper 32 of a 64-bit hash: two names of a release agreeing in all of them is a
    // chance of about n^2 / 2^(33 + log2 slots); the second would then be "ranked twice", never misread.
    const std::uint64_t upper = hash & 0xffffffff00000000ULL;
    for (std::uint64_t slot = hash & m_mask;; slot = (slot + 1) & m_mask) {
        const std::uint64_t entry = m_table[slot];
        if (entry == 0)
            return -1;
        if ((entry & 0xffffffff00000000ULL) == upper)
            return std::int64_t(entry & 0xffffffffULL) - 1;
    }
}

bool IndexBuilder::line(std::string_view text)
{
    ++m_line;
    switch (m_part) {
    case Part::Vertices:
        return vertex(text);
    case Part::Ranks:
        return rank(text);
    case Part::Edges:
        return edge(text);
    }
    return false;
}

bool IndexBuilder::vertex(std::string_view line)
{
    std::string_view f[3];
    std::uint64_t id = 0, hosts = 0;
    const auto bad = [this](const QString &why) { return lineFault(m_line, why); };
    if (!fields(line, f) || !number(f[0], id, ~0ull) || !number(f[2], hosts) || f[1].empty())
        return bad(QStringLiteral("not \"id<TAB>reversed domain<TAB>hosts\""));
    if (id != m_names)
        return bad(
            QStringLiteral("id %1 where %2 was due (ids count from 0 in line order)").arg(id).arg(m_names));
    if (m_names >= std::numeric_limits<std::uint32_t>::max())
        return bad(QStringLiteral("more domains than a release may hold"));
    if (m_names > 0 && f[1] <= std::string_view(m_lastName))
        return bad(QStringLiteral("\"%1\" is out of order (names are sorted in byte order, each once)")
                       .arg(QString::fromLatin1(f[1].data(), qsizetype(f[1].size()))));
    // The name, front-coded against the one before, waits in the scratch file.
    std::size_t shared = 0;
    while (shared < m_lastName.size() && shared < f[1].size() && m_lastName[shared] == f[1][shared])
        ++shared;
    std::string record;
    putVarint(record, shared);
    putVarint(record, f[1].size() - shared);
    record.append(f[1].substr(shared));
    if (std::fwrite(record.data(), 1, record.size(), m_scratch) != record.size())
        return fail(QStringLiteral("the scratch file %1 could not be written").arg(m_scratchPath));
    m_lastName.assign(f[1]);
    m_hashes.push_back(hashOf(f[1]));
    m_hosts.push_back(std::uint32_t(hosts));
    ++m_names;
    return true;
}

bool IndexBuilder::rank(std::string_view line)
{
    if (m_line == 1) {
        if (line != RanksHeader)
            return fail(QStringLiteral("ranks line 1: not the header \"%1\"")
                            .arg(QLatin1String(RanksHeader.data(), qsizetype(RanksHeader.size()))));
        return true;
    }
    const std::uint64_t position = m_line - 1;
    const auto bad = [this](const QString &why) { return lineFault(m_line, why); };
    std::string_view f[6];
    std::uint64_t harmonic = 0, pagerank = 0, hosts = 0;
    if (!fields(line, f) || !number(f[0], harmonic) || !number(f[2], pagerank) || !number(f[5], hosts))
        return bad(QStringLiteral("not six fields of the ranks format"));
    if (harmonic != position)
        return bad(QStringLiteral("harmonic position %1 where %2 was due (lines are in that order)")
                       .arg(harmonic)
                       .arg(position));
    if (pagerank == 0 || pagerank > m_names)
        return bad(QStringLiteral("PageRank position %1 outside 1 to %2").arg(pagerank).arg(m_names));
    const std::optional<float> harmonicValue = parseJavaFloat(f[1]);
    const std::optional<double> pagerankValue = parseJavaDouble(f[3]);
    if (!harmonicValue || !pagerankValue)
        return bad(QStringLiteral("a value that is no number as Java prints it"));
    const std::int64_t id = idOf(hashOf(f[4]));
    if (id < 0)
        return bad(QStringLiteral("\"%1\" is no domain of the vertices file")
                       .arg(QString::fromLatin1(f[4].data(), qsizetype(f[4].size()))));
    if (m_harmonicPosition[std::size_t(id)] != 0)
        return bad(QStringLiteral("\"%1\" is ranked twice")
                       .arg(QString::fromLatin1(f[4].data(), qsizetype(f[4].size()))));
    if (!std::isnan(m_pagerankValue[pagerank - 1]))
        return bad(QStringLiteral("PageRank position %1 is given twice").arg(pagerank));
    m_harmonicPosition[std::size_t(id)] = std::uint32_t(position);
    m_pagerankPosition[std::size_t(id)] = std::uint32_t(pagerank);
    m_pagerankValue[pagerank - 1] = *pagerankValue;
    if (m_harmonicRuns.empty() ||
        std::memcmp(&m_harmonicRuns.back().second, &*harmonicValue, sizeof(float)) != 0)
        m_harmonicRuns.emplace_back(std::uint32_t(position), *harmonicValue);
    // Texts Java printed otherwise than the shortest way are kept as they are.
    if (!isJavaText(f[1], *harmonicValue))
        m_harmonicTexts.emplace_back(std::uint32_t(position), std::string(f[1]));
    if (!isJavaText(f[3], *pagerankValue))
        m_pagerankTexts.emplace_back(std::uint32_t(pagerank), std::string(f[3]));
    return true;
}

bool IndexBuilder::edge(std::string_view line)
{
    std::string_view f[2];
    std::uint64_t from = 0, to = 0;
    const auto bad = [this](const QString &why) { return lineFault(m_line, why); };
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
    ++m_linking[std::size_t(to)];
    if (!m_kept.empty() && m_keptBit[std::size_t(to)])
        m_keptLinks.emplace_back(std::uint32_t(to), std::uint32_t(from));
    ++m_links;
    return true;
}

bool IndexBuilder::write(const QString &indexFile, const QStringList &facts)
{
    QSaveFile out(indexFile);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("%1 cannot be written (%2)").arg(indexFile, out.errorString()));
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
    std::rewind(m_scratch);
    // The linking domains of the kept nodes: their ids in order, to be named as the names go by.
    std::sort(m_keptLinks.begin(), m_keptLinks.end(),
              [](const auto &a, const auto &b) { return a.second < b.second; });
    std::vector<std::string> linkingNames(m_keptLinks.size());
    std::size_t nextLink = 0;
    std::vector<std::uint64_t> blockOffsets;
    blockOffsets.reserve(header.blocks);
    std::string name, bytes, suffix;
    for (std::uint64_t id = 0; id < m_names && ok; ++id) {
        std::uint64_t shared = 0, size = 0;
        if (!readVarint(m_scratch, shared) || !readVarint(m_scratch, size) || shared > name.size() ||
            size > MaxLine)
            return fail(QStringLiteral("the scratch file %1 could not be read back").arg(m_scratchPath));
        suffix.resize(size);
        if (std::fread(suffix.data(), 1, size, m_scratch) != size)
            return fail(QStringLiteral("the scratch file %1 could not be read back").arg(m_scratchPath));
        name.resize(shared);
        name += suffix;
        while (nextLink < m_keptLinks.size() && m_keptLinks[nextLink].second == id)
            linkingNames[nextLink++] = name;
        if (id % BlockSize == 0) {
            put(bytes);
            bytes.clear();
            blockOffsets.push_back(at);
            shared = 0; // a block starts with a whole name
        }
        putVarint(bytes, shared);
        putVarint(bytes, name.size() - shared);
        bytes.append(name, shared);
        putVarint(bytes, m_linking.empty() ? 0 : m_linking[id]);
        putVarint(bytes, m_hosts[id]);
        putVarint(bytes, m_harmonicPosition.empty() ? 0 : m_harmonicPosition[id]);
        putVarint(bytes, m_pagerankPosition.empty() ? 0 : m_pagerankPosition[id]);
        if (bytes.size() >= (1 << 20) && id % BlockSize != BlockSize - 1) {
            put(bytes);
            bytes.clear();
        }
    }
    put(bytes);
    header.blockOffsets = at;
    put(std::string(reinterpret_cast<const char *>(blockOffsets.data()), blockOffsets.size() * 8));
    // Values by position, one per run of equal values.
    header.harmonicAt = at;
    header.harmonicRuns = m_harmonicRuns.size();
    bytes.clear();
    for (const auto &run : m_harmonicRuns)
        bytes.append(reinterpret_cast<const char *>(&run.first), 4);
    for (const auto &run : m_harmonicRuns)
        bytes.append(reinterpret_cast<const char *>(&run.second), 4);
    put(bytes);
    std::vector<std::uint32_t> starts;
    std::vector<double> values;
    for (std::size_t p = 0; p < m_pagerankValue.size(); ++p) {
        const double v = m_pagerankValue[p];
        if (std::isnan(v) || (!values.empty() && std::memcmp(&values.back(), &v, sizeof v) == 0))
            continue;
        starts.push_back(std::uint32_t(p + 1));
        values.push_back(v);
    }
    header.pagerankAt = at;
    header.pagerankRuns = starts.size();
    put(std::string(reinterpret_cast<const char *>(starts.data()), starts.size() * 4));
    put(std::string(reinterpret_cast<const char *>(values.data()), values.size() * 8));
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
        const std::uint32_t position = m_harmonicPosition.empty() ? 0 : m_harmonicPosition[from];
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
        return fail(QStringLiteral("%1 could not be written (%2)").arg(indexFile, out.errorString()));
    return true;
}

} // namespace webgraph
