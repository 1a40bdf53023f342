#include "RpcPipe.h"

#include "FragmentAssembler.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace rpc {

namespace {

// The one presentation context the client binds.
constexpr std::uint16_t contextId = 0;

} // namespace

RpcPipe::RpcPipe(PipeTransport& transport)
    : m_transport(transport)
{
}

void RpcPipe::bind(const SyntaxId& interface, std::uint16_t askedFragment)
{
    if (m_bound)
        throw std::logic_error("an RPC pipe bound twice (a second interface needs alter_context)");
    if (askedFragment < minFragment)
        throw std::invalid_argument("an RPC fragment size below 1,432 bytes");
    const std::uint32_t callId = m_nextCallId++;
    const Bytes reply = m_transport.transceive(encodeBind(callId, interface, askedFragment, askedFragment), askedFragment);
    const BindAck ack = decodeBindAck(reply, callId, askedFragment);
    // The server's max_xmit_frag is what the client receives, its max_recv_frag what it sends.
    m_receiveFragment = std::min(ack.maxXmitFrag, askedFragment);
    m_transmitFragment = std::min(ack.maxRecvFrag, askedFragment);
    m_bound = true;
}

BytePieces RpcPipe::call(std::uint16_t opnum, ByteView stub)
{
    if (!m_bound)
        throw std::logic_error("an RPC call before the bind");
    if (stub.size() > m_transmitFragment - requestHeaderLength)
        throw std::length_error("an RPC request larger than one fragment");
    const std::uint32_t callId = m_nextCallId++;
    m_readsSent = 0;
    m_maxReadsInFlight = 0;

    FragmentAssembler answer(callId, contextId, m_receiveFragment);
    // The READs start only once the transceive has answered: a READ sent while it is
    // outstanding can overtake it on Samba and take the first fragment.
    answer.add(m_transport.transceive(encodeRequest(callId, contextId, opnum, stub), m_receiveFragment));

    std::size_t emptyInARow = 0;
    while (!answer.done()) {
        const std::size_t count = answer.window();
        std::vector<Bytes> results = m_transport.readMany(count, m_receiveFragment);
        m_readsSent += count;
        m_maxReadsInFlight = std::max(m_maxReadsInFlight, count);
        if (results.size() != count) {
            throw ProtocolError("the pipe answered " + std::to_string(results.size()) + " results for "
                + std::to_string(count) + " READs");
        }
        for (Bytes& result : results) {
            if (result.empty()) {
                answer.noteEmptyRead();
                if (++emptyInARow > maxEmptyReadsInARow)
                    throw ProtocolError("the pipe keeps answering READs with nothing");
                continue;
            }
            emptyInARow = 0;
            answer.add(std::move(result));
        }
    }
    return answer.take();
}

} // namespace rpc
