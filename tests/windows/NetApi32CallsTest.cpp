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
    bool operator==(const Record&) const = default;
};

// What the fake NetFileEnum serves (in a buffer of its own, when there are records) and claims
// to have read, and the status the source must answer; when done, the records served.
struct EnumCase {
    const char* name;
    QString server;
    NET_API_STATUS status;
    std::vector<Record> served;
    DWORD entriesRead;
    SourceStatus expectedStatus;
};

const std::vector<EnumCase> enumCases = {
    {"records in the server's order with UTF-16 texts, absent texts kept absent", "\\\\fs01", NERR_Success,
        {{7, 3, 1, L"C:\\Données\\été.txt", L"Zoë"}, {0xFFFFFFFF, 0x10007, 0, std::nullopt, L"bob"},
            {42, 0, 2, L"d:\\\U0001D11E.mid", std::nullopt}},
        3, {}},
    {"an empty answer without a buffer", "\\\\fs01", NERR_Success, {}, 0, {}},
    {"a refusal that leaves a buffer behind", "\\\\fs01", ERROR_ACCESS_DENIED, {{1, 1, 0, L"c:\\a", L"u"}}, 1,
        {SourceOutcome::refusedLogin, ERROR_ACCESS_DENIED}},
    {"records claimed without a buffer", "\\\\fs01", NERR_Success, {}, 2, {SourceOutcome::failed, ERROR_INVALID_DATA}},
    {"a name typed with the prefix reaches the server with both prefixes", "\\\\\\\\Søren", ERROR_BAD_NETPATH,
        {}, 0, {SourceOutcome::unreachable, ERROR_BAD_NETPATH}},
    {"a server that is not there", "\\\\fs09", RPC_S_SERVER_UNAVAILABLE, {}, 0,
        {SourceOutcome::unreachable, RPC_S_SERVER_UNAVAILABLE}},
};

LMSTR pointerTo(Text& text)
{
    return text ? text->data() : nullptr;
}

Text textOf(const std::optional<QString>& text)
{
    return text ? Text(text->toStdWString()) : std::nullopt;
}

TEST(NetApi32Source, ReadsTheLevelThreeBufferAndAlwaysHandsItBack)
{
    for (EnumCase c : enumCases) {
        SCOPED_TRACE(c.name);
        std::vector<FILE_INFO_3> buffer;
        for (Record& r : c.served)
            buffer.push_back({r.id, r.permissions, r.locks, pointerTo(r.path), pointerTo(r.user)});
        BYTE* const handedOut = buffer.empty() ? nullptr : reinterpret_cast<BYTE*>(buffer.data());

        // The server, whether base path and user are left out, the level, the length, the resume handle.
        std::tuple<std::wstring, bool, DWORD, DWORD, DWORD_PTR> seen;
        std::vector<void*> freed;
        NetApi32Calls calls;
        calls.fileEnum = [&](LMSTR server, LMSTR base, LMSTR user, DWORD level, LPBYTE* out, DWORD length,
                             LPDWORD read, LPDWORD total, PDWORD_PTR resume) {
            seen = {server, base == nullptr && user == nullptr, level, length, *resume};
            *out = handedOut;
            *read = *total = c.entriesRead;
            return c.status;
        };
        calls.bufferFree = [&](LPVOID b) {
            freed.push_back(b);
            return NET_API_STATUS(NERR_Success);
        };

        const OpenFileList list = enumerateOpenFiles(calls, c.server);

        EXPECT_EQ(seen, std::tuple(c.server.toStdWString(), true, 3u, DWORD(MAX_PREFERRED_LENGTH), 0u));
        EXPECT_EQ(list.status, c.expectedStatus);
        std::vector<Record> answered;
        for (const OpenFileRecord& r : list.records)
            answered.push_back({r.id, r.permissions, r.numLocks, textOf(r.pathName), textOf(r.userName)});
        EXPECT_EQ(answered, c.expectedStatus == SourceStatus{} ? c.served : std::vector<Record>{});
        EXPECT_EQ(std::count(freed.begin(), freed.end(), handedOut), handedOut ? 1 : freed.size());
    }
}

TEST(NetApi32Source, ClosesByIdentifierAndAnswersTheStatusWithItsOutcome)
{
    const struct {
        QString server;
        std::uint32_t id;
        NET_API_STATUS status;
        SourceStatus expected;
    } cases[] = {{"\\\\fs01", 7, NERR_Success, {}},
        {"\\\\Søren", 0xFFFFFFFF, NERR_FileIdNotFound, {SourceOutcome::failed, NERR_FileIdNotFound}},
        {"\\\\fs01", 7, ERROR_LOGON_FAILURE, {SourceOutcome::refusedLogin, ERROR_LOGON_FAILURE}}};
    for (const auto& c : cases) {
        std::wstring seenServer;
        DWORD seenId = 0;
        NetApi32Calls calls;
        calls.fileClose = [&](LMSTR server, DWORD id) {
            std::tie(seenServer, seenId) = std::tuple(server, id);
            return c.status;
        };
        EXPECT_EQ(closeOpenFile(calls, c.server, c.id), c.expected);
        EXPECT_EQ(seenServer, c.server.toStdWString());
        EXPECT_EQ(seenId, c.id);
    }
}

} // namespace
