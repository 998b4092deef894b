#include "core/webgraph/ScratchFile.h"

#include <QFile>

#include <algorithm>

namespace webgraph {

namespace {

constexpr std::size_t PieceSize = 1 << 20;

} // namespace

ScratchFile::~ScratchFile()
{
    remove();
}

void ScratchFile::release()
{
    m_budget.give(std::int64_t(m_pieces.size() * PieceSize));
    m_pieces.clear();
}

void ScratchFile::remove()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
        QFile::remove(m_path);
    }
    release();
    m_buffer.reset();
    m_piece = nullptr;
    m_at = m_size = m_lastSize = 0;
}

bool ScratchFile::create()
{
    remove();
    m_failed = false;
    return true;
}

bool ScratchFile::toDisk()
{
    m_file = std::fopen(QFile::encodeName(m_path).constData(), "w+b");
    if (!m_file)
        return false;
    for (std::size_t i = 0; i < m_pieces.size(); ++i) {
        const std::size_t size = i + 1 == m_pieces.size() ? m_at : PieceSize;
        if (std::fwrite(m_pieces[i].get(), 1, size, m_file) != size)
            return false;
    }
    release();
    m_buffer = std::make_unique<char[]>(PieceSize);
    m_piece = m_buffer.get();
    m_at = 0;
    m_size = PieceSize;
    return true;
}

void ScratchFile::spill(const void *data, std::size_t size)
{
    const char *from = static_cast<const char *>(data);
    while (size > 0) {
        if (m_at == m_size) {
            if (m_file) {
                if (std::fwrite(m_piece, 1, m_at, m_file) != m_at)
                    m_failed = true;
                m_at = 0;
            } else if (m_budget.take(PieceSize)) {
                m_pieces.push_back(std::make_unique<char[]>(PieceSize));
                m_piece = m_pieces.back().get();
                m_at = 0;
                m_size = PieceSize;
            } else if (!toDisk()) {
                m_failed = true;
                return;
            }
        }
        const std::size_t part = std::min(size, m_size - m_at);
        std::memcpy(m_piece + m_at, from, part);
        m_at += part;
        from += part;
        size -= part;
    }
}

bool ScratchFile::finish()
{
    if (m_file) {
        if (m_at > 0 && std::fwrite(m_piece, 1, m_at, m_file) != m_at)
            m_failed = true;
        m_at = 0;
        if (std::fflush(m_file) != 0)
            m_failed = true;
    } else {
        m_lastSize = m_at;
    }
    return !m_failed;
}

bool ScratchFile::rewind()
{
    if (m_failed)
        return false;
    m_reading = 0;
    m_at = m_size = 0;
    if (m_file)
        return std::fseek(m_file, 0, SEEK_SET) == 0;
    return true;
}

bool ScratchFile::refill()
{
    m_at = 0;
    if (m_file) {
        m_piece = m_buffer.get();
        m_size = std::fread(m_piece, 1, PieceSize, m_file);
        return m_size > 0;
    }
    if (m_reading >= m_pieces.size())
        return false;
    m_piece = m_pieces[m_reading].get();
    m_size = ++m_reading == m_pieces.size() ? m_lastSize : PieceSize;
    return m_size > 0;
}

bool ScratchFile::get(void *data, std::size_t size)
{
    char *out = static_cast<char *>(data);
    while (size > 0) {
        if (m_at == m_size && !refill())
            return false;
        const std::size_t part = std::min(size, m_size - m_at);
        std::memcpy(out, m_piece + m_at, part);
        m_at += part;
        out += part;
        size -= part;
    }
    return true;
}

bool ScratchFile::getVarint(std::uint64_t &value)
{
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (m_at == m_size && !refill())
            return false;
        const auto byte = std::uint8_t(m_piece[m_at++]);
        value |= std::uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

} // namespace webgraph
