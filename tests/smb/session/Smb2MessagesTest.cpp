// The parsers of what a server sends, each given a well-formed response and the same response
// broken in one place; and the credit window's arithmetic at its edges.
#include "CreditWindow.h"
#include "Smb2Errors.h"
#include "Smb2Header.h"
#include "Smb2Messages.h"
#include "Smb2Negotiate.h"
#include "Smb2TestResponses.h"

#include <gtest/gtest.h>

#include <functional>

using namespace smb2;

namespace {

NegotiateOffer offerUpTo(Dialect maxDialect)
{
    NegotiateOffer offer;
    for (const Dialect d : {Dialect::smb202, Dialect::smb21, Dialect::smb30, Dialect::smb302, Dialect::smb311})
        if (d <= maxDialect)
            offer.dialects.push_back(d);
    return offer;
}

} // namespace

TEST(Smb2Messages, NegotiateResponseIsReadOrRefused)
{
    const Negotiated good = parseNegotiateResponse(negotiateResponse({}), offerUpTo(Dialect::smb311));
    EXPECT_EQ(good.dialect, Dialect::smb311);
    EXPECT_EQ(good.cipher, Cipher::aes128Gcm);
    EXPECT_TRUE(good.gmacSigning);
    EXPECT_EQ(good.securityBuffer.size(), 4u);

    struct Case {
        const char* name;
        std::function<void(NegotiateFields&)> bend;
        Dialect offered = Dialect::smb311;
    };
    const Case cases[] = {
        {"structure size", [](auto& f) { f.structureSize = 64; }},
        {"dialect not offered", [](auto& f) { f.dialect = 0x0300; }, Dialect::smb21},
        {"transfer size below the minimum", [](auto& f) { f.maxRead = 4096; }},
        {"security buffer past the end", [](auto& f) { f.securityLength = 0x4000; }},
        {"security buffer over the fixed part", [](auto& f) { f.securityOffset = 100; }},
        {"no contexts", [](auto& f) { f.contextCount = 0; }},
        {"more contexts than sent", [](auto& f) { f.contextCount = 4; }},
        {"no preauth integrity", [](auto& f) { f.preauthType = 7; }},
        {"cipher not offered", [](auto& f) { f.cipher = 9; }},
        {"two ciphers chosen", [](auto& f) { f.cipherCount = 2; }},
        {"signing not offered", [](auto& f) { f.signingAlgorithm = 0; }},
        {"context past the end", [](auto& f) { f.lastContextLength = 200; }},
    };
    for (const Case& c : cases) {
        NegotiateFields fields;
        c.bend(fields);
        EXPECT_THROW(parseNegotiateResponse(negotiateResponse(fields), offerUpTo(c.offered)), ProtocolError) << c.name;
    }
}

TEST(Smb2Messages, HeadersThatAreNoSingleSmb2ResponseAreRefused)
{
    Bytes smb1 = responseHeader({});
    smb1[0] = 0xFF;
    EXPECT_THROW(readResponseHeader(smb1), DialectNotSpoken);
    for (const Bytes& bad : {responseHeader({.command = Command::read, .nextCommand = 64}),
             responseHeader({.command = Command::read, .flags = 0}), Bytes(63, 0)})
        EXPECT_THROW(readResponseHeader(bad), ProtocolError);
}

