#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace webgraph {

// value in seven bits a byte, low bits first, the top bit of each byte but the last set; the bytes written.
inline std::size_t encodeVarint(std::uint64_t value, unsigned char (&bytes)[10])
{
    std::size_t size = 0;
    while (value >= 0x80) {
        bytes[size++] = std::uint8_t(value) | 0x80;
        value >>= 7;
    }
    bytes[size++] = std::uint8_t(value);
    return size;
}

// Memory that scratch files may keep instead of writing to disk, shared by them.
class ScratchBudget
{
public:
    explicit ScratchBudget(std::int64_t bytes) : m_left(bytes) {}
    bool take(std::int64_t bytes)
    {
        if (m_left.fetch_sub(bytes) >= bytes)
            return true;
        m_left.fetch_add(bytes);
        return false;
    }
    void give(std::int64_t bytes) { m_left.fetch_add(bytes); }

private:
    std::atomic<std::int64_t> m_left;
};

// Values an import writes from start to end and reads back the same way: kept in memory while the budget
// lasts, in a file once it does not (then through a buffer of its own, no call per value). The file is
// removed when the object goes.
class ScratchFile
{
public:
    ScratchFile(const QString &path, ScratchBudget &budget) : m_path(path), m_budget(budget) {}
    ~ScratchFile();
    ScratchFile(const ScratchFile &) = delete;
    ScratchFile &operator=(const ScratchFile &) = delete;

    // Empties it and starts writing.
    bool create();
    void put(const void *data, std::size_t size)
    {
        if (m_at + size > m_size)
            return spill(data, size);
        std::memcpy(m_piece + m_at, data, size);
        m_at += size;
    }
    template <typename T> void putValue(T value) { put(&value, sizeof value); }
    void putVarint(std::uint64_t value)
    {
        unsigned char bytes[10];
        put(bytes, encodeVarint(value, bytes));
    }
    // Everything put is kept (false: a write failed, a full disk say).
    bool finish();

    // Reads from the start (after finish()).
    bool rewind();
    bool get(void *data, std::size_t size);
    template <typename T> bool getValue(T &value)
    {
        if (m_at + sizeof value > m_size)
            return get(&value, sizeof value);
        std::memcpy(&value, m_piece + m_at, sizeof value);
        m_at += sizeof value;
        return true;
    }
    bool getVarint(std::uint64_t &value);

    // Forgets it all (and removes the file).
    void remove();
    const QString &path() const { return m_path; }

private:
    void spill(const void *data, std::size_t size);
    bool toDisk();
    bool refill();
    void release();

    QString m_path;
    ScratchBudget &m_budget;
    std::FILE *m_file = nullptr;
    std::vector<std::unique_ptr<char[]>> m_pieces; // in memory: the values, a piece after another
    std::size_t m_lastSize = 0;                    // bytes in the last piece
    std::size_t m_reading = 0;                     // the piece being read
    std::unique_ptr<char[]> m_buffer;              // on disk: what waits to be written, or was read
    char *m_piece = nullptr;                       // the piece or buffer written or read
    std::size_t m_at = 0, m_size = 0;              // the place in it, and its usable size
    bool m_failed = false;
};

} // namespace webgraph
