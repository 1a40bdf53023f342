#pragma once

// The server's side of the pipe for the tests: PDUs built field by field (so that any field
// can lie), answers fragmented the way Samba and Windows do it, and a PipeTransport that
// answers from a prepared list and records every READ it was asked for.
#include "PipeTransport.h"
#include "RpcPdu.h"
#include "WireBytes.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace rpctest {

// srvsvc 4b324fc8-1670-01d3-1278-5a47bf6ee188 version 3.0, written out here so that the RPC tests
// need nothing above the RPC layer.
inline const rpc::SyntaxId srvsvc{
    {0xc8, 0x4f, 0x32, 0x4b, 0x70, 0x16, 0xd3, 0x01, 0x12, 0x78, 0x5a, 0x47, 0xbf, 0x6e, 0xe1, 0x88}, 3, 0};

struct Pdu {
    std::uint8_t type = static_cast<std::uint8_t>(rpc::PduType::response);
    std::uint8_t flags = 0;
    std::uint32_t callId = 1;
    std::uint32_t allocHint = 0;
    std::uint16_t contextId = 0;
    Bytes body;  // the stub of a response; the rest of the body of any other PDU
    std::uint8_t version = 5;
    std::uint8_t versionMinor = 0;
    std::uint8_t drep0 = 0x10;
    std::uint16_t authLength = 0;
    std::optional<std::uint16_t> fragLength = std::nullopt;  // the true length unless given
};

inline Bytes encode(const Pdu& pdu)
{
    ByteWriter writer;
    writer.u8(pdu.version);
    writer.u8(pdu.versionMinor);
    writer.u8(pdu.type);
    writer.u8(pdu.flags);
    writer.u8(pdu.drep0);
    writer.zeros(3);
    writer.u16(0);
    writer.u16(pdu.authLength);
    writer.u32(pdu.callId);
    if (pdu.type == static_cast<std::uint8_t>(rpc::PduType::response)) {
        writer.u32(pdu.allocHint);
        writer.u16(pdu.contextId);
        writer.u16(0);  // cancel_count, reserved
    }
    writer.bytes(pdu.body);
    writer.patch16(8, pdu.fragLength.value_or(static_cast<std::uint16_t>(writer.size())));
    return writer.take();
}

inline Bytes response(std::uint8_t flags, std::uint32_t allocHint, Bytes stub, std::uint32_t callId = 1)
{
    return encode({.flags = flags, .callId = callId, .allocHint = allocHint, .body = std::move(stub)});
}

// A PDU other than a response, whole in one fragment.
inline Bytes whole(rpc::PduType type, Bytes body, std::uint32_t callId = 1, std::uint8_t flags = rpc::pfcFirstFrag | rpc::pfcLastFrag)
{
    return encode({.type = static_cast<std::uint8_t>(type), .flags = flags, .callId = callId, .body = std::move(body)});
}

inline Bytes fault(std::uint32_t status, std::uint32_t callId = 1)
{
    ByteWriter body;
    body.u32(24);  // alloc_hint
    body.u32(0);   // p_cont_id, cancel_count, flags
    body.u32(status);
    body.u32(0);
    return whole(rpc::PduType::fault, body.take(), callId);
}

struct BindAckFields {
    std::uint32_t callId = 1;
    std::uint16_t maxXmitFrag = 5840;
    std::uint16_t maxRecvFrag = 5840;
    std::string secondaryAddress = "\\PIPE\\srvsvc";
    std::uint8_t results = 1;
    std::uint16_t result = 0;
    std::uint16_t reason = 0;
    rpc::SyntaxId transfer = rpc::ndrTransferSyntax;
    std::uint8_t flags = rpc::pfcFirstFrag | rpc::pfcLastFrag;
};