TEST(Smb2Messages, BodiesPointingOutsideTheMessageAreRefused)
{
    auto readBodyOf = [](std::uint8_t offset, std::uint32_t length, std::size_t dataBytes) {
        ByteWriter body;
        body.u16(17);
        body.u8(offset);
        body.u8(0);
        body.u32(length);
        body.zeros(8);
        body.zeros(dataBytes);
        return message(Command::read, body.take());
    };
    auto ioctlBodyOf = [](std::uint32_t control, std::uint32_t offset, std::uint32_t length) {
        ByteWriter body;
        body.u16(49);
        body.u16(0);
        body.u32(control);
        body.zeros(24);
        body.u32(offset);
        body.u32(length);
        body.zeros(8);
        body.zeros(16);
        return message(Command::ioctl, body.take());
    };
    EXPECT_EQ(parseReadResponse(readBodyOf(80, 16, 16), 16).size(), 16u);
    EXPECT_EQ(parseIoctlResponse(ioctlBodyOf(fsctl::pipeTransceive, 112, 16), fsctl::pipeTransceive, 16).size(), 16u);

    const std::pair<const char*, std::function<void()>> cases[] = {
        {"read data past the end", [&] { parseReadResponse(readBodyOf(80, 17, 16), 100); }},
        {"read data over the fixed part", [&] { parseReadResponse(readBodyOf(72, 16, 16), 100); }},
        {"read more than asked", [&] { parseReadResponse(readBodyOf(80, 16, 16), 15); }},
        {"read body cut short", [&] {
             Bytes cut = readBodyOf(80, 0, 0);
             cut.pop_back();
             parseReadResponse(cut, 1);
         }},
        {"ioctl of another control", [&] { parseIoctlResponse(ioctlBodyOf(1, 112, 16), fsctl::pipeTransceive, 16); }},
        {"ioctl output past the end", [&] { parseIoctlResponse(ioctlBodyOf(fsctl::pipeTransceive, 120, 16), fsctl::pipeTransceive, 16); }},
        {"ioctl output offset wraps", [&] { parseIoctlResponse(ioctlBodyOf(fsctl::pipeTransceive, 0xFFFFFFF8, 16), fsctl::pipeTransceive, 16); }},
        {"session token past the end", [&] { parseSessionSetupResponse(message(Command::sessionSetup, {9, 0, 0, 0, 72, 0, 9, 0, 0})); }},
        {"tree that is no pipe share", [&] { parseTreeConnectResponse(message(Command::treeConnect, {16, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})); }},
    };
    for (const auto& [name, parse] : cases)
        EXPECT_THROW(parse(), ProtocolError) << name;
}

TEST(Smb2Messages, ValidationOfTheNegotiationCatchesEachAlteredField)
{
    Negotiated negotiated;
    negotiated.dialect = Dialect::smb30;
    negotiated.securityMode = 1;
    negotiated.capabilities = 0x44;
    negotiated.serverGuid = Bytes(16, 0xAB);
    auto output = [](std::uint32_t capabilities, std::uint8_t guidByte, std::uint16_t mode, std::uint16_t dialect) {
        ByteWriter out;
        out.u32(capabilities);
        out.bytes(Bytes(16, guidByte));
        out.u16(mode);
        out.u16(dialect);
        return out.take();
    };
    EXPECT_NO_THROW(checkValidateNegotiateOutput(output(0x44, 0xAB, 1, 0x0300), negotiated));
    for (const Bytes& altered : {output(0x40, 0xAB, 1, 0x0300), output(0x44, 0xAC, 1, 0x0300), output(0x44, 0xAB, 3, 0x0300),
                                 output(0x44, 0xAB, 1, 0x0302)})
        EXPECT_THROW(checkValidateNegotiateOutput(altered, negotiated), IntegrityError);
}

TEST(CreditWindow, SpendsOnlyWhatWasGrantedAndRefusesAnOverflowingGrant)
{
    CreditWindow window;
    EXPECT_EQ(window.take(1), 0u);
    EXPECT_THROW(window.take(1), ProtocolError) << "spent the NEGOTIATE's only credit";
    window.grant(10);
    EXPECT_EQ(window.take(4), 1u) << "a charge of 4 takes ids 1 to 4";
    EXPECT_EQ(window.take(1), 5u);
    EXPECT_FALSE(window.allows(6));
    EXPECT_THROW(window.take(0), ProtocolError);
    window.grant(CreditWindow::maxBalance - window.balance());
    EXPECT_THROW(window.grant(1), ProtocolError);
}
