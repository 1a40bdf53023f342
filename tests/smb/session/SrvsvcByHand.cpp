#include "SrvsvcByHand.h"

namespace srvsvcByHand {

namespace {

void header(ByteWriter& pdu, std::uint8_t type, std::uint32_t callId)
{
    pdu.u8(5);
    pdu.u8(0);
    pdu.u8(type);
    pdu.u8(0x3);  // first and last fragment
    pdu.u32(0x10);  // little-endian, ASCII, IEEE
    pdu.u16(0);  // fragment length, patched
    pdu.u16(0);
    pdu.u32(callId);
}

// The fixed UUID layout: three little-endian fields, then eight bytes as they are.
void uuid(ByteWriter& pdu, std::uint32_t a, std::uint16_t b, std::uint16_t c, std::initializer_list<std::uint8_t> rest)
{
    pdu.u32(a);
    pdu.u16(b);
    pdu.u16(c);
    for (const std::uint8_t byte : rest)
        pdu.u8(byte);
}

} // namespace

Bytes bind(std::uint16_t maxFragment)
{
    ByteWriter pdu;
    header(pdu, 11, 1);
    pdu.u16(maxFragment);
    pdu.u16(maxFragment);
    pdu.u32(0);
    pdu.u8(1);  // one presentation context
    pdu.zeros(3);
    pdu.u16(0);
    pdu.u8(1);
    pdu.u8(0);
    uuid(pdu, 0x4B324FC8, 0x1670, 0x01D3, {0x12, 0x78, 0x5A, 0x47, 0xBF, 0x6E, 0xE1, 0x88});  // srvsvc 3.0
    pdu.u16(3);
    pdu.u16(0);
    uuid(pdu, 0x8A885D04, 0x1CEB, 0x11C9, {0x9F, 0xE8, 0x08, 0x00, 0x2B, 0x10, 0x48, 0x60});  // NDR 2.0
    pdu.u32(2);
    pdu.patch16(8, static_cast<std::uint16_t>(pdu.size()));
    return pdu.take();
}

Bytes shareEnumRequest(const std::u16string& server)
{
    ByteWriter stub;
    const std::uint32_t characters = static_cast<std::uint32_t>(server.size() + 1);
    stub.u32(0x00020000);  // ServerName, unique
    stub.u32(characters);
    stub.u32(0);
    stub.u32(characters);
    for (const char16_t unit : server)
        stub.u16(unit);
    stub.u16(0);
    stub.align(4);
    stub.u32(1);  // level
    stub.u32(1);  // the union's discriminant
    stub.u32(0x00020004);  // SHARE_INFO_1_CONTAINER
    stub.u32(0);
    stub.u32(0);  // no buffer
    stub.u32(0xFFFFFFFF);  // preferred maximum length
    stub.u32(0x00020008);  // resume handle
    stub.u32(0);

    ByteWriter pdu;
    header(pdu, 0, 2);
    pdu.u32(static_cast<std::uint32_t>(stub.size()));
    pdu.u16(0);
    pdu.u16(15);  // NetrShareEnum
    pdu.bytes(stub.view());
    pdu.patch16(8, static_cast<std::uint16_t>(pdu.size()));
    return pdu.take();
}

Fragment fragment(ByteView pdu)
{
    ByteReader reader(pdu);
    reader.skip(2);
    Fragment result;
    result.type = reader.u8();
    result.flags = reader.u8();
    reader.skip(4);
    result.length = reader.u16();
    if (result.type == responseType) {
        reader.skip(6);
        result.allocHint = reader.u32();
    }
    return result;
}

std::uint16_t serverFragmentSize(ByteView bindAck)
{
    ByteReader reader(bindAck);
    reader.seek(16);
    return reader.u16();
}

} // namespace srvsvcByHand
