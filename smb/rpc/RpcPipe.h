#pragma once

#include "BytePieces.h"
#include "PipeTransport.h"
#include "RpcPdu.h"
#include "WireBytes.h"

#include <cstddef>
#include <cstdint>

// Connection-oriented DCE/RPC over a named pipe: bind to one interface, then calls whose
// answers are read with every READ of the remaining fragments in flight together.
// (SyntaxId, RpcFault, BindRefused and maxAnswerBytes are in RpcPdu.h.)
namespace rpc {

class RpcPipe final {
public:
    explicit RpcPipe(PipeTransport& transport);

    // Binds to the interface with the NDR transfer syntax, asking for fragments of
    // askedFragment bytes both ways (at least 1,432), and takes the sizes the bind_ack grants,
    // never more than asked. Throws BindRefused for a bind_nak or a rejected context,
    // ProtocolError for a malformed answer; std::logic_error when already bound.
    void bind(const SyntaxId& interface, std::uint16_t askedFragment = 5840);

    // One call: sends the request (one fragment), reads the answer and answers its stub data,
    // left in the fragments that carried it.
    // After the first fragment its alloc_hint tells how many fragments are left; their READs go
    // out together, never more than are left. alloc_hint 0, or any fragment that does not
    // continue the answer in full chunks, means one READ at a time from there on (consistency
    // is checked either way: FragmentAssembler). Throws RpcFault for a fault PDU, ProtocolError
    // for anything inconsistent or an answer beyond maxAnswerBytes; after either the pipe may
    // still hold fragments of the answer, so the connection is best dropped. Throws
    // std::logic_error before a bind and std::length_error for a request that does not fit one
    // fragment.
    BytePieces call(std::uint16_t opnum, ByteView stub);

    // The largest fragment the server sends, as granted.
    std::uint16_t fragmentSize() const { return m_receiveFragment; }
    // The largest fragment the client sends, as granted.
    std::uint16_t transmitFragmentSize() const { return m_transmitFragment; }
    // READs sent for the last call's answer, and the most that were in flight at once.
    std::size_t readsSent() const { return m_readsSent; }
    std::size_t maxReadsInFlight() const { return m_maxReadsInFlight; }

    // READs answered "not now" in a row before a call gives up with ProtocolError.
    static constexpr std::size_t maxEmptyReadsInARow = 16;

private:
    PipeTransport& m_transport;
    std::uint32_t m_nextCallId = 1;
    bool m_bound = false;
    std::uint16_t m_transmitFragment = 4280;
    std::uint16_t m_receiveFragment = 4280;
    std::size_t m_readsSent = 0;
    std::size_t m_maxReadsInFlight = 0;
};

} // namespace rpc
