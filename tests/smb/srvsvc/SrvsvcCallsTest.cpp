#include "SrvsvcCalls.h"

#include "Ndr.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using srvsvc::FileEnumAnswer;
using srvsvc::FileInfo3;

// How the test server lays out its answer, and where it lies.
struct Shape {
    std::uint32_t level = 3;
    std::uint32_t arm = 3;
    bool nullContainer = false;
    bool nullArray = false;
    std::optional<std::uint32_t> entriesRead = std::nullopt;  // the number of files unless given
    std::optional<std::uint32_t> maxCount = std::nullopt;     // the number of files unless given
};

// A NetrFileEnum answer as a server writes it (as Samba's srvsvc.idl lays it out): the
// FILE_ENUM_STRUCT with its deferred container, array and strings, TotalEntries, the resume
// handle, the WERROR.
Bytes encodeAnswer(const FileEnumAnswer& answer, const Shape& shape = {})
{
    ndr::Writer writer;
    writer.u32(shape.level);
    writer.u32(shape.arm);
    writer.pointer(!shape.nullContainer);
    if (!shape.nullContainer) {
        writer.u32(shape.entriesRead.value_or(static_cast<std::uint32_t>(answer.files.size())));
        writer.pointer(!shape.nullArray);
        if (!shape.nullArray) {
            writer.conformance(shape.maxCount.value_or(static_cast<std::uint32_t>(answer.files.size())));
            for (const FileInfo3& file : answer.files) {
                writer.u32(file.id);
                writer.u32(file.permissions);
                writer.u32(file.numLocks);
                writer.pointer(file.pathName.has_value());
                writer.pointer(file.userName.has_value());
            }
            for (const FileInfo3& file : answer.files) {
                if (file.pathName)
                    writer.string(*file.pathName);
                if (file.userName)
                    writer.string(*file.userName);
            }
        }
    }
    writer.u32(answer.totalEntries);
    writer.pointer(answer.resumeHandle.has_value());
    if (answer.resumeHandle)
        writer.u32(*answer.resumeHandle);
    writer.u32(answer.status);
    return writer.take();
}

std::u16string digits(std::size_t n)
{
    std::u16string text;
    for (const char c : std::to_string(n))
        text.push_back(static_cast<char16_t>(c));
    return text;
}

// Samba's ids: the process id above 16 bits, the open counter below.
FileEnumAnswer manyFiles(std::size_t count)
{
    FileEnumAnswer answer;
    for (std::size_t i = 0; i < count; ++i) {
        FileInfo3 file;
        file.id = static_cast<std::uint32_t>((4242u << 16) | i);
        file.permissions = (i % 3 == 0) ? 0x3 : 0x1;
        file.numLocks = static_cast<std::uint32_t>(i % 2);
        file.pathName = u"/srv/share/projets/rapport-" + digits(i) + u".odt";
        file.userName = (i % 5 == 0) ? u"DOMAINE\\élodie" : u"bob";
        answer.files.push_back(std::move(file));
    }
    answer.totalEntries = static_cast<std::uint32_t>(count);
    return answer;
}

