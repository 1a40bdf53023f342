#include "BytePieces.h"
#include "WireBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

TEST(WireBytes, WrittenFieldsReadBackLittleEndian)
{
    ByteWriter writer;
    writer.u8(0x01);
    writer.align(4);
    writer.u16(0x0302);
    writer.u32(0x07060504);
    writer.u64(0x0F0E0D0C0B0A0908ull);
    writer.patch16(4, 0xBEEF);
    EXPECT_EQ(writer.view(), (Bytes{1, 0, 0, 0, 0xEF, 0xBE, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));

    ByteReader reader(writer.view());
    EXPECT_EQ(reader.u8(), 1);
    reader.align(4);
    EXPECT_EQ(reader.u16(), 0xBEEF);
    EXPECT_EQ(reader.u32(), 0x07060504u);
    EXPECT_EQ(reader.u64(), 0x0F0E0D0C0B0A0908ull);
    EXPECT_EQ(reader.remaining(), 0u);
}

// A read past the end throws and leaves the position where it was.
TEST(WireBytes, ReadsPastTheEndThrowWithoutMoving)
{
    const Bytes three{1, 2, 3};
    const std::function<void(ByteReader&)> reads[] = {
        [](ByteReader& r) { r.u32(); },
        [](ByteReader& r) { r.u64(); },
        [](ByteReader& r) { r.bytes(4); },
        [](ByteReader& r) { r.skip(4); },
        [](ByteReader& r) { r.seek(4); },
        [](ByteReader& r) { r.u8(); r.align(8); },
    };
    for (const auto& read : reads) {
        ByteReader reader(three);
        reader.u8();
        EXPECT_THROW(read(reader), ProtocolError);
        EXPECT_LE(reader.position(), 2u);
    }
    EXPECT_THROW(checkedLength(1u << 31, 1u << 20, "a count"), ProtocolError);
}

// Read across pieces cut anywhere, fields answer what they answer in one buffer, and a read past
// the end throws without moving.
TEST(WireBytes, PiecesReadAsOneBuffer)
{
    const Bytes whole{1, 0, 0, 0, 0xEF, 0xBE, 4, 5, 6, 7, 8, 9, 10};
    for (const std::size_t length : {1, 2, 3, 5, 13}) {
        BytePieces pieces;
        for (std::size_t at = 0; at < whole.size(); at += length)
            pieces.append(whole, at, std::min(length, whole.size() - at));
        EXPECT_EQ(pieces.joined(), whole) << length;
        PieceReader reader(pieces);
        EXPECT_EQ(reader.u8(), 1) << length;
        reader.align(4);
        EXPECT_EQ(reader.u16(), 0xBEEF) << length;
        EXPECT_EQ(reader.u32(), 0x07060504u) << length;
        reader.skip(1);
        EXPECT_EQ(reader.u8(), 9) << length;
        EXPECT_THROW(reader.u16(), ProtocolError) << length;
        EXPECT_THROW(reader.skip(2), ProtocolError) << length;
        EXPECT_EQ(reader.u8(), 10) << length;
        EXPECT_EQ(reader.remaining(), 0u) << length;
    }
    BytePieces pieces;
    EXPECT_THROW(pieces.append(whole, 10, 4), std::out_of_range);
}
