#include "Smb2Header.h"

#include "Smb2Errors.h"

#include <algorithm>
#include <string>

namespace smb2 {

namespace {

constexpr std::uint32_t smb2ProtocolId = 0x424D53FE;  // 0xFE 'S' 'M' 'B'
constexpr std::uint32_t smb1ProtocolId = 0x424D53FF;

} // namespace

void writeHeader(ByteWriter& writer, const Header& header)
{
    writer.u32(smb2ProtocolId);
    writer.u16(headerSize);
    writer.u16(header.creditCharge);
    writer.u32(header.status);
    writer.u16(static_cast<std::uint16_t>(header.command));
    writer.u16(header.credits);
    writer.u32(header.flags);
    writer.u32(0);  // no compound chains
    writer.u64(header.messageId);
    writer.u32(0);
    writer.u32(header.treeId);
    writer.u64(header.sessionId);
    writer.zeros(16);
}

Header readResponseHeader(ByteView message)
{
    ByteReader reader(message);
    const std::uint32_t protocolId = reader.u32();
    if (protocolId == smb1ProtocolId)
        throw DialectNotSpoken("the server answered in SMB1 only");
    if (protocolId != smb2ProtocolId)
        throw ProtocolError("not an SMB2 message");
    if (reader.u16() != headerSize)
        throw ProtocolError("SMB2 header of the wrong size");
    Header header;
    header.creditCharge = reader.u16();
    header.status = reader.u32();
    header.command = static_cast<Command>(reader.u16());
    header.credits = reader.u16();
    header.flags = reader.u32();
    if (reader.u32() != 0)
        throw ProtocolError("a compound response to a single request");
    header.messageId = reader.u64();
    if (header.flags & flags::asyncCommand) {
        reader.skip(8);  // the async id, in place of the tree id
    } else {
        reader.skip(4);
        header.treeId = reader.u32();
    }
    header.sessionId = reader.u64();
    reader.skip(16);
    if (!(header.flags & flags::serverToRedirector))
        throw ProtocolError("a request where a response belongs");
    return header;
}

bool isInterim(const Header& header)
{
    return header.status == status::pending && (header.flags & flags::asyncCommand);
}


ByteReader readBody(ByteView message, std::uint16_t structureSize)
{
    ByteReader reader(message);
    reader.seek(std::min(message.size(), headerSize));
    if (reader.u16() != structureSize)
        throw ProtocolError("response body of the wrong structure size");
    // The odd sizes count the first byte of the variable part; the fixed part is the rest.
    if (message.size() < headerSize + (structureSize & ~1u))
        throw ProtocolError("response body shorter than its structure");
    return reader;
}

ByteView messageBuffer(ByteView message, std::uint64_t offset, std::uint64_t length, std::size_t fixedEnd,
                       const char* what)
{
    if (length == 0)
        return {};
    if (offset < fixedEnd || offset > message.size() || length > message.size() - offset)
        throw ProtocolError(std::string(what) + " lies outside the response");
    return message.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

} // namespace smb2
