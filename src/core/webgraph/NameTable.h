#pragma once

#include "core/webgraph/HugePages.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace webgraph {

// The ids of a release's domain names by their 64-bit hashes, in 8 bytes a slot at 80% load (10 bytes a
// name): a slot keeps 32 bits of the hash beside the id, and the slot's place stands for the other 32. Two
// names whose kept bits agree in one run of slots are told apart by their names, which the table then keeps
// (expected: none or a few in a release of 100 million), so a name in the table always finds its own id.
class NameTable
{
public:
    // The hashes of ids 0 to count - 1, in that order, from next (false: none could be read).
    bool build(std::uint64_t count, const std::function<bool(std::uint64_t &)> &next);
    // The ids whose slots alone do not tell them apart; each must be named (nameAmbiguous) before find().
    const std::vector<std::uint32_t> &ambiguous() const { return m_ambiguous; }
    void nameAmbiguous(std::uint32_t id, std::string name) { m_names.emplace(id, std::move(name)); }

    // The id of the name with this hash; -1 for none. A name that is not in the table may still, by a
    // chance of 2^-32, find the id of another.
    std::int64_t find(std::uint64_t hash, std::string_view name) const;
    // Asks for the memory a find() of hash reads first (several finds then wait for memory together).
    // (No test of an empty table here: GCC drops a prefetch that stands in a branch. A prefetch of any
    // address is harmless; an empty table's home is 0.)
    void prefetch(std::uint64_t hash) const { __builtin_prefetch(m_slots.data() + home(hash)); }
    void clear();

    static std::uint64_t hashOf(std::string_view text);

private:
    std::uint64_t home(std::uint64_t hash) const { return ((hash >> 32) * m_slots.size()) >> 32; }

    HugeVector<std::uint64_t> m_slots; // (hash's lower 32 bits << 32) | told-by-name bit << 31 | id + 1
    std::vector<std::uint32_t> m_ambiguous;
    std::unordered_map<std::uint32_t, std::string> m_names;
};

} // namespace webgraph
