#include "core/webgraph/GzipStream.h"

#include <isa-l/igzip_lib.h>

namespace webgraph {

namespace {

constexpr std::uint32_t OutputSize = 1 << 18;

QString faultOf(int code)
{
    switch (code) {
    case ISAL_INVALID_WRAPPER:
        return QStringLiteral("not a gzip member");
    case ISAL_INCORRECT_CHECKSUM:
        return QStringLiteral("the member's CRC-32 or length does not match its text");
    case ISAL_UNSUPPORTED_METHOD:
        return QStringLiteral("a compression method other than deflate");
    default:
        return QStringLiteral("corrupt compressed data (code %1)").arg(code);
    }
}

} // namespace

GzipStream::GzipStream(Sink sink)
    : m_sink(std::move(sink)), m_state(std::make_unique<inflate_state>()),
      m_buffer(std::make_unique<std::uint8_t[]>(OutputSize))
{
    m_room = [this] { return std::pair{reinterpret_cast<char *>(m_buffer.get()), std::size_t(OutputSize)}; };
    reset();
}

GzipStream::GzipStream(Room room, Sink sink)
    : m_sink(std::move(sink)), m_room(std::move(room)), m_state(std::make_unique<inflate_state>())
{
    reset();
}

GzipStream::~GzipStream() = default;

void GzipStream::reset()
{
    isal_inflate_init(m_state.get());
    m_state->crc_flag = ISAL_GZIP;
    m_error.clear();
    m_in = m_out = m_memberStart = 0;
    m_members = 0;
    m_inMember = false;
}

bool GzipStream::fail(const QString &what)
{
    m_error = what;
    return false;
}

bool GzipStream::push(const char *data, std::size_t size)
{
    if (!m_error.isEmpty())
        return false;
    inflate_state &s = *m_state;
    for (;;) {
        if (!m_inMember) {
            if (size == 0)
                return true;
            m_inMember = true;
            m_memberStart = m_in;
        }
        // ISA-L takes at most 4 GiB at a time.
        const std::uint32_t piece = std::uint32_t(std::min<std::size_t>(size, std::size_t(1) << 30));
        s.next_in = reinterpret_cast<std::uint8_t *>(const_cast<char *>(data));
        s.avail_in = piece;
        const auto [out, room] = m_room();
        const auto outSize = std::uint32_t(std::min<std::size_t>(room, std::size_t(1) << 30));
        s.next_out = reinterpret_cast<std::uint8_t *>(out);
        s.avail_out = outSize;
        const int result = isal_inflate(&s);
        const std::uint32_t taken = piece - s.avail_in;
        const std::uint32_t produced = outSize - s.avail_out;
        data += taken;
        size -= taken;
        m_in += taken;
        if (result < 0)
            return fail(QStringLiteral("%1 at byte %2 (the member starting at byte %3)")
                            .arg(faultOf(result))
                            .arg(m_in)
                            .arg(m_memberStart));
        if (produced > 0) {
            m_out += produced;
            if (!m_sink(std::string_view(out, produced)))
                return false;
        }
        if (s.block_state == ISAL_BLOCK_FINISH) {
            // A member ends; another may follow.
            ++m_members;
            m_inMember = false;
            isal_inflate_reset(&s);
            s.crc_flag = ISAL_GZIP;
            continue;
        }
        if (s.avail_out > 0 && size == 0)
            return true; // all inflated; the member goes on in the next bytes
        if (taken == 0 && produced == 0)
            return fail(QStringLiteral("corrupt compressed data at byte %1").arg(m_in));
    }
}

bool GzipStream::finish()
{
    if (!m_error.isEmpty())
        return false;
    if (m_inMember)
        return fail(
            QStringLiteral("the file ends inside the gzip member starting at byte %1 (after %2 bytes)")
                .arg(m_memberStart)
                .arg(m_in));
    if (m_members == 0)
        return fail(QStringLiteral("the file holds no gzip member"));
    return true;
}

} // namespace webgraph