inline Bytes bindAck(const BindAckFields& fields)
{
    // The body starts at offset 16 of the PDU: its alignment is counted from there.
    ByteWriter body;
    body.zeros(16);
    body.u16(fields.maxXmitFrag);
    body.u16(fields.maxRecvFrag);
    body.u32(0x1234);  // assoc_group_id
    body.u16(static_cast<std::uint16_t>(fields.secondaryAddress.size() + 1));
    for (const char c : fields.secondaryAddress)
        body.u8(static_cast<std::uint8_t>(c));
    body.u8(0);
    body.align(4);
    body.u8(fields.results);
    body.zeros(3);
    for (std::uint8_t i = 0; i < fields.results; ++i) {
        body.u16(fields.result);
        body.u16(fields.reason);
        body.bytes(fields.transfer.uuid);
        body.u16(fields.transfer.versionMajor);
        body.u16(fields.transfer.versionMinor);
    }
    const Bytes all = body.take();
    return whole(rpc::PduType::bindAck, Bytes(all.begin() + 16, all.end()), fields.callId, fields.flags);
}

inline Bytes bindNak(std::uint8_t reason)
{
    return whole(rpc::PduType::bindNak, {reason, 0, 0});  // reject reason (16 bits), no versions
}

// How a server cuts its answer into fragments.
struct Cutting {
    std::uint16_t fragmentSize = 5840;
    bool alignChunkTo16 = true;  // Samba: (fragment - 24) rounded down to 16
    bool hints = true;           // alloc_hint = stub still to come, or 0 everywhere
};

inline std::size_t chunkOf(const Cutting& cutting)
{
    const std::size_t full = cutting.fragmentSize - rpc::responseHeaderLength;
    return cutting.alignChunkTo16 ? full & ~std::size_t{15} : full;
}

inline std::vector<Bytes> fragments(const Bytes& stub, const Cutting& cutting, std::uint32_t callId = 1)
{
    const std::size_t chunk = chunkOf(cutting);
    std::vector<Bytes> out;
    std::size_t at = 0;
    do {
        const std::size_t length = std::min(chunk, stub.size() - at);
        std::uint8_t flags = 0;
        if (at == 0)
            flags |= rpc::pfcFirstFrag;
        if (at + length == stub.size())
            flags |= rpc::pfcLastFrag;
        const auto hint = cutting.hints ? static_cast<std::uint32_t>(stub.size() - at) : 0u;
        out.push_back(response(flags, hint, Bytes(stub.begin() + static_cast<std::ptrdiff_t>(at),
            stub.begin() + static_cast<std::ptrdiff_t>(at + length)), callId));
        at += length;
    } while (at < stub.size());
    return out;
}

inline Bytes pattern(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

// A request or READ with no answer left for it. A READ beyond the answer's last fragment would
// stay pending on Samba 4.17 and take the next call's answer.
class ScriptExhausted : public std::runtime_error {
public:
    ScriptExhausted() : std::runtime_error("nothing left in the script for a request or READ") {}
};

// Answers the transceive and every READ from one prepared list, in order. An empty entry is a
// READ answered "not now" (it takes the entry, and no fragment).
class ScriptedPipe final : public PipeTransport {
public:
    void script(std::vector<Bytes> answers)
    {
        for (Bytes& answer : answers)
            m_answers.push_back(std::move(answer));
    }

    Bytes transceive(ByteView pdu, std::uint32_t maxReply) override
    {
        requests.emplace_back(pdu.begin(), pdu.end());
        if (m_answers.empty())
            throw ScriptExhausted();
        return next(maxReply);
    }

    std::vector<Bytes> readMany(std::size_t count, std::uint32_t maxBytes) override
    {
        if (count == 0)
            throw std::logic_error("a batch of no READ");
        readBatches.push_back(count);
        if (count > m_answers.size())
            throw ScriptExhausted();
        std::vector<Bytes> results;
        for (std::size_t i = 0; i < count; ++i)
            results.push_back(next(maxBytes));
        return results;
    }

    std::size_t left() const { return m_answers.size(); }

    std::vector<Bytes> requests;
    std::vector<std::size_t> readBatches;

private:
    Bytes next(std::uint32_t maxBytes)
    {
        Bytes answer = std::move(m_answers.front());
        m_answers.pop_front();
        // A message longer than the READ comes back cut (STATUS_BUFFER_OVERFLOW).
        if (answer.size() > maxBytes)
            answer.resize(maxBytes);
        return answer;
    }

    std::deque<Bytes> m_answers;
};

} // namespace rpctest
