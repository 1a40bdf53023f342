#pragma once

#include "BytePieces.h"
#include "WireBytes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// NDR 2.0 (C706) for the little the server service needs, on top of WireBytes:
// primitives at their natural alignment (counted from the start of the stub), pointers as
// referent ids, conformant varying strings of UTF-16 ([string] wchar_t*) and conformant
// arrays. Deferred pointees (the strings of an array of structures, after the array) are
// read and written by the caller in NDR's order; these classes only read and write each piece.
namespace ndr {

// The most UTF-16 code units one string may carry, its terminator included: the longest
// Windows path (32,767 characters) and its terminator.
constexpr std::size_t maxStringUnits = 32768;

class Writer final {
public:
    void u16(std::uint16_t value);
    void u32(std::uint32_t value);
    void align(std::size_t alignment) { m_bytes.align(alignment); }

    // A unique or full pointer: a new referent id (0x00020000, then on by 4, as MIDL and
    // Samba number them) or 0 for null. Answers the id written.
    std::uint32_t pointer(bool present);
    // A conformant varying string, [string] wchar_t*: max count, offset 0, actual count, the
    // code units and the terminator (the counts include it).
    void string(std::u16string_view text);
    // A top-level [unique, string] parameter that is present: the pointer, then at once the
    // string.
    void uniqueString(std::u16string_view text);
    // A conformant array's max count, before its elements.
    void conformance(std::uint32_t count) { u32(count); }

    Bytes take() { return m_bytes.take(); }

private:
    ByteWriter m_bytes;
    std::uint32_t m_nextReferent = 0x00020000;
};

class Reader final {
public:
    // Reads the stub across the fragments that carried it.
    explicit Reader(const BytePieces& stub) : m_bytes(stub) {}

    std::uint16_t u16();
    std::uint32_t u32();

    // A unique pointer: true when its referent follows (now or deferred), false for null.
    bool uniquePointer();

    // A conformant array's max count, refused above limit or when the elements cannot fit in
    // the bytes left (elementSize: the least wire size of one element), before anything is
    // sized by it.
    std::size_t conformance(std::size_t elementSize, std::size_t limit, const char* what);

    // A conformant varying string of UTF-16: offset 0, actual count at most the max count and
    // at most maxUnits, a terminator last and nowhere else. Answers the text without it.
    std::u16string string(std::size_t maxUnits = maxStringUnits);

    // The stub ends here; any byte left over is refused.
    void expectEnd() const;


private:
    PieceReader m_bytes;
};

} // namespace ndr
