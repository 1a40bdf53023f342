#include "RpcPdu.h"
#include "RpcTestPdus.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using namespace rpc;
using rpctest::srvsvc;

TEST(RpcPdu, BindToSrvsvcWithNdr)
{
    const Bytes expected{
        0x05, 0x00, 0x0b, 0x03, 0x10, 0x00, 0x00, 0x00, 0x48, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00,
        0xd0, 0x16, 0xd0, 0x16, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00,
        0xc8, 0x4f, 0x32, 0x4b, 0x70, 0x16, 0xd3, 0x01, 0x12, 0x78, 0x5a, 0x47, 0xbf, 0x6e, 0xe1, 0x88,
        0x03, 0x00, 0x00, 0x00,
        0x04, 0x5d, 0x88, 0x8a, 0xeb, 0x1c, 0xc9, 0x11, 0x9f, 0xe8, 0x08, 0x00, 0x2b, 0x10, 0x48, 0x60,
        0x02, 0x00, 0x00, 0x00};
    EXPECT_EQ(encodeBind(7, srvsvc, 5840, 5840), expected);
}

TEST(RpcPdu, RequestCarriesOpnumAllocHintAndStub)
{
    const Bytes expected{
        0x05, 0x00, 0x00, 0x03, 0x10, 0x00, 0x00, 0x00, 0x1b, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
        0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00, 0xaa, 0xbb, 0xcc};
    EXPECT_EQ(encodeRequest(2, 0, 9, Bytes{0xaa, 0xbb, 0xcc}), expected);
}

TEST(RpcPdu, HeaderChecks)
{
    using rpctest::Pdu;
    struct Case {
        const char* name;
        std::function<void(Pdu&)> change;
        bool accepted;
    };
    const Case cases[] = {
        {"as sent", [](Pdu&) {}, true},
        {"other character and float representations", [](Pdu& p) { p.drep0 = 0x11; }, true},
        {"version 4", [](Pdu& p) { p.version = 4; }, false},
        {"version 5.1", [](Pdu& p) { p.versionMinor = 1; }, false},
        {"big-endian", [](Pdu& p) { p.drep0 = 0x00; }, false},
        {"frag_length above the bytes", [](Pdu& p) { p.fragLength = 60; }, false},
        {"frag_length below the bytes", [](Pdu& p) { p.fragLength = 30; }, false},
        {"frag_length below the header", [](Pdu& p) { p.fragLength = 8; }, false},
        {"auth_length", [](Pdu& p) { p.authLength = 16; }, false},
    };
    for (const Case& c : cases) {
        Pdu pdu;
        pdu.flags = pfcFirstFrag | pfcLastFrag;
        pdu.body = Bytes(16, 0xee);
        c.change(pdu);
        const Bytes bytes = rpctest::encode(pdu);
        if (c.accepted) {
            const PduHeader header = parseHeader(bytes, 5840);
            EXPECT_EQ(header.fragLength, bytes.size()) << c.name;
            EXPECT_EQ(header.callId, 1u) << c.name;
        } else {
            EXPECT_THROW(parseHeader(bytes, 5840), ProtocolError) << c.name;
        }
    }
    // Longer than the negotiated fragment, shorter than a header.
    EXPECT_THROW(parseHeader(rpctest::response(3, 100, Bytes(100)), 100), ProtocolError);
    EXPECT_THROW(parseHeader(Bytes{5, 0, 2, 3, 0x10, 0, 0, 0, 10, 0}, 5840), ProtocolError);
}

TEST(RpcPdu, BindAckGrantsAndRefusals)
{
    using rpctest::BindAckFields;
    struct Case {
        const char* name;
        std::function<void(BindAckFields&)> change;
        enum { accepted, refused, malformed } outcome;
    };
    const Case cases[] = {
        {"as Samba 4.17 grants", [](BindAckFields&) {}, Case::accepted},
        {"4,280 as newer Samba and Windows grant", [](BindAckFields& f) { f.maxXmitFrag = f.maxRecvFrag = 4280; }, Case::accepted},
        {"no secondary address", [](BindAckFields& f) { f.secondaryAddress.clear(); }, Case::accepted},
        {"odd secondary address", [](BindAckFields& f) { f.secondaryAddress = "\\PIPE\\ntsvcs"; }, Case::accepted},
        {"context rejected: abstract syntax", [](BindAckFields& f) { f.result = 2; f.reason = 1; }, Case::refused},
        {"context rejected by the user", [](BindAckFields& f) { f.result = 1; }, Case::refused},
        {"another transfer syntax", [](BindAckFields& f) { f.transfer.versionMajor = 1; }, Case::malformed},
        {"two results", [](BindAckFields& f) { f.results = 2; }, Case::malformed},
        {"no result", [](BindAckFields& f) { f.results = 0; }, Case::malformed},
        {"fragments below 1,432", [](BindAckFields& f) { f.maxXmitFrag = 1024; }, Case::malformed},
        {"receive below 1,432", [](BindAckFields& f) { f.maxRecvFrag = 512; }, Case::malformed},
        {"another call", [](BindAckFields& f) { f.callId = 2; }, Case::malformed},
        {"not LAST", [](BindAckFields& f) { f.flags = pfcFirstFrag; }, Case::malformed},
        {"a long secondary address", [](BindAckFields& f) { f.secondaryAddress.assign(4000, 'x'); }, Case::accepted},
    };
    for (const Case& c : cases) {
        BindAckFields fields;
        c.change(fields);
        const Bytes ack = rpctest::bindAck(fields);
        BindAck granted{};
        auto outcome = Case::accepted;
        try {
            granted = decodeBindAck(ack, 1, 5840);
        } catch (const BindRefused&) {
            outcome = Case::refused;
        } catch (const ProtocolError&) {
            outcome = Case::malformed;
        }
        EXPECT_EQ(outcome, c.outcome) << c.name;
        if (outcome == Case::accepted) {
            EXPECT_EQ(granted.maxXmitFrag, fields.maxXmitFrag) << c.name;
            EXPECT_EQ(granted.maxRecvFrag, fields.maxRecvFrag) << c.name;
        }
    }
    EXPECT_THROW(decodeBindAck(rpctest::bindNak(4), 1, 5840), BindRefused);
    {
        Bytes ack = rpctest::bindAck({});
        ack[24] = 0xa0;  // a secondary address of 4,000 bytes, past the end
        ack[25] = 0x0f;
        EXPECT_THROW(decodeBindAck(ack, 1, 5840), ProtocolError);
    }
    EXPECT_THROW(decodeBindAck(rpctest::response(3, 0, {}), 1, 5840), ProtocolError);
}

} // namespace
