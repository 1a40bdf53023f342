#pragma once

#include "WireBytes.h"

#include <array>
#include <cstdint>
#include <stdexcept>

// The connection-oriented DCE/RPC PDUs the client sends and reads (C706 and MS-RPCE):
// bind, bind_ack and bind_nak, request, response and fault. Little-endian integers,
// ASCII characters and IEEE floats (the data representation 0x10, 0, 0, 0), no RPC-level
// authentication: the SMB session signs or encrypts, so auth_length is always 0.
namespace rpc {

struct SyntaxId {
    std::array<std::uint8_t, 16> uuid;  // in wire order
    std::uint16_t versionMajor;
    std::uint16_t versionMinor;

    friend bool operator==(const SyntaxId&, const SyntaxId&) = default;
};

// The server answered a call with a fault PDU: its status (for example nca_s_op_rng_error).
class RpcFault : public std::runtime_error {
public:
    explicit RpcFault(std::uint32_t status);
    std::uint32_t status() const { return m_status; }

private:
    std::uint32_t m_status;
};

// The server refused the bind: a bind_nak, or a bind_ack that rejects the presentation context
// (the interface or NDR is not offered on this pipe).
class BindRefused : public ProtocolError {
public:
    using ProtocolError::ProtocolError;
};

// The largest answer a call may assemble: well above 32,767 records of the longest paths.
constexpr std::size_t maxAnswerBytes = 64u << 20;

// NDR 2.0, the one transfer syntax the client offers.
extern const SyntaxId ndrTransferSyntax;

enum class PduType : std::uint8_t {
    request = 0,
    response = 2,
    fault = 3,
    bind = 11,
    bindAck = 12,
    bindNak = 13,
};

constexpr std::uint8_t pfcFirstFrag = 0x01;
constexpr std::uint8_t pfcLastFrag = 0x02;

constexpr std::size_t commonHeaderLength = 16;
// The common header with alloc_hint, p_cont_id and opnum (request) or cancel_count (response).
constexpr std::size_t requestHeaderLength = 24;
constexpr std::size_t responseHeaderLength = 24;
// C706's MustRecvFragSize: the smallest fragment any peer must accept, and so the smallest size
// a bind_ack may grant.
constexpr std::uint16_t minFragment = 1432;

struct PduHeader {
    std::uint8_t type = 0;  // a PduType, as sent
    std::uint8_t flags = 0;
    std::uint16_t fragLength = 0;
    std::uint32_t callId = 0;
};

// Reads the common header of one PDU as received and checks it: version 5.0, little-endian
// integers, frag_length at least the header, at most maxFragment and equal to the bytes
// received, auth_length 0.
PduHeader parseHeader(ByteView pdu, std::uint16_t maxFragment);

// A bind to one interface with the NDR transfer syntax, presentation context 0, a new
// association, the given fragment sizes.
Bytes encodeBind(std::uint32_t callId, const SyntaxId& interface, std::uint16_t maxXmitFrag,
    std::uint16_t maxRecvFrag);

struct BindAck {
    std::uint16_t maxXmitFrag = 0;  // the largest fragment the server sends
    std::uint16_t maxRecvFrag = 0;  // the largest fragment the server takes
};

// Reads the server's answer to a bind: a bind_ack whose one result accepts the context with
// NDR, granting at least minFragment both ways. Throws BindRefused for a bind_nak or a
// rejected context, ProtocolError for anything malformed.
BindAck decodeBindAck(ByteView pdu, std::uint32_t callId, std::uint16_t maxFragment);

// One request PDU that carries the whole stub (PFC_FIRST_FRAG | PFC_LAST_FRAG, alloc_hint the
// stub's length).
Bytes encodeRequest(std::uint32_t callId, std::uint16_t contextId, std::uint16_t opnum, ByteView stub);

struct ResponseBody {
    std::uint32_t allocHint = 0;
    std::uint16_t contextId = 0;
    ByteView stub;  // within the PDU
};

// The body of a response PDU whose header parseHeader checked.
ResponseBody parseResponse(ByteView pdu);
// The status of a fault PDU whose header parseHeader checked.
std::uint32_t parseFaultStatus(ByteView pdu);

} // namespace rpc
