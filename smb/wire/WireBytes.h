#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// Bytes as they cross the wire, and the two tools every layer of the protocol client reads and
// writes them with. Everything on the wire is little-endian (SMB2, DCE/RPC with the NDR data
// representation the client asks for, NDR itself).
using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// The server broke the protocol: a length, count, offset or flag that does not add up. It ends
// the operation with a clean failure; it never means the login was refused.
class ProtocolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads little-endian fields from a buffer it does not own. Every read is checked against the
// end: a read past it throws ProtocolError and moves nothing.
class ByteReader final {
public:
    explicit ByteReader(ByteView bytes) : m_bytes(bytes) {}

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::uint64_t u64();
    ByteView bytes(std::size_t count);
    void skip(std::size_t count);
    // Skips to the next multiple of alignment, counted from the start of the buffer.
    void align(std::size_t alignment);
    // Moves to an absolute position within the buffer (at most its size).
    void seek(std::size_t position);

    std::size_t position() const { return m_position; }
    std::size_t remaining() const { return m_bytes.size() - m_position; }

private:
    void need(std::size_t count, const char* what) const;

    ByteView m_bytes;
    std::size_t m_position = 0;
};

// Appends little-endian fields to a growing buffer.
class ByteWriter final {
public:
    void u8(std::uint8_t value);
    void u16(std::uint16_t value);
    void u32(std::uint32_t value);
    void u64(std::uint64_t value);
    void bytes(ByteView value);
    void zeros(std::size_t count);
    // Pads with zeros to the next multiple of alignment, counted from the start.
    void align(std::size_t alignment);
    // Overwrites fields already written (a length known only later).
    void patch16(std::size_t at, std::uint16_t value);
    void patch32(std::size_t at, std::uint32_t value);

    std::size_t size() const { return m_bytes.size(); }
    const Bytes& view() const { return m_bytes; }
    Bytes take() { return std::move(m_bytes); }

private:
    Bytes m_bytes;
};

// A length the server sent, checked against a limit before anything is sized by it.
inline std::size_t checkedLength(std::uint64_t length, std::uint64_t limit, const char* what)
{
    if (length > limit)
        throw ProtocolError(std::string(what) + " exceeds its limit");
    return static_cast<std::size_t>(length);
}
