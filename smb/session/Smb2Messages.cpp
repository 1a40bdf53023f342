#include "Smb2Messages.h"

#include "Smb2Header.h"

namespace smb2 {

namespace {

constexpr std::uint32_t fileOpen = 1;
constexpr std::uint32_t impersonation = 2;
// FILE_GENERIC_READ | FILE_GENERIC_WRITE: the data and attributes of the pipe, both ways.
constexpr std::uint32_t pipeAccess = 0x0012019F;
constexpr std::uint32_t shareReadWrite = 0x3;
constexpr std::uint32_t isFsctl = 0x1;

// Each request body's fixed part, its variable part starting right after at these offsets.
constexpr std::uint16_t sessionSetupBufferOffset = headerSize + 24;
constexpr std::uint16_t treeConnectBufferOffset = headerSize + 8;
constexpr std::uint16_t createBufferOffset = headerSize + 56;
constexpr std::uint32_t ioctlBufferOffset = headerSize + 56;

void writeFileId(ByteWriter& writer, FileId file)
{
    writer.u64(file.persistent);
    writer.u64(file.volatile_);
}

void writeUtf16(ByteWriter& writer, const std::u16string& text)
{
    for (const char16_t unit : text)
        writer.u16(unit);
}

} // namespace

Bytes sessionSetupRequestBody(std::uint16_t securityMode, ByteView token)
{
    ByteWriter body;
    body.u16(25);
    body.u8(0);  // no channel binding
    body.u8(static_cast<std::uint8_t>(securityMode));
    body.u32(0);
    body.u32(0);
    body.u16(sessionSetupBufferOffset);
    body.u16(static_cast<std::uint16_t>(checkedLength(token.size(), 0xFFFF, "security token")));
    body.u64(0);
    body.bytes(token);
    return body.take();
}

SessionSetupResponse parseSessionSetupResponse(ByteView message)
{
    ByteReader reader = readBody(message, 9);
    SessionSetupResponse response;
    response.sessionFlags = reader.u16();
    const std::uint16_t offset = reader.u16();
    const std::uint16_t length = reader.u16();
    const ByteView token = messageBuffer(message, offset, length, headerSize + 8, "session setup token");
    response.token.assign(token.begin(), token.end());
    return response;
}

Bytes treeConnectRequestBody(const std::u16string& path)
{
    ByteWriter body;
    body.u16(9);
    body.u16(0);
    body.u16(treeConnectBufferOffset);
    body.u16(static_cast<std::uint16_t>(checkedLength(path.size() * 2, 0xFFFF, "tree path")));
    writeUtf16(body, path);
    return body.take();
}

TreeConnectResponse parseTreeConnectResponse(ByteView message)
{
    constexpr std::uint8_t pipeShare = 2;
    constexpr std::uint32_t encryptDataFlag = 0x8000;
    ByteReader reader = readBody(message, 16);
    if (reader.u8() != pipeShare)
        throw ProtocolError("IPC$ is not a pipe share");
    reader.skip(1);
    return TreeConnectResponse{(reader.u32() & encryptDataFlag) != 0};
}

Bytes createPipeRequestBody(const std::u16string& name)
{
    ByteWriter body;
    body.u16(57);
    body.u8(0);
    body.u8(0);  // no oplock
    body.u32(impersonation);
    body.u64(0);
    body.u64(0);
    body.u32(pipeAccess);
    body.u32(0);
    body.u32(shareReadWrite);
    body.u32(fileOpen);
    body.u32(0);
    body.u16(createBufferOffset);
    body.u16(static_cast<std::uint16_t>(checkedLength(name.size() * 2, 0xFFFF, "pipe name")));
    body.u32(0);
    body.u32(0);
    writeUtf16(body, name);
    if (name.empty())
        body.u8(0);  // the buffer is never empty
    return body.take();
}

FileId parseCreateResponse(ByteView message)
{
    ByteReader reader = readBody(message, 89);
    reader.skip(2 + 4 + 4 * 8 + 8 + 8 + 4 + 4);
    FileId file;
    file.persistent = reader.u64();
    file.volatile_ = reader.u64();
    const std::uint32_t contextsOffset = reader.u32();
    messageBuffer(message, contextsOffset, reader.u32(), headerSize + 88, "create contexts");
    return file;
}

Bytes closeRequestBody(FileId file)
{
    ByteWriter body;
    body.u16(24);
    body.u16(0);
    body.u32(0);
    writeFileId(body, file);
    return body.take();
}

void parseCloseResponse(ByteView message)
{
    readBody(message, 60);
}

Bytes readRequestBody(FileId file, std::uint32_t length)
{
    ByteWriter body;
    body.u16(49);
    body.u8(0x50);  // padding: where the data of the response should start
    body.u8(0);
    body.u32(length);
    body.u64(0);
    writeFileId(body, file);
    body.u32(0);  // minimum count
    body.u32(0);  // channel
    body.u32(0);  // remaining
    body.u16(0);
    body.u16(0);
    body.u8(0);  // the buffer is never empty
    return body.take();
}

ByteView parseReadResponse(ByteView message, std::uint32_t maxLength)
{
    ByteReader reader = readBody(message, 17);
    const std::uint8_t offset = reader.u8();
    reader.skip(1);
    const std::uint32_t length = reader.u32();
    if (length > maxLength)
        throw ProtocolError("READ answered more than was asked");
    return messageBuffer(message, offset, length, headerSize + 16, "read data");
}

Bytes ioctlRequestBody(std::uint32_t control, FileId file, ByteView input, std::uint32_t maxOutput)
{
    ByteWriter body;
    body.u16(57);
    body.u16(0);
    body.u32(control);
    writeFileId(body, file);
    body.u32(input.empty() ? 0 : ioctlBufferOffset);
    body.u32(static_cast<std::uint32_t>(input.size()));
    body.u32(0);  // max input response
    body.u32(0);
    body.u32(0);
    body.u32(maxOutput);
    body.u32(isFsctl);
    body.u32(0);
    body.bytes(input);
    return body.take();
}

ByteView parseIoctlResponse(ByteView message, std::uint32_t control, std::uint32_t maxOutput)
{
    ByteReader reader = readBody(message, 49);
    reader.skip(2);
    if (reader.u32() != control)
        throw ProtocolError("IOCTL answered another control");
    reader.skip(16 + 4 + 4);  // file id, input offset and count
    const std::uint32_t offset = reader.u32();
    const std::uint32_t length = reader.u32();
    if (length > maxOutput)
        throw ProtocolError("IOCTL answered more than was asked");
    return messageBuffer(message, offset, length, headerSize + 48, "IOCTL output");
}

} // namespace smb2
