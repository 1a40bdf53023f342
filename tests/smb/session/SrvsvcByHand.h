#pragma once

#include "WireBytes.h"

#include <string>

// Just enough DCE/RPC, built by hand, to show that a pipe carries the server service: a bind,
// and a NetrShareEnum at level 1 whose answer (share comments included) spans fragments.
namespace srvsvcByHand {

constexpr std::uint8_t bindAckType = 12;
constexpr std::uint8_t responseType = 2;
constexpr std::uint8_t lastFragment = 0x2;
constexpr std::size_t responseHeaderSize = 24;

Bytes bind(std::uint16_t maxFragment);
Bytes shareEnumRequest(const std::u16string& server);

struct Fragment {
    std::uint8_t type = 0;
    std::uint8_t flags = 0;
    std::uint16_t length = 0;
    std::uint32_t allocHint = 0;  // responses only
};
Fragment fragment(ByteView pdu);
// bind_ack: the largest fragment the server sends.
std::uint16_t serverFragmentSize(ByteView bindAck);

} // namespace srvsvcByHand
