#include "WireBytes.h"

#include <utility>

void ByteReader::need(std::size_t count, const char* what) const
{
    if (count > remaining())
        throw ProtocolError(std::string("message ends inside ") + what);
}

std::uint8_t ByteReader::u8()
{
    need(1, "a byte");
    return m_bytes[m_position++];
}

std::uint16_t ByteReader::u16()
{
    need(2, "a 16-bit field");
    const auto value = static_cast<std::uint16_t>(m_bytes[m_position] | (m_bytes[m_position + 1] << 8));
    m_position += 2;
    return value;
}

std::uint32_t ByteReader::u32()
{
    need(4, "a 32-bit field");
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | m_bytes[m_position + static_cast<std::size_t>(i)];
    m_position += 4;
    return value;
}

std::uint64_t ByteReader::u64()
{
    const std::uint64_t low = u32();
    const std::uint64_t high = u32();
    return low | (high << 32);
}

ByteView ByteReader::bytes(std::size_t count)
{
    need(count, "a byte string");
    const ByteView value = m_bytes.subspan(m_position, count);
    m_position += count;
    return value;
}

void ByteReader::skip(std::size_t count)
{
    need(count, "skipped bytes");
    m_position += count;
}

void ByteReader::align(std::size_t alignment)
{
    const std::size_t over = m_position % alignment;
    if (over != 0)
        skip(alignment - over);
}

void ByteReader::seek(std::size_t position)
{
    if (position > m_bytes.size())
        throw ProtocolError("offset points past the message");
    m_position = position;
}

void ByteWriter::u8(std::uint8_t value)
{
    m_bytes.push_back(value);
}

void ByteWriter::u16(std::uint16_t value)
{
    m_bytes.push_back(static_cast<std::uint8_t>(value));
    m_bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::u32(std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        m_bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void ByteWriter::u64(std::uint64_t value)
{
    u32(static_cast<std::uint32_t>(value));
    u32(static_cast<std::uint32_t>(value >> 32));
}

void ByteWriter::bytes(ByteView value)
{
    m_bytes.insert(m_bytes.end(), value.begin(), value.end());
}

void ByteWriter::zeros(std::size_t count)
{
    m_bytes.insert(m_bytes.end(), count, 0);
}

void ByteWriter::align(std::size_t alignment)
{
    const std::size_t over = m_bytes.size() % alignment;
    if (over != 0)
        zeros(alignment - over);
}

void ByteWriter::patch16(std::size_t at, std::uint16_t value)
{
    m_bytes.at(at) = static_cast<std::uint8_t>(value);
    m_bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

void ByteWriter::patch32(std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        m_bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}
