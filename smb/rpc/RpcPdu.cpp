#include "RpcPdu.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace rpc {

namespace {

constexpr std::uint8_t rpcVersion = 5;
constexpr std::uint8_t rpcVersionMinor = 0;
// Little-endian integers and ASCII characters in the first byte, IEEE floats in the second.
constexpr std::uint8_t drepLittleEndianAscii = 0x10;
constexpr std::uint8_t integerLittleEndian = 0x10;

std::string hex32(std::uint32_t value)
{
    char text[11];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
    return text;
}

// Writes the common header with frag_length 0; patchLength fills it in once the PDU is whole.
void writeHeader(ByteWriter& writer, PduType type, std::uint8_t flags, std::uint32_t callId)
{
    writer.u8(rpcVersion);
    writer.u8(rpcVersionMinor);
    writer.u8(static_cast<std::uint8_t>(type));
    writer.u8(flags);
    writer.u8(drepLittleEndianAscii);
    writer.zeros(3);
    writer.u16(0);  // frag_length
    writer.u16(0);  // auth_length
    writer.u32(callId);
}

Bytes finish(ByteWriter& writer)
{
    if (writer.size() > 0xFFFF)
        throw std::length_error("an RPC PDU cannot exceed 65,535 bytes");
    writer.patch16(8, static_cast<std::uint16_t>(writer.size()));
    return writer.take();
}

void writeSyntax(ByteWriter& writer, const SyntaxId& syntax)
{
    writer.bytes(syntax.uuid);
    writer.u16(syntax.versionMajor);
    writer.u16(syntax.versionMinor);
}

SyntaxId readSyntax(ByteReader& reader)
{
    SyntaxId syntax{};
    const ByteView uuid = reader.bytes(syntax.uuid.size());
    std::copy(uuid.begin(), uuid.end(), syntax.uuid.begin());
    syntax.versionMajor = reader.u16();
    syntax.versionMinor = reader.u16();
    return syntax;
}

} // namespace

// 8a885d04-1ceb-11c9-9fe8-08002b104860 version 2.0
const SyntaxId ndrTransferSyntax{
    {0x04, 0x5d, 0x88, 0x8a, 0xeb, 0x1c, 0xc9, 0x11, 0x9f, 0xe8, 0x08, 0x00, 0x2b, 0x10, 0x48, 0x60}, 2, 0};

RpcFault::RpcFault(std::uint32_t status)
    : std::runtime_error("the server answered the call with RPC fault " + hex32(status))
    , m_status(status)
{
}

PduHeader parseHeader(ByteView pdu, std::uint16_t maxFragment)
{
    ByteReader reader(pdu);
    if (pdu.size() < commonHeaderLength)
        throw ProtocolError("an RPC PDU shorter than its header");
    const std::uint8_t version = reader.u8();
    const std::uint8_t versionMinor = reader.u8();
    if (version != rpcVersion || versionMinor != rpcVersionMinor)
        throw ProtocolError("an RPC PDU of version " + std::to_string(version) + "." + std::to_string(versionMinor));
    PduHeader header;
    header.type = reader.u8();
    header.flags = reader.u8();
    const ByteView drep = reader.bytes(4);
    // Only the integer representation matters: the client reads no characters of the packed
    // representation's kind and no floats.
    if ((drep[0] & 0xF0) != integerLittleEndian)
        throw ProtocolError("an RPC PDU in big-endian data representation");
    header.fragLength = reader.u16();
    const std::uint16_t authLength = reader.u16();
    header.callId = reader.u32();
    if (header.fragLength != pdu.size())
        throw ProtocolError("an RPC PDU whose frag_length is not the bytes received");
    if (header.fragLength > maxFragment)
        throw ProtocolError("an RPC PDU larger than the negotiated fragment size");
    if (authLength != 0)
        throw ProtocolError("an RPC PDU with an authentication trailer on an unauthenticated binding");
    return header;
}

