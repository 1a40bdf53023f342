#pragma once

#include "WireBytes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Bytes left in the buffers they arrived in, read in order as one run. An answer put together
// from many fragments is never copied into a single buffer: that copy would hold the answer
// twice at its peak.
class BytePieces final {
public:
    BytePieces() = default;
    // A run already in one buffer, viewed where it is: the caller keeps it alive for as long
    // as this is read.
    BytePieces(ByteView whole);
    BytePieces(const Bytes& whole) : BytePieces(ByteView(whole)) {}

    // Moving keeps every piece where it is; a copy would still point into the original.
    BytePieces(BytePieces&&) = default;
    BytePieces& operator=(BytePieces&&) = default;
    BytePieces(const BytePieces&) = delete;
    BytePieces& operator=(const BytePieces&) = delete;

    // Keeps buffer and adds its bytes [offset, offset + length) as the next piece.
    void append(Bytes buffer, std::size_t offset, std::size_t length);

    const std::vector<ByteView>& pieces() const { return m_pieces; }
    std::size_t size() const { return m_size; }
    // The run in one buffer, for a caller that wants it so (a small answer).
    Bytes joined() const;

private:
    std::vector<Bytes> m_buffers;
    std::vector<ByteView> m_pieces;  // never an empty one
    std::size_t m_size = 0;
};

// Reads little-endian fields across the pieces, as ByteReader does within one buffer. Every
// read is checked against the end: a read past it throws ProtocolError and moves nothing.
class PieceReader final {
public:
    explicit PieceReader(const BytePieces& bytes);

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    void skip(std::size_t count);
    // Skips to the next multiple of alignment, counted from the start of the run.
    void align(std::size_t alignment);

    std::size_t remaining() const { return m_size - m_position; }

private:
    void need(std::size_t count, const char* what) const;
    // The next byte, once need() has vouched for it.
    std::uint8_t next();

    std::vector<ByteView> m_pieces;
    std::size_t m_size;
    std::size_t m_piece = 0;
    std::size_t m_offset = 0;  // within the current piece
    std::size_t m_position = 0;
};
