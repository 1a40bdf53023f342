#pragma once

#include "RpcPipe.h"
#include "BytePieces.h"
#include "WireBytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The two calls of the server service (srvsvc) that list and close open files, as NDR stubs:
// NetrFileEnum at level 3 and NetrFileClose.
namespace srvsvc {

// The srvsvc interface, version 3.0.
extern const rpc::SyntaxId interfaceId;
constexpr std::uint16_t opNetrFileEnum = 9;
constexpr std::uint16_t opNetrFileClose = 11;
constexpr std::uint32_t errorMoreData = 234;  // another chunk follows (Windows pages its answer)

// One FILE_INFO_3 record. A text the server sends as a null pointer stays absent.
struct FileInfo3 {
    std::uint32_t id = 0;
    std::uint32_t permissions = 0;
    std::uint32_t numLocks = 0;
    std::optional<std::u16string> pathName;
    std::optional<std::u16string> userName;

    friend bool operator==(const FileInfo3&, const FileInfo3&) = default;
};

struct FileEnumAnswer {
    std::uint32_t status = 0;  // the method's return value: 0, 234 (more data) or an error
    std::vector<FileInfo3> files;
    std::uint32_t totalEntries = 0;
    std::optional<std::uint32_t> resumeHandle;

    friend bool operator==(const FileEnumAnswer&, const FileEnumAnswer&) = default;
};

// The most records one answer may carry; a count above it is a lie, refused before allocating.
constexpr std::size_t maxRecords = 1u << 20;

// server: "\\" + name, as UTF-16. No base path, no user, level 3, all data in one answer
// (PreferedMaximumLength 0xFFFFFFFF), the resume handle of the previous chunk or none.
Bytes encodeFileEnum(const std::u16string& server, std::optional<std::uint32_t> resumeHandle);
// Throws ProtocolError for anything that does not add up: a level or union arm other than 3,
// EntriesRead other than the array's count, a count above maxRecords or beyond the bytes left,
// a string whose offset, counts or terminator lie, a byte left over. A null container or a
// null array with EntriesRead 0 is an answer with no files.
FileEnumAnswer decodeFileEnum(const BytePieces& stub);

Bytes encodeFileClose(const std::u16string& server, std::uint32_t id);
std::uint32_t decodeFileClose(const BytePieces& stub);

} // namespace srvsvc
