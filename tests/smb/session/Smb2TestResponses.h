#pragma once

#include "Smb2Header.h"
#include "WireBytes.h"

#include <cstdint>

// An SMB2 response header as a server of the tests' writes it, any field the test's to choose.
struct ResponseHeaderFields {
    smb2::Command command = smb2::Command::negotiate;
    std::uint32_t status = 0;
    std::uint32_t flags = 0x1;  // SERVER_TO_REDIR; ASYNC adds 0x2
    std::uint32_t nextCommand = 0;
    std::uint64_t messageId = 0;
};

inline Bytes responseHeader(const ResponseHeaderFields& fields)
{
    ByteWriter header;
    header.u32(0x424D53FE);
    header.u16(64);
    header.u16(0);
    header.u32(fields.status);
    header.u16(static_cast<std::uint16_t>(fields.command));
    header.u16(1);  // credits granted
    header.u32(fields.flags);
    header.u32(fields.nextCommand);
    header.u64(fields.messageId);
    header.zeros(32);
    return header.take();
}

// A response of one message: the header, then the body.
inline Bytes message(smb2::Command command, const Bytes& body, std::uint64_t messageId = 0)
{
    Bytes whole = responseHeader({.command = command, .messageId = messageId});
    whole.insert(whole.end(), body.begin(), body.end());
    return whole;
}

// A NEGOTIATE response, of 3.1.1 unless told otherwise; each field can be bent by the test.
struct NegotiateFields {
    std::uint16_t structureSize = 65;
    std::uint16_t dialect = 0x0311;
    std::uint32_t maxRead = 8 << 20;
    std::uint16_t securityOffset = 128;
    std::uint16_t securityLength = 4;
    std::uint16_t contextCount = 3;
    std::uint16_t preauthType = 1;
    std::uint16_t cipherCount = 1;
    std::uint16_t cipher = 2;
    std::uint16_t signingAlgorithm = 2;
    std::uint16_t lastContextLength = 4;
    std::uint64_t messageId = 0;
};

inline Bytes negotiateResponse(const NegotiateFields& f)
{
    ByteWriter body;
    body.u16(f.structureSize);
    body.u16(1);
    body.u16(f.dialect);
    body.u16(f.contextCount);
    body.zeros(16);
    body.u32(0);
    body.u32(8 << 20);
    body.u32(f.maxRead);
    body.u32(8 << 20);
    body.zeros(16);
    body.u16(f.securityOffset);
    body.u16(f.securityLength);
    body.u32(136);
    body.bytes(Bytes{0x60, 0x02, 0x05, 0x00});  // the security buffer
    body.align(8);
    auto context = [&](std::uint16_t type, const Bytes& data, std::uint16_t length) {
        body.align(8);
        body.u16(type);
        body.u16(length);
        body.u32(0);
        body.bytes(data);
    };
    context(f.preauthType, {1, 0, 0, 0, 1, 0}, 6);
    context(2, {static_cast<std::uint8_t>(f.cipherCount), 0, static_cast<std::uint8_t>(f.cipher), 0}, 4);
    context(8, {1, 0, static_cast<std::uint8_t>(f.signingAlgorithm), 0}, f.lastContextLength);
    return message(smb2::Command::negotiate, body.take(), f.messageId);
}
