#include "NetApi32Calls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Text = std::optional<std::wstring>;

struct Record {
    DWORD id, permissions, locks;
    Text path, user;
};

// What the fake NetFileEnum serves, and what the source must make of it.
struct EnumCase {
    const char* name;
    QString server;
    NET_API_STATUS status;
    std::vector<Record> served;
    bool handsOutBuffer;
    DWORD entriesRead;
    std::uint32_t expectedStatus;
    std::vector<Record> expected;
};

const std::vector<EnumCase> enumCases = {
    {"records in the server's order with UTF-16 texts, absent texts kept absent", "\\\\fs01", NERR_Success,
        {{7, 3, 1, L"C:\\Données\\été.txt", L"Zoë"}, {0xFFFFFFFF, 0x10007, 0, std::nullopt, L"bob"},
            {42, 0, 2, L"d:\\\U0001D11E.mid", std::nullopt}},
        true, 3, NERR_Success,
        {{7, 3, 1, L"C:\\Données\\été.txt", L"Zoë"}, {0xFFFFFFFF, 0x10007, 0, std::nullopt, L"bob"},
            {42, 0, 2, L"d:\\\U0001D11E.mid", std::nullopt}}},
    {"an empty answer without a buffer", "\\\\fs01", NERR_Success, {}, false, 0, NERR_Success, {}},
    {"a failure that leaves a buffer behind", "\\\\fs01", ERROR_ACCESS_DENIED, {{1, 1, 0, L"c:\\a", L"u"}}, true,
        1, ERROR_ACCESS_DENIED, {}},
    {"records claimed without a buffer", "\\\\fs01", NERR_Success, {}, false, 2, ERROR_INVALID_DATA, {}},
    {"a name typed with the prefix reaches the server with both prefixes", "\\\\\\\\Søren", ERROR_BAD_NETPATH, {},
        false, 0, ERROR_BAD_NETPATH, {}},
};

LMSTR pointerTo(Text& text)
{
    return text ? text->data() : nullptr;
}

Text textOf(const std::optional<QString>& text)
{
    return text ? Text(text->toStdWString()) : std::nullopt;
}

auto fieldsOf(const Record& r)
{
    return std::tuple(r.id, r.permissions, r.locks, r.path, r.user);
}

TEST(NetApi32Source, ReadsTheLevelThreeBufferAndAlwaysHandsItBack)
{
    for (EnumCase c : enumCases) {
        SCOPED_TRACE(c.name);
        std::vector<FILE_INFO_3> buffer;
        for (Record& r : c.served)
            buffer.push_back({r.id, r.permissions, r.locks, pointerTo(r.path), pointerTo(r.user)});
        FILE_INFO_3 spare {};
        BYTE* const handedOut = !c.handsOutBuffer ? nullptr
            : reinterpret_cast<BYTE*>(buffer.empty() ? &spare : buffer.data());

        std::wstring seenServer;
        bool noBaseOrUser = false;
        DWORD seenLevel = 0, seenLength = 0;
        DWORD_PTR seenResume = 1;
        std::vector<void*> freed;
        NetApi32Calls calls;
        calls.fileEnum = [&](LMSTR server, LMSTR base, LMSTR user, DWORD level, LPBYTE* out, DWORD length,
                             LPDWORD read, LPDWORD total, PDWORD_PTR resume) {
            std::tie(seenServer, noBaseOrUser, seenLevel, seenLength, seenResume) =
                std::tuple(server, base == nullptr && user == nullptr, level, length, *resume);
            *out = handedOut;
            *read = *total = c.entriesRead;
            return c.status;
        };
        calls.bufferFree = [&](LPVOID b) {
            freed.push_back(b);
            return NET_API_STATUS(NERR_Success);
        };

        const OpenFileList list = enumerateOpenFiles(calls, c.server);

        EXPECT_EQ(seenServer, c.server.toStdWString());
        EXPECT_TRUE(noBaseOrUser);
        EXPECT_EQ(seenLevel, 3u);
        EXPECT_EQ(seenLength, MAX_PREFERRED_LENGTH);
        EXPECT_EQ(seenResume, 0u);
        EXPECT_EQ(list.status, c.expectedStatus);
        ASSERT_EQ(list.records.size(), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            const OpenFileRecord& r = list.records[i];
            EXPECT_EQ(fieldsOf({r.id, r.permissions, r.numLocks, textOf(r.pathName), textOf(r.userName)}),
                fieldsOf(c.expected[i]));
        }
        EXPECT_EQ(std::count(freed.begin(), freed.end(), handedOut), handedOut ? 1 : freed.size());
    }
}

TEST(NetApi32Source, ClosesByIdentifierAndAnswersTheStatusUnchanged)
{
    const struct {
        QString server;
        std::uint32_t id;
        NET_API_STATUS status;
    } cases[] = {{"\\\\fs01", 7, NERR_Success}, {"\\\\Søren", 0xFFFFFFFF, NERR_FileIdNotFound}};
    for (const auto& c : cases) {
        std::wstring seenServer;
        DWORD seenId = 0;
        NetApi32Calls calls;
        calls.fileClose = [&](LMSTR server, DWORD id) {
            std::tie(seenServer, seenId) = std::tuple(server, id);
            return c.status;
        };
        EXPECT_EQ(closeOpenFile(calls, c.server, c.id), c.status);
        EXPECT_EQ(seenServer, c.server.toStdWString());
        EXPECT_EQ(seenId, c.id);
    }
}

} // namespace
