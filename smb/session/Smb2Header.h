#pragma once

#include "Smb2Crypto.h"
#include "WireBytes.h"

#include <cstdint>

// The 64-byte header every SMB2 message starts with, and the names of the fields' values this
// client uses.
namespace smb2 {

enum class Command : std::uint16_t {
    negotiate = 0,
    sessionSetup = 1,
    treeConnect = 3,
    create = 5,
    close = 6,
    read = 8,
    ioctl = 11,
    cancel = 12,
};

namespace flags {
constexpr std::uint32_t serverToRedirector = 0x1;
constexpr std::uint32_t asyncCommand = 0x2;
constexpr std::uint32_t signed_ = 0x8;
} // namespace flags

namespace status {
constexpr std::uint32_t success = 0;
constexpr std::uint32_t pending = 0x00000103;
constexpr std::uint32_t bufferOverflow = 0x80000005;
constexpr std::uint32_t moreProcessingRequired = 0xC0000016;
constexpr std::uint32_t insufficientResources = 0xC000009A;
constexpr std::uint32_t pipeEmpty = 0xC00000D9;
constexpr std::uint32_t logonFailure = 0xC000006D;
} // namespace status

struct Header {
    std::uint16_t creditCharge = 0;
    std::uint32_t status = 0;
    Command command = Command::negotiate;
    std::uint16_t credits = 0;  // asked for in a request, granted in a response
    std::uint32_t flags = 0;
    std::uint64_t messageId = 0;
    std::uint32_t treeId = 0;
    std::uint64_t sessionId = 0;
};

void writeHeader(ByteWriter& writer, const Header& header);

// The header of one response. Throws DialectNotSpoken for an SMB1 message, ProtocolError for
// anything that is not a single SMB2 response.
Header readResponseHeader(ByteView message);

// An interim STATUS_PENDING response: the final one follows with the same message id.
bool isInterim(const Header& header);

// Reads a response body's fixed part: checks the structure size the command's body declares
// and answers a reader placed after it.
ByteReader readBody(ByteView message, std::uint16_t structureSize);

// A variable part a response body points at, checked to lie within the message and after the
// fixed part (offsets count from the start of the header). An empty part may point anywhere.
ByteView messageBuffer(ByteView message, std::uint64_t offset, std::uint64_t length, std::size_t fixedEnd,
                       const char* what);

} // namespace smb2
