#pragma once

#include "WireBytes.h"

#include <cstdint>
#include <string>

// The bodies of the requests after NEGOTIATE, and the parsers of their responses. A parser
// takes the whole message (its offsets count from the header) and checks every size, offset
// and length in it.
namespace smb2 {

Bytes sessionSetupRequestBody(std::uint16_t securityMode, ByteView token);

namespace sessionFlags {
constexpr std::uint16_t isGuest = 0x1;
constexpr std::uint16_t isNull = 0x2;
constexpr std::uint16_t encryptData = 0x4;
} // namespace sessionFlags

struct SessionSetupResponse {
    std::uint16_t sessionFlags = 0;
    Bytes token;
};
SessionSetupResponse parseSessionSetupResponse(ByteView message);

// path as \\host\share
Bytes treeConnectRequestBody(const std::u16string& path);

struct TreeConnectResponse {
    bool encryptData = false;
};
TreeConnectResponse parseTreeConnectResponse(ByteView message);

struct FileId {
    std::uint64_t persistent = 0;
    std::uint64_t volatile_ = 0;
};

// Opens an existing named pipe for reading and writing.
Bytes createPipeRequestBody(const std::u16string& name);
FileId parseCreateResponse(ByteView message);

Bytes closeRequestBody(FileId file);
void parseCloseResponse(ByteView message);

Bytes readRequestBody(FileId file, std::uint32_t length);
// The data read, at most maxLength bytes.
ByteView parseReadResponse(ByteView message, std::uint32_t maxLength);

namespace fsctl {
constexpr std::uint32_t pipeTransceive = 0x0011C017;
constexpr std::uint32_t validateNegotiateInfo = 0x00140204;
} // namespace fsctl

// The file id every bit set addresses no file (FSCTL_VALIDATE_NEGOTIATE_INFO).
constexpr FileId noFile{~std::uint64_t{0}, ~std::uint64_t{0}};

Bytes ioctlRequestBody(std::uint32_t control, FileId file, ByteView input, std::uint32_t maxOutput);
// The output of the control, at most maxOutput bytes.
ByteView parseIoctlResponse(ByteView message, std::uint32_t control, std::uint32_t maxOutput);

} // namespace smb2