Bytes encodeBind(std::uint32_t callId, const SyntaxId& interface, std::uint16_t maxXmitFrag,
    std::uint16_t maxRecvFrag)
{
    ByteWriter writer;
    writeHeader(writer, PduType::bind, pfcFirstFrag | pfcLastFrag, callId);
    writer.u16(maxXmitFrag);
    writer.u16(maxRecvFrag);
    writer.u32(0);  // assoc_group_id: a new association
    writer.u8(1);   // n_context_elem
    writer.zeros(3);
    writer.u16(0);  // p_cont_id
    writer.u8(1);   // n_transfer_syn
    writer.u8(0);
    writeSyntax(writer, interface);
    writeSyntax(writer, ndrTransferSyntax);
    return finish(writer);
}

BindAck decodeBindAck(ByteView pdu, std::uint32_t callId, std::uint16_t maxFragment)
{
    const PduHeader header = parseHeader(pdu, maxFragment);
    if (header.callId != callId)
        throw ProtocolError("the bind's answer carries another call_id");
    ByteReader reader(pdu);
    reader.seek(commonHeaderLength);
    if (header.type == static_cast<std::uint8_t>(PduType::bindNak)) {
        const std::uint16_t reason = reader.u16();
        throw BindRefused("the server refused the bind (bind_nak reason " + std::to_string(reason) + ")");
    }
    if (header.type != static_cast<std::uint8_t>(PduType::bindAck))
        throw ProtocolError("the bind was answered by an RPC PDU of type " + std::to_string(header.type));
    if ((header.flags & (pfcFirstFrag | pfcLastFrag)) != (pfcFirstFrag | pfcLastFrag))
        throw ProtocolError("a bind_ack that is not one whole fragment");

    BindAck ack;
    ack.maxXmitFrag = reader.u16();
    ack.maxRecvFrag = reader.u16();
    reader.skip(4);  // assoc_group_id
    const std::uint16_t secondaryAddressLength = reader.u16();
    reader.skip(secondaryAddressLength);
    reader.align(4);
    const std::uint8_t results = reader.u8();
    reader.skip(3);
    if (results != 1)
        throw ProtocolError("a bind_ack with " + std::to_string(results) + " results for one presentation context");
    const std::uint16_t result = reader.u16();
    const std::uint16_t reason = reader.u16();
    const SyntaxId transfer = readSyntax(reader);
    // What follows is the auth_info, empty with auth_length 0; it is not read.
    if (result != 0) {
        throw BindRefused("the server rejected the presentation context (result " + std::to_string(result)
            + ", reason " + std::to_string(reason) + ")");
    }
    if (transfer != ndrTransferSyntax)
        throw ProtocolError("the bind_ack accepts a transfer syntax other than NDR");
    if (ack.maxXmitFrag < minFragment || ack.maxRecvFrag < minFragment)
        throw ProtocolError("the bind_ack grants fragments below 1,432 bytes");
    return ack;
}

Bytes encodeRequest(std::uint32_t callId, std::uint16_t contextId, std::uint16_t opnum, ByteView stub)
{
    ByteWriter writer;
    writeHeader(writer, PduType::request, pfcFirstFrag | pfcLastFrag, callId);
    writer.u32(static_cast<std::uint32_t>(stub.size()));  // alloc_hint
    writer.u16(contextId);
    writer.u16(opnum);
    writer.bytes(stub);
    return finish(writer);
}

ResponseBody parseResponse(ByteView pdu)
{
    ByteReader reader(pdu);
    reader.seek(commonHeaderLength);
    ResponseBody body;
    body.allocHint = reader.u32();
    body.contextId = reader.u16();
    reader.skip(2);  // cancel_count, reserved
    body.stub = reader.bytes(reader.remaining());
    return body;
}

std::uint32_t parseFaultStatus(ByteView pdu)
{
    ByteReader reader(pdu);
    reader.seek(commonHeaderLength);
    reader.skip(8);  // alloc_hint, p_cont_id, cancel_count, flags
    const std::uint32_t status = reader.u32();
    reader.skip(4);  // reserved
    return status;
}

} // namespace rpc
