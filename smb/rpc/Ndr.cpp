#include "Ndr.h"

#include <string>

namespace ndr {

void Writer::u16(std::uint16_t value)
{
    m_bytes.align(2);
    m_bytes.u16(value);
}

void Writer::u32(std::uint32_t value)
{
    m_bytes.align(4);
    m_bytes.u32(value);
}

std::uint32_t Writer::pointer(bool present)
{
    std::uint32_t id = 0;
    if (present) {
        id = m_nextReferent;
        m_nextReferent += 4;
    }
    u32(id);
    return id;
}

void Writer::string(std::u16string_view text)
{
    const auto units = static_cast<std::uint32_t>(text.size() + 1);
    u32(units);  // max count
    u32(0);      // offset
    u32(units);  // actual count
    for (const char16_t unit : text)
        m_bytes.u16(static_cast<std::uint16_t>(unit));
    m_bytes.u16(0);
}

void Writer::uniqueString(std::u16string_view text)
{
    pointer(true);
    string(text);
}

std::uint16_t Reader::u16()
{
    m_bytes.align(2);
    return m_bytes.u16();
}

std::uint32_t Reader::u32()
{
    m_bytes.align(4);
    return m_bytes.u32();
}

bool Reader::uniquePointer()
{
    return u32() != 0;
}

std::size_t Reader::conformance(std::size_t elementSize, std::size_t limit, const char* what)
{
    const std::size_t count = checkedLength(u32(), limit, what);
    if (elementSize != 0 && count > m_bytes.remaining() / elementSize)
        throw ProtocolError(std::string(what) + ": more elements than bytes left");
    return count;
}

std::u16string Reader::string(std::size_t maxUnits)
{
    const std::uint32_t maxCount = u32();
    const std::uint32_t offset = u32();
    const std::uint32_t actualCount = u32();
    if (offset != 0)
        throw ProtocolError("an NDR string with a non-zero offset");
    if (actualCount > maxCount)
        throw ProtocolError("an NDR string whose actual count exceeds its max count");
    if (maxCount > maxUnits)
        throw ProtocolError("an NDR string longer than any text accepted");
    if (actualCount == 0)
        throw ProtocolError("an NDR string without its terminator");
    if (actualCount > m_bytes.remaining() / 2)
        throw ProtocolError("an NDR string longer than the bytes left");

    std::u16string text;
    text.reserve(actualCount - 1);
    for (std::uint32_t i = 0; i + 1 < actualCount; ++i) {
        const auto unit = static_cast<char16_t>(m_bytes.u16());
        if (unit == 0)
            throw ProtocolError("an NDR string with a terminator inside");
        text.push_back(unit);
    }
    if (m_bytes.u16() != 0)
        throw ProtocolError("an NDR string without its terminator");
    return text;
}

void Reader::expectEnd() const
{
    if (m_bytes.remaining() != 0)
        throw ProtocolError("bytes left over after the NDR stub");
}

} // namespace ndr
