#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>

struct inflate_state;

namespace webgraph {

// A gzip file read as it arrives: one member or several concatenated ones, each member's CRC-32 and length
// checked. Compressed bytes go in by push(), in pieces of any size; the text comes out to the sink in
// pieces as it is inflated. A fault names the byte offset in the compressed file where it was found.
class GzipStream
{
public:
    // The sink gets each piece of text; false from it stops the stream (push() then returns false and
    // error() is empty).
    using Sink = std::function<bool(std::string_view)>;
    // Where the next text may go (at least one byte): the sink then gets the part of it that was filled.
    using Room = std::function<std::pair<char *, std::size_t>()>;

    explicit GzipStream(Sink sink);
    GzipStream(Room room, Sink sink);
    ~GzipStream();
    GzipStream(const GzipStream &) = delete;
    GzipStream &operator=(const GzipStream &) = delete;

    // Inflates the bytes; false on a fault (error() says what, at which offset) or when the sink stopped.
    bool push(const char *data, std::size_t size);
    // The end of the compressed file: false when it ends inside a member or holds no member.
    bool finish();
    // Starts over from the first byte of the file.
    void reset();

    const QString &error() const { return m_error; }
    // Compressed bytes taken so far, and the text given to the sink.
    std::uint64_t compressedBytes() const { return m_in; }
    std::uint64_t textBytes() const { return m_out; }
    int members() const { return m_members; }

private:
    bool fail(const QString &what);

    Sink m_sink;
    Room m_room;
    std::unique_ptr<inflate_state> m_state;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    QString m_error;
    std::uint64_t m_in = 0;
    std::uint64_t m_out = 0;
    std::uint64_t m_memberStart = 0;
    int m_members = 0;
    bool m_inMember = false;
};

} // namespace webgraph
