#include "FragmentAssembler.h"

#include <stdexcept>
#include <utility>

namespace rpc {

FragmentAssembler::FragmentAssembler(std::uint32_t callId, std::uint16_t contextId,
    std::uint16_t fragmentSize, std::size_t maxBytes)
    : m_callId(callId)
    , m_contextId(contextId)
    , m_fragmentSize(fragmentSize)
    , m_maxBytes(maxBytes)
{
    if (fragmentSize <= responseHeaderLength)
        throw std::invalid_argument("a fragment size with no room for stub data");
}

void FragmentAssembler::add(Bytes pdu)
{
    if (m_failed)
        throw std::logic_error("a fragment given to an assembler that refused the answer");
    try {
        addChecked(std::move(pdu));
    } catch (...) {
        m_failed = true;
        throw;
    }
}

void FragmentAssembler::addChecked(Bytes pdu)
{
    if (m_done)
        throw ProtocolError("an RPC fragment after the last fragment of the answer");

    const PduHeader header = parseHeader(pdu, m_fragmentSize);
    if (header.callId != m_callId)
        throw ProtocolError("an RPC fragment of another call_id");
    if (header.type == static_cast<std::uint8_t>(PduType::fault))
        throw RpcFault(parseFaultStatus(pdu));
    if (header.type != static_cast<std::uint8_t>(PduType::response))
        throw ProtocolError("a call answered by an RPC PDU that is neither a response nor a fault");
    if (pdu.size() < responseHeaderLength)
        throw ProtocolError("an RPC response shorter than its header");
    const ResponseBody body = parseResponse(pdu);
    if (body.contextId != m_contextId)
        throw ProtocolError("an RPC response for another presentation context");

    const bool first = m_fragments == 0;
    const bool last = (header.flags & pfcLastFrag) != 0;
    if (first && (header.flags & pfcFirstFrag) == 0)
        throw ProtocolError("the first RPC fragment of an answer without PFC_FIRST_FRAG");
    if (!first && (header.flags & pfcFirstFrag) != 0)
        throw ProtocolError("PFC_FIRST_FRAG on a later RPC fragment of the answer");
    const std::size_t stub = body.stub.size();
    if (!last && stub == 0)
        throw ProtocolError("an RPC fragment before the last with no stub data");
    if (stub > m_maxBytes - m_stub.size())
        throw ProtocolError("an RPC answer above the largest answer accepted");

    if (first) {
        m_hinted = body.allocHint != 0;
        if (m_hinted) {
            if (body.allocHint > m_maxBytes)
                throw ProtocolError("an alloc_hint above the largest answer accepted");
            m_hintLeft = body.allocHint;
        }
    } else if (m_hinted && body.allocHint != m_hintLeft) {
        throw ProtocolError("an alloc_hint that is not the previous one less the previous stub");
    }
    if (m_hinted) {
        if (stub > m_hintLeft)
            throw ProtocolError("an RPC fragment with more stub than its alloc_hint announces");
        m_hintLeft -= stub;
        if (last && m_hintLeft != 0)
            throw ProtocolError("PFC_LAST_FRAG before the stub the alloc_hint announced");
        if (!last && m_hintLeft == 0)
            throw ProtocolError("no PFC_LAST_FRAG on the fragment that ends the alloc_hint");
    }

    if (first) {
        const std::size_t full = m_fragmentSize - responseHeaderLength;
        const bool knownChunk = stub == full || stub == (full & ~std::size_t{15});
        m_pipelining = m_hinted && !last && knownChunk;
        m_chunk = stub;
    } else if (!last && stub != m_chunk) {
        m_pipelining = false;
    }

    const auto stubOffset = static_cast<std::size_t>(body.stub.data() - pdu.data());
    m_stub.append(std::move(pdu), stubOffset, stub);
    ++m_fragments;
    m_done = last;
}

void FragmentAssembler::noteEmptyRead()
{
    if (m_done) {
        m_failed = true;
        throw ProtocolError("a READ was sent after the last RPC fragment of the answer");
    }
    m_pipelining = false;
}

std::size_t FragmentAssembler::window() const
{
    if (m_done)
        return 0;
    if (!m_pipelining)
        return 1;
    return (m_hintLeft + m_chunk - 1) / m_chunk;
}

BytePieces FragmentAssembler::take()
{
    if (!m_done || m_failed)
        throw std::logic_error("the stub of an answer not yet complete");
    return std::move(m_stub);
}

} // namespace rpc
