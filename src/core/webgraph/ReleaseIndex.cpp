#include "core/webgraph/ReleaseIndex.h"

#include "core/webgraph/JavaNumber.h"

#include <algorithm>
#include <cstring>

namespace webgraph {

namespace {

// A reader of varints that never runs past its end.
struct Cursor
{
    const std::uint8_t *at;
    const std::uint8_t *end;
    bool ok = true;

    std::uint64_t varint()
    {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (at >= end) {
                ok = false;
                return 0;
            }
            const std::uint8_t byte = *at++;
            value |= std::uint64_t(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                return value;
        }
        ok = false;
        return 0;
    }
    std::string_view bytes(std::uint64_t size)
    {
        if (std::uint64_t(end - at) < size) {
            ok = false;
            return {};
        }
        const std::string_view view(reinterpret_cast<const char *>(at), size);
        at += size;
        return view;
    }
};

template <typename T> T load(const std::uint8_t *at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

ReleaseIndex::ReleaseIndex() = default;
ReleaseIndex::~ReleaseIndex() = default;

bool ReleaseIndex::open(const QString &file, QString *why)
{
    m_file = std::make_unique<QFile>(file);
    m_data = nullptr;
    if (!m_file->open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("%1 cannot be read (%2)").arg(file, m_file->errorString());
        return false;
    }
    const qint64 size = m_file->size();
    if (size < qint64(sizeof(IndexHeader)) || !(m_data = m_file->map(0, size))) {
        *why = QStringLiteral("%1 is no web graph index").arg(file);
        m_data = nullptr;
        return false;
    }
    std::memcpy(&m_header, m_data, sizeof m_header);
    const auto within = [&](std::uint64_t at, std::uint64_t count, std::uint64_t each) {
        return at <= std::uint64_t(size) &&
               count <= (std::uint64_t(size) - at) / std::max<std::uint64_t>(each, 1);
    };
    if (std::memcmp(m_header.magic, IndexMagic, sizeof IndexMagic) != 0 ||
        m_header.fileSize != std::uint64_t(size) || !within(m_header.blockOffsets, m_header.blocks, 8) ||
        !within(m_header.harmonicAt, m_header.harmonicRuns, 8) ||
        !within(m_header.pagerankAt, m_header.pagerankRuns, 12) ||
        !within(m_header.harmonicTextsAt, m_header.harmonicTexts, 8) ||
        !within(m_header.pagerankTextsAt, m_header.pagerankTexts, 8) ||
        !within(m_header.factsAt, m_header.factsSize, 1) ||
        !within(m_header.linkingAt, m_header.linkingSize, 1)) {
        *why = QStringLiteral("%1 is no complete web graph index").arg(file);
        m_data = nullptr;
        return false;
    }
    return true;
}

std::uint64_t ReleaseIndex::domains() const
{
    return m_data ? m_header.domains : 0;
}

std::uint64_t ReleaseIndex::links() const
{
    return m_data ? m_header.links : 0;
}

QString ReleaseIndex::fact(const QString &key) const
{
    if (!m_data)
        return QString();
    const QString facts = QString::fromUtf8(reinterpret_cast<const char *>(m_data + m_header.factsAt),
                                            qsizetype(m_header.factsSize));
    const QString prefix = key + u'=';
    for (const QString &line : facts.split(u'\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    }
    return QString();
}

bool ReleaseIndex::keptLinking(std::string_view node) const
{
    // The kept nodes are named in the facts, so that a node without linking domains is told from one not
    // kept.
    const QStringList kept = fact(QStringLiteral("kept")).split(u' ', Qt::SkipEmptyParts);
    return kept.contains(QString::fromStdString(std::string(node)));
}

std::vector<LinkingDomain> ReleaseIndex::linking(std::string_view node) const
{
    std::vector<LinkingDomain> found;
    if (!m_data)
        return found;
    const std::string_view text(reinterpret_cast<const char *>(m_data + m_header.linkingAt),
                                m_header.linkingSize);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t first = line.find('\t');
        const std::size_t second = line.find('\t', first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos ||
            line.substr(0, first) != node)
            continue;
        LinkingDomain domain{std::string(line.substr(first + 1, second - first - 1)), 0};
        for (const char c : line.substr(second + 1))
            domain.harmonicPosition = domain.harmonicPosition * 10 + std::uint32_t(c - '0');
        found.push_back(std::move(domain));
    }
    return found;
}

std::string ReleaseIndex::textAt(bool pagerank, std::uint32_t position) const
{
    // Positions with a text of their own first: Java printed some values otherwise than the shortest way.
    const std::uint64_t count = pagerank ? m_header.pagerankTexts : m_header.harmonicTexts;
    const std::uint8_t *pairs = m_data + (pagerank ? m_header.pagerankTextsAt : m_header.harmonicTextsAt);
    std::uint64_t low = 0, high = count;
    while (low < high) {
        const std::uint64_t mid = (low + high) / 2;
        if (load<std::uint32_t>(pairs + mid * 8) < position)
            low = mid + 1;
        else
            high = mid;
    }
    if (low < count && load<std::uint32_t>(pairs + low * 8) == position) {
        const std::uint64_t offset = load<std::uint32_t>(pairs + low * 8 + 4);
        const char *text = reinterpret_cast<const char *>(pairs + count * 8 + offset);
        return std::string(
            text,
            strnlen(text, std::size_t(m_header.fileSize -
                                      std::uint64_t(reinterpret_cast<const std::uint8_t *>(text) - m_data))));
    }
    const std::uint64_t runs = pagerank ? m_header.pagerankRuns : m_header.harmonicRuns;
    const std::uint8_t *starts = m_data + (pagerank ? m_header.pagerankAt : m_header.harmonicAt);
    low = 0;
    high = runs;
    while (low < high) { // the last run starting at or before the position
        const std::uint64_t mid = (low + high) / 2;
        if (load<std::uint32_t>(starts + mid * 4) <= position)
            low = mid + 1;
        else
            high = mid;
    }
    if (low == 0)
        return std::string();
    const std::uint8_t *values = starts + runs * 4;
    return pagerank ? javaDouble(load<double>(values + (low - 1) * 8))
                    : javaFloat(load<float>(values + (low - 1) * 4));
}

std::optional<DomainFigures> ReleaseIndex::find(std::string_view node) const
{
    if (!m_data || m_header.blocks == 0)
        return std::nullopt;
    const std::uint8_t *end = m_data + m_header.blockOffsets;
    const auto blockAt = [&](std::uint64_t b) {
        return m_data + load<std::uint64_t>(m_data + m_header.blockOffsets + b * 8);
    };
    const auto firstName = [&](std::uint64_t b) {
        Cursor c{blockAt(b), end};
        c.varint(); // 0: the first name of a block is whole
        const std::uint64_t size = c.varint();
        return c.bytes(size);
    };
    // The last block whose first name is not after the node.
    std::uint64_t low = 0, high = m_header.blocks;
    while (low < high) {
        const std::uint64_t mid = (low + high) / 2;
        if (firstName(mid) <= node)
            low = mid + 1;
        else
            high = mid;
    }
    if (low == 0)
        return std::nullopt;
    const std::uint64_t block = low - 1;
    const std::uint64_t inBlock =
        std::min<std::uint64_t>(BlockSize, m_header.domains - block * std::uint64_t(BlockSize));
    Cursor c{blockAt(block), end};
    std::string name;
    for (std::uint64_t i = 0; i < inBlock && c.ok; ++i) {
        const std::uint64_t shared = c.varint();
        const std::uint64_t size = c.varint();
        const std::string_view suffix = c.bytes(size);
        if (shared > name.size())
            return std::nullopt;
        name.resize(std::size_t(shared));
        name.append(suffix);
        DomainFigures figures;
        figures.linking = std::uint32_t(c.varint());
        figures.hosts = std::uint32_t(c.varint());
        figures.harmonicPosition = std::uint32_t(c.varint());
        figures.pagerankPosition = std::uint32_t(c.varint());
        if (!c.ok || name > node)
            return std::nullopt;
        if (name == node) {
            figures.node = name;
            if (figures.harmonicPosition)
                figures.harmonicValue = textAt(false, figures.harmonicPosition);
            if (figures.pagerankPosition)
                figures.pagerankValue = textAt(true, figures.pagerankPosition);
            return figures;
        }
    }
    return std::nullopt;
}

} // namespace webgraph