TEST(Srvsvc, FileEnumRequest)
{
    const Bytes head{
        0x00, 0x00, 0x02, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00,  // ServerName
        '\\', 0, '\\', 0, 's', 0, 'r', 0, 'v', 0, 0, 0,
        0x00, 0x00, 0x00, 0x00,  // BasePath
        0x00, 0x00, 0x00, 0x00,  // UserName
        0x03, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00,  // level 3, arm 3, container
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // EntriesRead 0, Buffer null
        0xff, 0xff, 0xff, 0xff};  // PreferedMaximumLength
    Bytes first = head;
    first.insert(first.end(), {0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(srvsvc::encodeFileEnum(u"\\\\srv", std::nullopt), first);
    Bytes next = head;
    next.insert(next.end(), {0x08, 0x00, 0x02, 0x00, 0x20, 0x01, 0x00, 0x00});
    EXPECT_EQ(srvsvc::encodeFileEnum(u"\\\\srv", 0x120), next);
}

TEST(Srvsvc, FileCloseRequestAndAnswer)
{
    EXPECT_EQ(srvsvc::encodeFileClose(u"\\\\s", 0x10920003),
        (Bytes{0x00, 0x00, 0x02, 0x00, 4, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, '\\', 0, '\\', 0, 's', 0, 0, 0,
            0x03, 0x00, 0x92, 0x10}));
    EXPECT_EQ(srvsvc::decodeFileClose(Bytes{0, 0, 0, 0}), 0u);
    EXPECT_EQ(srvsvc::decodeFileClose(Bytes{0x05, 0, 0, 0}), 5u);  // access denied
    EXPECT_THROW(srvsvc::decodeFileClose(Bytes{0, 0, 0}), ProtocolError);
    EXPECT_THROW(srvsvc::decodeFileClose(Bytes{0, 0, 0, 0, 0}), ProtocolError);
}

TEST(Srvsvc, FileEnumAnswers)
{
    struct Case {
        const char* name;
        FileEnumAnswer answer;
        Shape shape;
    };
    std::vector<Case> cases;
    cases.push_back({"no files, no array", {}, {.nullArray = true}});
    cases.push_back({"no files, an empty array", {}, {}});
    {
        FileEnumAnswer one;
        one.files.push_back({0x10920001, 0x3, 0, u"C:\\Partage\\a.txt", u"alice"});
        one.totalEntries = 1;
        cases.push_back({"one file", one, {}});
    }
    {
        FileEnumAnswer absent;
        absent.files.push_back({1, 1, 0, std::nullopt, u"alice"});
        absent.files.push_back({2, 1, 0, u"/srv/b", std::nullopt});
        absent.files.push_back({3, 1, 0, std::nullopt, std::nullopt});
        absent.files.push_back({4, 1, 0, u"", u""});
        absent.totalEntries = 4;
        cases.push_back({"absent and empty texts", absent, {}});
    }
    {
        FileEnumAnswer wide;
        wide.files.push_back({7, 1, 2, u"/srv/Données/日本語/\U0001F600.txt", u"ÉLODIE"});
        wide.totalEntries = 1;
        cases.push_back({"non-ASCII texts", wide, {}});
    }
    {
        FileEnumAnswer windows = manyFiles(40);
        windows.status = srvsvc::errorMoreData;
        windows.totalEntries = 125;
        windows.resumeHandle = 0x120;
        cases.push_back({"a Windows chunk with more to come", windows, {}});
    }
    cases.push_back({"many files", manyFiles(3000), {}});
    {
        FileEnumAnswer denied;
        denied.status = 5;
        cases.push_back({"access denied, no container", denied, {.nullContainer = true}});
    }
    for (const Case& c : cases) {
        FileEnumAnswer decoded;
        ASSERT_NO_THROW(decoded = srvsvc::decodeFileEnum(encodeAnswer(c.answer, c.shape))) << c.name;
        EXPECT_EQ(decoded, c.answer) << c.name;
    }
}

TEST(Srvsvc, LyingFileEnumAnswersAreRefused)
{
    FileEnumAnswer two;
    two.files.push_back({1, 1, 0, u"/srv/a", u"alice"});
    two.files.push_back({2, 1, 0, u"/srv/b", u"bob"});
    two.totalEntries = 2;
    const Bytes honest = encodeAnswer(two);
    // Offsets within the honest answer: the array's max count at 20, the first record's fixed
    // part at 24, the first string (/srv/a: 7 units) at 64.
    constexpr std::size_t maxCountAt = 20;
    constexpr std::size_t pathAt = 64;
    ASSERT_EQ(honest[pathAt], 7);

    struct Case {
        const char* name;
        std::function<Bytes()> stub;
    };
    auto patch = [](Bytes bytes, std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return bytes;
    };
    auto patched = [&](std::size_t at, std::uint32_t value) { return patch(honest, at, value); };
    const Case cases[] = {
        {"level 2", [&] { return encodeAnswer(two, {.level = 2}); }},
        {"arm 2", [&] { return encodeAnswer(two, {.arm = 2}); }},
        {"EntriesRead above the array", [&] { return encodeAnswer(two, {.entriesRead = 3}); }},
        {"EntriesRead below the array", [&] { return encodeAnswer(two, {.entriesRead = 1}); }},
        {"array count above its records", [&] { return encodeAnswer(two, {.entriesRead = 3, .maxCount = 3}); }},
        {"entries and no array", [&] { return encodeAnswer(two, {.nullArray = true}); }},
        {"a count above the most records", [&] { return patched(maxCountAt, srvsvc::maxRecords + 1); }},
        {"a count of 4 G", [&] { return patched(maxCountAt, 0xFFFFFFFF); }},
        {"a string offset", [&] { return patched(pathAt + 4, 1); }},
        {"actual count above max count", [&] { return patched(pathAt, 6); }},
        {"a string running past the end", [&] { return patch(patched(pathAt, 4000), pathAt + 8, 4000); }},
        {"no terminator", [&] { Bytes b = honest; b[pathAt + 12 + 12] = 'x'; return b; }},
        {"a terminator inside", [&] { Bytes b = honest; b[pathAt + 12 + 2] = 0; return b; }},
        {"a byte left over", [&] { Bytes b = honest; b.push_back(0); return b; }},
    };
    EXPECT_EQ(srvsvc::decodeFileEnum(honest), two);
    for (const Case& c : cases)
        EXPECT_THROW(srvsvc::decodeFileEnum(c.stub()), ProtocolError) << c.name;
    // Cut anywhere, down to nothing: a clean refusal.
    for (std::size_t size = 0; size < honest.size(); ++size)
        EXPECT_THROW(srvsvc::decodeFileEnum(ByteView(honest.data(), size)), ProtocolError) << size;
}

} // namespace
