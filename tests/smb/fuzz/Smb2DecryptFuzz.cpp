// Reads arbitrary input as a transform message from the server: decrypt() either answers the
// message inside or throws ProtocolError, never reads outside the input. The first byte picks
// the cipher and whether the rest is first encrypted under the session's key (so that inputs
// also reach the cipher, and the round trip must give the input back).
#include "Smb2Crypto.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace smb2;
    if (size == 0)
        return 0;
    static const Cipher ciphers[] = {Cipher::aes128Ccm, Cipher::aes128Gcm, Cipher::aes256Ccm, Cipher::aes256Gcm};
    const Cipher cipher = ciphers[data[0] % 4];
    const bool roundTrip = (data[0] & 0x80) != 0;
    const Bytes key((cipher == Cipher::aes256Ccm || cipher == Cipher::aes256Gcm) ? 32 : 16, 0x42);
    constexpr std::uint64_t sessionId = 0x0000100000000025ull;
    const ByteView input(data + 1, size - 1);
    try {
        if (roundTrip && !input.empty()) {
            const Bytes nonce(transformNonceSize, 0x24);
            const Bytes transformed = encrypt(cipher, key, sessionId, input, nonce);
            if (decrypt(cipher, key, sessionId, transformed) != Bytes(input.begin(), input.end()))
                std::abort();
        } else {
            decrypt(cipher, key, sessionId, input);
        }
    } catch (const ProtocolError&) {
    }
    return 0;
}
