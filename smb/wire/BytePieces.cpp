#include "BytePieces.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

BytePieces::BytePieces(ByteView whole)
{
    if (!whole.empty())
        m_pieces.push_back(whole);
    m_size = whole.size();
}

void BytePieces::append(Bytes buffer, std::size_t offset, std::size_t length)
{
    if (offset > buffer.size() || length > buffer.size() - offset)
        throw std::out_of_range("a piece beyond its buffer");
    if (length == 0)
        return;
    // The buffer's storage moves with it, so the view stays good.
    m_pieces.push_back(ByteView(buffer).subspan(offset, length));
    m_buffers.push_back(std::move(buffer));
    m_size += length;
}

Bytes BytePieces::joined() const
{
    Bytes whole;
    whole.reserve(m_size);
    for (const ByteView piece : m_pieces)
        whole.insert(whole.end(), piece.begin(), piece.end());
    return whole;
}

PieceReader::PieceReader(const BytePieces& bytes)
    : m_pieces(bytes.pieces())
    , m_size(bytes.size())
{
}

void PieceReader::need(std::size_t count, const char* what) const
{
    if (count > remaining())
        throw ProtocolError(std::string("message ends inside ") + what);
}

std::uint8_t PieceReader::next()
{
    const std::uint8_t value = m_pieces[m_piece][m_offset];
    ++m_position;
    if (++m_offset == m_pieces[m_piece].size()) {
        ++m_piece;
        m_offset = 0;
    }
    return value;
}

std::uint8_t PieceReader::u8()
{
    need(1, "a byte");
    return next();
}

std::uint16_t PieceReader::u16()
{
    need(2, "a 16-bit field");
    const std::uint16_t low = next();
    return static_cast<std::uint16_t>(low | (next() << 8));
}

std::uint32_t PieceReader::u32()
{
    need(4, "a 32-bit field");
    std::uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8)
        value |= static_cast<std::uint32_t>(next()) << shift;
    return value;
}

void PieceReader::skip(std::size_t count)
{
    need(count, "skipped bytes");
    m_position += count;
    while (count > 0) {
        const std::size_t step = std::min(count, m_pieces[m_piece].size() - m_offset);
        count -= step;
        m_offset += step;
        if (m_offset == m_pieces[m_piece].size()) {
            ++m_piece;
            m_offset = 0;
        }
    }
}

void PieceReader::align(std::size_t alignment)
{
    const std::size_t over = m_position % alignment;
    if (over != 0)
        skip(alignment - over);
}
