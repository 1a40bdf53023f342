#pragma once

#include "BytePieces.h"
#include "RpcPdu.h"
#include "WireBytes.h"

#include <cstddef>
#include <cstdint>

// Reassembles the answer to one call from its response fragments, taken one by one as they
// were read, and says how many READs may be in flight for the rest. No transport: RpcPipe
// drives it, and the tests feed it fragment tables.
//
// Every fragment is checked: the common header (parseHeader), the call_id, the context,
// PFC_FIRST_FRAG on the first fragment only and PFC_LAST_FRAG ending the answer, a stub in
// every fragment before the last, and the total bounded by maxBytes. A fault PDU ends the call
// with RpcFault.
//
// alloc_hint: Samba and Windows set it in every fragment to the stub bytes still to come,
// that fragment's own included. When the first fragment's hint is non-zero the chain is held
// to it: each hint equals the previous one minus the previous stub, PFC_LAST_FRAG comes exactly
// when the hint is used up, and a first hint above maxBytes is refused at once (nothing is
// ever sized by a hint). A first hint of 0 (MS-RPCE lets a server leave it 0) means no hint
// for this answer: later hints are ignored.
//
// The READ window: a server fills every fragment before the last with the same chunk of stub,
// either the negotiated fragment size less the 24-byte header (C706) or that rounded down to a
// multiple of 16 (Samba's dcesrv_reply aligns it for auth padding even without auth: 5,808
// bytes in a 5,840-byte fragment). When the first fragment carries one of those chunks and a
// hint, the fragments left are known exactly: ceil(hint left / chunk), and that many READs may
// go out together. Anything else (no hint, a first fragment with another stub length, a later
// fragment before the last that is not a full chunk, a READ answered "not now") means one READ
// at a time until the end of the answer.
namespace rpc {

class FragmentAssembler final {
public:
    FragmentAssembler(std::uint32_t callId, std::uint16_t contextId, std::uint16_t fragmentSize,
        std::size_t maxBytes = maxAnswerBytes);

    // Takes the next fragment, one whole PDU as one READ (or the transceive) answered it, and
    // keeps it: its stub is read where it lies. Throws RpcFault for a fault PDU and
    // ProtocolError for anything that does not continue the answer; after a throw the
    // assembler is spent.
    void add(Bytes pdu);
    // A READ came back empty ("not now"): it took no fragment, and from here on one READ at a
    // time. Throws ProtocolError once the answer is complete (a READ too many was sent).
    void noteEmptyRead();

    bool done() const { return m_done; }
    // How many READs may be in flight for the rest of the answer: 0 when it is complete, the
    // fragments left while the hint and the chunks add up, otherwise 1.
    std::size_t window() const;
    bool pipelining() const { return m_pipelining; }
    std::size_t fragments() const { return m_fragments; }

    // The whole stub, in the fragments that carried it, once done().
    BytePieces take();

private:
    void addChecked(Bytes pdu);

    std::uint32_t m_callId;
    std::uint16_t m_contextId;
    std::uint16_t m_fragmentSize;
    std::size_t m_maxBytes;

    BytePieces m_stub;
    std::size_t m_fragments = 0;
    bool m_done = false;
    bool m_failed = false;
    bool m_hinted = false;        // the first fragment carried a non-zero alloc_hint
    std::size_t m_hintLeft = 0;   // stub bytes the hint still announces (when hinted)
    bool m_pipelining = false;
    std::size_t m_chunk = 0;      // the stub of every fragment before the last (when pipelining)
};

} // namespace rpc
