#pragma once

#include "PipeTransport.h"
#include "WireBytes.h"

#include <array>
#include <cstdint>
#include <stdexcept>

// Connection-oriented DCE/RPC over a named pipe: bind to one interface, then calls whose
// answers are read with every READ of the remaining fragments in flight together.
namespace rpc {

struct SyntaxId {
    std::array<std::uint8_t, 16> uuid;  // in wire order
    std::uint16_t versionMajor;
    std::uint16_t versionMinor;
};

// The server answered a call with a fault PDU: its status (for example nca_s_op_rng_error).
class RpcFault : public std::runtime_error {
public:
    RpcFault(std::uint32_t status);
    std::uint32_t status() const { return m_status; }

private:
    std::uint32_t m_status;
};

// The largest answer a call may assemble: well above 32,767 records of the longest paths.
constexpr std::size_t maxAnswerBytes = 64u << 20;

class RpcPipe final {
public:
    explicit RpcPipe(PipeTransport& transport);

    // Binds to the interface with the NDR transfer syntax, asking for fragments of
    // askedFragment bytes, and takes the sizes the bind_ack grants. Throws ProtocolError on a
    // malformed or refused bind.
    void bind(const SyntaxId& interface, std::uint16_t askedFragment = 5840);

    // One call: sends the request (one fragment), reads the answer and answers its stub data.
    // After the first fragment its alloc_hint tells how many fragments are left; their READs go
    // out together, never more than are left. alloc_hint 0, or any fragment that does not
    // continue the answer consistently, means one READ at a time from there on (consistency
    // is checked either way). Throws RpcFault for a fault PDU, ProtocolError for anything
    // inconsistent or an answer beyond maxAnswerBytes.
    Bytes call(std::uint16_t opnum, ByteView stub);

    std::uint16_t fragmentSize() const { return m_receiveFragment; }
    // READs sent for the last call's answer, and the most that were in flight at once.
    std::size_t readsSent() const { return m_readsSent; }

private:
    PipeTransport& m_transport;
    std::uint32_t m_nextCallId = 1;
    std::uint16_t m_transmitFragment = 4280;
    std::uint16_t m_receiveFragment = 4280;
    std::size_t m_readsSent = 0;
};

} // namespace rpc
