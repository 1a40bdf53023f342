#pragma once

#include "WireBytes.h"

#include <cstddef>
#include <cstdint>

// The cryptography of an SMB2/SMB3 session, every primitive from OpenSSL: the session keys of
// each dialect, the signature of a message (HMAC-SHA256, AES-CMAC, AES-GMAC), the encryption
// of a message into a transform message and back (AES-128/256 CCM/GCM), and 3.1.1's
// pre-authentication integrity hash (SHA-512).
//
// What the server sent and does not add up throws ProtocolError; what the caller passed and
// cannot be right (a key of the wrong length, an empty session key, a cipher the dialect does
// not have) throws std::invalid_argument; OpenSSL failing in itself throws std::runtime_error.
namespace smb2 {

enum class Dialect : std::uint16_t {
    smb202 = 0x0202,
    smb21 = 0x0210,
    smb30 = 0x0300,
    smb302 = 0x0302,
    smb311 = 0x0311,
};

// The values are the signing algorithm identifiers of the negotiate context.
enum class SigningAlgorithm : std::uint16_t { hmacSha256 = 0, aesCmac = 1, aesGmac = 2 };

// The values are the cipher identifiers of the negotiate context.
enum class Cipher : std::uint16_t { none = 0, aes128Ccm = 1, aes128Gcm = 2, aes256Ccm = 3, aes256Gcm = 4 };

// The SMB2 header's size, and where its signature field lies.
inline constexpr std::size_t headerSize = 64;
inline constexpr std::size_t signatureOffset = 48;
inline constexpr std::size_t signatureSize = 16;
// The transform header's size: 0xFD 'S' 'M' 'B', signature, nonce, original
// message size, reserved, flags, session id.
inline constexpr std::size_t transformHeaderSize = 52;
inline constexpr std::size_t transformNonceSize = 16;

// The keys of one session, derived from the login's session key. The encryption keys are empty
// for 2.x and for a session that does not encrypt.
struct SessionKeys {
    Bytes signing;
    Bytes encryption;  // client to server
    Bytes decryption;  // server to client
};

// Derives the keys as the dialect says: 2.x signs with the session key
// itself (its first 16 bytes, zero-padded); 3.0 and 3.0.2 use the fixed labels and contexts
// and only AES-128-CCM; 3.1.1 uses the pre-authentication hash (64 bytes) as context, and a
// 256-bit cipher takes 32-byte encryption keys derived from the full session key. preauthHash
// is read for 3.1.1 only. Cipher::none derives no encryption keys.
SessionKeys deriveKeys(Dialect dialect, Cipher cipher, ByteView sessionKey, ByteView preauthHash);

// The signing algorithm a dialect uses, given what 3.1.1's negotiate context chose.
SigningAlgorithm signingAlgorithm(Dialect dialect, bool gmacNegotiated);

// The 16-byte signature of a whole SMB2 message (header and body, and in a compound chain the
// padding after it), computed as if its signature field (bytes 48 to 63) were zero. The AES-GMAC
// nonce comes from the header itself: MessageId, the SERVER_TO_REDIR flag, and whether the
// command is CANCEL. Throws ProtocolError when the message is shorter than a header.
Bytes signature(SigningAlgorithm algorithm, ByteView key, ByteView message);

// Writes the signature into the message's signature field; the caller sets the SIGNED flag
// first, since the flag is signed too.
void sign(SigningAlgorithm algorithm, ByteView key, std::span<std::uint8_t> message);

// True when the signature field holds the message's signature (compared in constant time).
// False for a message shorter than a header.
bool verify(SigningAlgorithm algorithm, ByteView key, ByteView message);

// Wraps one message (or a compound chain) into a transform message for the session: the
// 52-byte transform header with a fresh random nonce, then the ciphertext.
Bytes encrypt(Cipher cipher, ByteView key, std::uint64_t sessionId, ByteView message);

// The same with the transform header's 16-byte Nonce field given, as it goes on the wire (the
// cipher's nonce is its first 11 bytes for CCM, 12 for GCM; the rest is padding, zero in a
// fresh message). For published test vectors; a session uses the random nonce above.
Bytes encrypt(Cipher cipher, ByteView key, std::uint64_t sessionId, ByteView message, ByteView nonceField);

// Whether a message starts as a transform message does (0xFD 'S' 'M' 'B').
bool isTransformMessage(ByteView message);

// The message inside a transform message. Throws ProtocolError when the header is malformed
// (protocol id, flags other than "encrypted", an original size other than what follows the
// header or smaller than an SMB2 header), names another session, or the authentication tag does
// not match.
Bytes decrypt(Cipher cipher, ByteView key, std::uint64_t sessionId, ByteView transformed);

// 3.1.1's running hash over the negotiate and session-setup messages: SHA-512, starting from
// 64 zero bytes, each message hashed onto the value before. Copyable: a session's hash starts
// as a copy of the connection's after the negotiate.
class PreauthHash final {
public:
    PreauthHash();
    void update(ByteView message);
    const Bytes& value() const { return m_value; }

private:
    Bytes m_value;
};

// Random bytes from OpenSSL (client guid, salt, nonces).
Bytes randomBytes(std::size_t count);

} // namespace smb2
