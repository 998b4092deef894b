#include "core/webgraph/NameTable.h"

#include <algorithm>
#include <cstring>

namespace webgraph {

namespace {

constexpr std::uint64_t ByName = 0x80000000ULL;
constexpr std::uint64_t IdBits = 0x7fffffffULL;

} // namespace

std::uint64_t NameTable::hashOf(std::string_view text)
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

void NameTable::clear()
{
    HugeVector<std::uint64_t>().swap(m_slots);
    std::vector<std::uint32_t>().swap(m_ambiguous);
    m_names.clear();
}

bool NameTable::build(std::uint64_t count, const std::function<bool(std::uint64_t &)> &next)
{
    clear();
    m_slots.assign(count + count / 4 + 1, 0);
    const std::uint64_t size = m_slots.size();
    // Hashes are read a few ahead of their insertion, their slots asked for meanwhile.
    constexpr std::uint64_t Ahead = 16;
    std::uint64_t ahead[Ahead];
    for (std::uint64_t id = 0; id < count + Ahead; ++id) {
        if (id >= Ahead) {
            const std::uint64_t hash = ahead[id % Ahead];
            std::uint64_t slot = home(hash);
            while (m_slots[slot] != 0)
                slot = slot + 1 == size ? 0 : slot + 1;
            m_slots[slot] = (hash << 32) | (id - Ahead + 1);
        }
        if (id < count) {
            if (!next(ahead[id % Ahead]))
                return false;
            prefetch(ahead[id % Ahead]);
        }
    }
    // A find() walks one run of taken slots, from the name's home to its own: names sharing their kept bits
    // in a run are the only ones it could mistake for each other.
    std::uint64_t start = 0;
    while (m_slots[start] != 0)
        ++start;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> run; // kept bits, slot
    for (std::uint64_t i = 1, slot = start; i <= size; ++i) {
        slot = slot + 1 == size ? 0 : slot + 1;
        if (m_slots[slot] != 0) {
            run.emplace_back(std::uint32_t(m_slots[slot] >> 32), slot);
            continue;
        }
        if (run.size() > 1) {
            std::sort(run.begin(), run.end());
            for (std::size_t k = 0; k + 1 < run.size(); ++k) {
                if (run[k].first != run[k + 1].first)
                    continue;
                for (const std::size_t both : {k, k + 1}) {
                    std::uint64_t &entry = m_slots[run[both].second];
                    if (!(entry & ByName)) {
                        entry |= ByName;
                        m_ambiguous.push_back(std::uint32_t((entry & IdBits) - 1));
                    }
                }
            }
        }
        run.clear();
    }
    std::sort(m_ambiguous.begin(), m_ambiguous.end());
    return true;
}

std::int64_t NameTable::find(std::uint64_t hash, std::string_view name) const
{
    const std::uint64_t size = m_slots.size();
    if (size == 0)
        return -1;
    const std::uint64_t kept = hash << 32;
    for (std::uint64_t slot = home(hash);; slot = slot + 1 == size ? 0 : slot + 1) {
        const std::uint64_t entry = m_slots[slot];
        if (entry == 0)
            return -1;
        if ((entry & 0xffffffff00000000ULL) != kept)
            continue;
        const auto id = std::uint32_t((entry & IdBits) - 1);
        if (entry & ByName) {
            const auto named = m_names.find(id);
            if (named == m_names.end() || named->second != name)
                continue;
        }
        return id;
    }
}

} // namespace webgraph
