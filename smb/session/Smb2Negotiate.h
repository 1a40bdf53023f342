#pragma once

#include "Smb2Crypto.h"
#include "WireBytes.h"

#include <cstdint>
#include <vector>

// NEGOTIATE, with 3.1.1's negotiate contexts, and the check of its outcome that 3.0 and 3.0.2
// make afterwards (FSCTL_VALIDATE_NEGOTIATE_INFO).
namespace smb2 {

namespace capability {
constexpr std::uint32_t largeMtu = 0x4;
constexpr std::uint32_t encryption = 0x40;
} // namespace capability

namespace securityMode {
constexpr std::uint16_t signingEnabled = 0x1;
constexpr std::uint16_t signingRequired = 0x2;
} // namespace securityMode

// What this client offers, remembered for the validation.
struct NegotiateOffer {
    std::vector<Dialect> dialects;
    std::uint32_t capabilities = 0;
    std::uint16_t securityMode = 0;
    Bytes clientGuid;
    Bytes salt;  // 3.1.1's preauth integrity salt
};

NegotiateOffer makeNegotiateOffer(Dialect maxDialect);
Bytes negotiateRequestBody(const NegotiateOffer& offer);

struct Negotiated {
    Dialect dialect = Dialect::smb202;
    std::uint16_t securityMode = 0;
    Bytes serverGuid;
    std::uint32_t capabilities = 0;
    std::uint32_t maxTransactSize = 0;
    std::uint32_t maxReadSize = 0;
    Bytes securityBuffer;
    Cipher cipher = Cipher::none;  // none where the server cannot encrypt
    bool gmacSigning = false;
};

// Throws ProtocolError on a malformed response or a choice the client did not offer.
Negotiated parseNegotiateResponse(ByteView message, const NegotiateOffer& offer);

Bytes validateNegotiateInput(const NegotiateOffer& offer);
// Throws IntegrityError when the server's view of the negotiation differs from the client's.
void checkValidateNegotiateOutput(ByteView output, const Negotiated& negotiated);

} // namespace smb2
