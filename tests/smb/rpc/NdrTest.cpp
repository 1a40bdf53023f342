#include "Ndr.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

TEST(Ndr, PrimitivesAlignFromTheStubStart)
{
    ndr::Writer writer;
    writer.u16(0x0102);
    writer.u32(0x03040506);
    writer.u16(0x0708);
    writer.u32(0x090a0b0c);
    EXPECT_EQ(writer.take(), (Bytes{0x02, 0x01, 0, 0, 0x06, 0x05, 0x04, 0x03, 0x08, 0x07, 0, 0, 0x0c, 0x0b, 0x0a, 0x09}));
}

TEST(Ndr, PointersNumberTheirReferents)
{
    ndr::Writer writer;
    EXPECT_EQ(writer.pointer(true), 0x00020000u);
    EXPECT_EQ(writer.pointer(false), 0u);
    EXPECT_EQ(writer.pointer(true), 0x00020004u);
    const Bytes stub = writer.take();
    ndr::Reader reader(stub);
    EXPECT_TRUE(reader.uniquePointer());
    EXPECT_FALSE(reader.uniquePointer());
    EXPECT_TRUE(reader.uniquePointer());
    reader.expectEnd();
}

// Strings whose counts, offset or terminator lie are refused before anything is sized by them.
TEST(Ndr, LyingStrings)
{
    struct Case {
        const char* name;
        std::uint32_t maxCount, offset, actualCount;
        std::u16string units;  // as sent, terminator included or not
        bool accepted;
    };
    const Case cases[] = {
        {"honest", 3, 0, 3, std::u16string(u"ab\0", 3), true},
        {"max count above actual", 10, 0, 3, std::u16string(u"ab\0", 3), true},
        {"offset", 3, 1, 3, std::u16string(u"ab\0", 3), false},
        {"actual above max", 2, 0, 3, std::u16string(u"ab\0", 3), false},
        {"no terminator", 2, 0, 2, u"ab", false},
        {"terminator inside", 3, 0, 3, std::u16string(u"a\0\0", 3), false},
        {"empty, not even a terminator", 0, 0, 0, u"", false},
        {"longer than the bytes", 100, 0, 100, std::u16string(u"ab\0", 3), false},
        {"4 G units", 0xFFFFFFFF, 0, 0xFFFFFFFF, std::u16string(u"ab\0", 3), false},
        {"above the longest text", 32769, 0, 3, std::u16string(u"ab\0", 3), false},
        {"the longest text", 32768, 0, 3, std::u16string(u"ab\0", 3), true},
    };
    for (const Case& c : cases) {
        ByteWriter bytes;
        bytes.u32(c.maxCount);
        bytes.u32(c.offset);
        bytes.u32(c.actualCount);
        for (const char16_t unit : c.units)
            bytes.u16(static_cast<std::uint16_t>(unit));
        const Bytes stub = bytes.take();
        ndr::Reader reader(stub);
        if (c.accepted) {
            EXPECT_EQ(reader.string(), u"ab") << c.name;
        } else {
            EXPECT_THROW(reader.string(), ProtocolError) << c.name;
        }
    }
}

// A count above the limit or beyond the bytes left is refused before anything is sized by it.
TEST(Ndr, ConformanceIsCheckedBeforeSizing)
{
    ByteWriter bytes;
    bytes.u32(3);
    bytes.zeros(3 * 20);
    const Bytes three = bytes.take();
    const struct {
        std::size_t elementSize, limit;
        bool accepted;
    } cases[] = {{20, 1000, true}, {20, 2, false}, {21, 1000, false}};
    for (const auto& c : cases) {
        ndr::Reader reader(three);
        if (c.accepted)
            EXPECT_EQ(reader.conformance(c.elementSize, c.limit, "records"), 3u);
        else
            EXPECT_THROW(reader.conformance(c.elementSize, c.limit, "records"), ProtocolError) << c.elementSize;
    }
}

} // namespace
