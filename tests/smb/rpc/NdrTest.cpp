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
    writer.referentId(0x00020000);
    const Bytes stub = writer.take();

    ndr::Reader unique(stub);
    EXPECT_TRUE(unique.uniquePointer());
    EXPECT_FALSE(unique.uniquePointer());
    EXPECT_TRUE(unique.uniquePointer());
    EXPECT_TRUE(unique.uniquePointer());
    unique.expectEnd();

    ndr::Reader full(stub);
    EXPECT_EQ(full.fullPointer(), ndr::Reader::Full::first);
    EXPECT_EQ(full.fullPointer(), ndr::Reader::Full::null);
    EXPECT_EQ(full.fullPointer(), ndr::Reader::Full::first);
    EXPECT_EQ(full.fullPointer(), ndr::Reader::Full::repeat);
}

TEST(Ndr, StringsRoundTrip)
{
    const std::u16string texts[] = {u"", u"a", u"\\\\server", u"C:\\Partage\\Données\\日本語.txt",
        u"emoji \U0001F600 pair", std::u16string(32767, u'x')};
    for (const std::u16string& text : texts) {
        ndr::Writer writer;
        writer.u16(1);  // a string after a 2-byte field starts aligned to 4
        writer.string(text);
        const Bytes stub = writer.take();
        EXPECT_EQ(stub.size(), 4 + 12 + 2 * (text.size() + 1));
        ndr::Reader reader(stub);
        reader.u16();
        EXPECT_EQ(reader.string(), text);
        reader.expectEnd();
    }
}

TEST(Ndr, StringWireForm)
{
    ndr::Writer writer;
    writer.uniqueString(std::u16string(u"\\\\s"));
    writer.uniqueString(std::nullopt);
    EXPECT_EQ(writer.take(), (Bytes{0x00, 0x00, 0x02, 0x00, 4, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0,
        '\\', 0, '\\', 0, 's', 0, 0, 0, 0, 0, 0, 0}));
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

TEST(Ndr, ConformanceIsCheckedBeforeSizing)
{
    ByteWriter bytes;
    bytes.u32(3);
    bytes.zeros(3 * 20);
    const Bytes three = bytes.take();
    {
        ndr::Reader reader(three);
        EXPECT_EQ(reader.conformance(20, 1000, "records"), 3u);
    }
    {
        ndr::Reader reader(three);
        EXPECT_THROW(reader.conformance(20, 2, "records"), ProtocolError);  // above the limit
    }
    {
        ndr::Reader reader(three);
        EXPECT_THROW(reader.conformance(21, 1000, "records"), ProtocolError);  // beyond the bytes
    }
    const Bytes huge{0xff, 0xff, 0xff, 0xff};
    ndr::Reader reader(huge);
    EXPECT_THROW(reader.conformance(20, 1u << 20, "records"), ProtocolError);
}

TEST(Ndr, LeftoverBytesAreRefused)
{
    const Bytes five{1, 0, 0, 0, 0};
    ndr::Reader reader(five);
    reader.u32();
    EXPECT_THROW(reader.expectEnd(), ProtocolError);
    EXPECT_THROW(reader.u32(), ProtocolError);
}

} // namespace
