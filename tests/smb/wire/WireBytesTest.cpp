#include "WireBytes.h"

#include <gtest/gtest.h>

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
