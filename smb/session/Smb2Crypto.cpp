#include "Smb2Crypto.h"

#include "Smb2Header.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace smb2 {
namespace {

// ---- OpenSSL objects, each released by its owner ----

struct KdfFree {
    void operator()(EVP_KDF* kdf) const { EVP_KDF_free(kdf); }
    void operator()(EVP_KDF_CTX* ctx) const { EVP_KDF_CTX_free(ctx); }
    void operator()(EVP_MAC* mac) const { EVP_MAC_free(mac); }
    void operator()(EVP_MAC_CTX* ctx) const { EVP_MAC_CTX_free(ctx); }
    void operator()(EVP_CIPHER* cipher) const { EVP_CIPHER_free(cipher); }
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
    void operator()(EVP_MD* md) const { EVP_MD_free(md); }
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
template <typename T>
using Owned = std::unique_ptr<T, KdfFree>;

// OpenSSL failed in itself (no memory, a provider without the algorithm): never the server's
// doing, so not a ProtocolError.
[[noreturn]] void fail(const char* what)
{
    std::string message = std::string("OpenSSL: ") + what;
    if (const unsigned long code = ERR_get_error(); code != 0) {
        std::array<char, 256> text{};
        ERR_error_string_n(code, text.data(), text.size());
        message += ": ";
        message += text.data();
    }
    ERR_clear_error();
    throw std::runtime_error(message);
}

template <typename T>
Owned<T> owned(T* object, const char* what)
{
    if (object == nullptr)
        fail(what);
    return Owned<T>(object);
}

void check(int result, const char* what)
{
    if (result <= 0)
        fail(what);
}

int intLength(std::size_t length)
{
    if (length > static_cast<std::size_t>(INT_MAX))
        throw std::invalid_argument("a buffer too large for the cipher");
    return static_cast<int>(length);
}

OSSL_PARAM octets(const char* key, ByteView bytes)
{
    // OpenSSL only reads these parameters; its signature is not const-correct.
    return OSSL_PARAM_construct_octet_string(key, const_cast<std::uint8_t*>(bytes.data()), bytes.size());
}

OSSL_PARAM text(const char* key, const char* value)
{
    return OSSL_PARAM_construct_utf8_string(key, const_cast<char*>(value), 0);
}

// A string with its NUL terminator, as MS-SMB2's labels and contexts are counted.
ByteView withNul(std::string_view value)
{
    return ByteView(reinterpret_cast<const std::uint8_t*>(value.data()), value.size() + 1);
}

// ---- Key derivation: SP800-108 in counter mode with HMAC-SHA256 ----

Bytes kbkdf(ByteView key, ByteView label, ByteView context, std::size_t length)
{
    const Owned<EVP_KDF> kdf = owned(EVP_KDF_fetch(nullptr, "KBKDF", nullptr), "KBKDF is not available");
    const Owned<EVP_KDF_CTX> ctx = owned(EVP_KDF_CTX_new(kdf.get()), "KBKDF context");
    // Counter mode: i as 32 bits, the label, a 0x00 separator, the context, L as 32 bits; the
    // defaults of OpenSSL's KBKDF, named all the same.
    int useSeparator = 1;
    int useLength = 1;
    const OSSL_PARAM params[] = {
        text(OSSL_KDF_PARAM_MAC, "HMAC"),
        text(OSSL_KDF_PARAM_DIGEST, "SHA256"),
        text(OSSL_KDF_PARAM_MODE, "counter"),
        octets(OSSL_KDF_PARAM_KEY, key),
        octets(OSSL_KDF_PARAM_SALT, label),
        octets(OSSL_KDF_PARAM_INFO, context),
        OSSL_PARAM_construct_int(OSSL_KDF_PARAM_KBKDF_USE_SEPARATOR, &useSeparator),
        OSSL_PARAM_construct_int(OSSL_KDF_PARAM_KBKDF_USE_L, &useLength),
        OSSL_PARAM_construct_end(),
    };
    Bytes out(length);
    check(EVP_KDF_derive(ctx.get(), out.data(), out.size(), params), "KBKDF derivation");
    return out;
}

// Session.SessionKey: the first 16 bytes of the login's key, zero-padded when shorter.
Bytes sixteenBytes(ByteView sessionKey)
{
    Bytes key(16, 0);
    std::copy_n(sessionKey.begin(), std::min<std::size_t>(sessionKey.size(), key.size()), key.begin());
    return key;
}

bool is256(Cipher cipher)
{
    return cipher == Cipher::aes256Ccm || cipher == Cipher::aes256Gcm;
}

bool isCcm(Cipher cipher)
{
    return cipher == Cipher::aes128Ccm || cipher == Cipher::aes256Ccm;
}

// ---- Signing ----

// Feeds a message to a MAC with its signature field read as zeros.
void updateZeroedSignature(EVP_MAC_CTX* ctx, ByteView message)
{
    static constexpr std::array<std::uint8_t, signatureSize> zeros{};
    check(EVP_MAC_update(ctx, message.data(), signatureOffset), "MAC update");
    check(EVP_MAC_update(ctx, zeros.data(), zeros.size()), "MAC update");
    const ByteView rest = message.subspan(signatureOffset + signatureSize);
    if (!rest.empty())
        check(EVP_MAC_update(ctx, rest.data(), rest.size()), "MAC update");
}

Bytes mac(const char* name, const OSSL_PARAM* params, ByteView key, ByteView message)
{
    const Owned<EVP_MAC> algorithm = owned(EVP_MAC_fetch(nullptr, name, nullptr), "MAC is not available");
    const Owned<EVP_MAC_CTX> ctx = owned(EVP_MAC_CTX_new(algorithm.get()), "MAC context");
    check(EVP_MAC_init(ctx.get(), key.data(), key.size(), params), "MAC key");
    updateZeroedSignature(ctx.get(), message);
    std::array<std::uint8_t, 64> out{};
    std::size_t outLength = 0;
    check(EVP_MAC_final(ctx.get(), out.data(), &outLength, out.size()), "MAC final");
    if (outLength < signatureSize)
        fail("MAC shorter than a signature");
    Bytes result(out.begin(), out.begin() + signatureSize);
    OPENSSL_cleanse(out.data(), out.size());
    return result;
}

void requireSixteenByteKey(ByteView key, const char* what)
{
    if (key.size() != 16)
        throw std::invalid_argument(std::string(what) + " takes a 16-byte key");
}

// ---- Encryption ----

struct CipherShape {
    const char* name;
    std::size_t keySize;
    std::size_t nonceSize;
};

CipherShape shapeOf(Cipher cipher)
{
    switch (cipher) {
    case Cipher::aes128Ccm: return {"AES-128-CCM", 16, 11};
    case Cipher::aes128Gcm: return {"AES-128-GCM", 16, 12};
    case Cipher::aes256Ccm: return {"AES-256-CCM", 32, 11};
    case Cipher::aes256Gcm: return {"AES-256-GCM", 32, 12};
    case Cipher::none: break;
    }
    throw std::invalid_argument("no cipher to encrypt with");
}

constexpr std::size_t tagSize = 16;
constexpr std::uint16_t flagEncrypted = 0x0001;
constexpr std::array<std::uint8_t, 4> transformProtocolId{0xFD, 'S', 'M', 'B'};

// Positions within the transform header.
constexpr std::size_t tfSignature = 4;
constexpr std::size_t tfNonce = 20;
constexpr std::size_t tfOriginalSize = 36;
constexpr std::size_t tfFlags = 42;

Owned<EVP_CIPHER_CTX> cipherContext(Cipher cipher, ByteView key, ByteView nonce, bool encrypting,
    const std::uint8_t* expectedTag)
{
    const CipherShape shape = shapeOf(cipher);
    if (key.size() != shape.keySize)
        throw std::invalid_argument(std::string(shape.name) + " takes a " + std::to_string(shape.keySize) + "-byte key");
    const Owned<EVP_CIPHER> algorithm = owned(EVP_CIPHER_fetch(nullptr, shape.name, nullptr), "cipher is not available");
    Owned<EVP_CIPHER_CTX> ctx = owned(EVP_CIPHER_CTX_new(), "cipher context");
    check(EVP_CipherInit_ex(ctx.get(), algorithm.get(), nullptr, nullptr, nullptr, encrypting ? 1 : 0), "cipher init");
    check(EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_IVLEN, static_cast<int>(shape.nonceSize), nullptr),
        "nonce length");
    if (isCcm(cipher)) {
        // CCM takes its tag length (and, when decrypting, the tag) before the key.
        check(EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_TAG, static_cast<int>(tagSize),
                  encrypting ? nullptr : const_cast<std::uint8_t*>(expectedTag)),
            "tag");
    }
    check(EVP_CipherInit_ex(ctx.get(), nullptr, nullptr, key.data(), nonce.first(shape.nonceSize).data(),
              encrypting ? 1 : 0),
        "cipher key");
    return ctx;
}

} // namespace

SessionKeys deriveKeys(Dialect dialect, Cipher cipher, ByteView sessionKey, ByteView preauthHash)
{
    if (sessionKey.empty())
        throw std::invalid_argument("no session key to derive keys from");
    const Bytes key16 = sixteenBytes(sessionKey);
    SessionKeys keys;
    switch (dialect) {
    case Dialect::smb202:
    case Dialect::smb21:
        keys.signing = key16;
        return keys;
    case Dialect::smb30:
    case Dialect::smb302:
        keys.signing = kbkdf(key16, withNul("SMB2AESCMAC"), withNul("SmbSign"), 16);
        if (cipher == Cipher::none)
            return keys;
        if (cipher != Cipher::aes128Ccm)
            throw std::invalid_argument("SMB 3.0 and 3.0.2 encrypt with AES-128-CCM only");
        keys.encryption = kbkdf(key16, withNul("SMB2AESCCM"), withNul("ServerIn "), 16);
        keys.decryption = kbkdf(key16, withNul("SMB2AESCCM"), withNul("ServerOut"), 16);
        return keys;
    case Dialect::smb311: {
        if (preauthHash.size() != 64)
            throw std::invalid_argument("SMB 3.1.1 derives its keys from a 64-byte pre-authentication hash");
        keys.signing = kbkdf(key16, withNul("SMBSigningKey"), preauthHash, 16);
        if (cipher == Cipher::none)
            return keys;
        shapeOf(cipher);  // a known cipher
        // AES-256 derives 32-byte keys from Session.FullSessionKey, the whole login key.
        const ByteView cipherKey = is256(cipher) ? sessionKey : ByteView(key16);
        const std::size_t length = is256(cipher) ? 32 : 16;
        keys.encryption = kbkdf(cipherKey, withNul("SMBC2SCipherKey"), preauthHash, length);
        keys.decryption = kbkdf(cipherKey, withNul("SMBS2CCipherKey"), preauthHash, length);
        return keys;
    }
    }
    throw std::invalid_argument("unknown dialect");
}

SigningAlgorithm signingAlgorithm(Dialect dialect, bool gmacNegotiated)
{
    switch (dialect) {
    case Dialect::smb202:
    case Dialect::smb21:
        return SigningAlgorithm::hmacSha256;
    case Dialect::smb30:
    case Dialect::smb302:
        return SigningAlgorithm::aesCmac;
    case Dialect::smb311:
        return gmacNegotiated ? SigningAlgorithm::aesGmac : SigningAlgorithm::aesCmac;
    }
    throw std::invalid_argument("unknown dialect");
}

Bytes signature(SigningAlgorithm algorithm, ByteView key, ByteView message)
{
    if (message.size() < headerSize)
        throw ProtocolError("message shorter than an SMB2 header");
    switch (algorithm) {
    case SigningAlgorithm::hmacSha256: {
        if (key.empty())
            throw std::invalid_argument("HMAC-SHA256 signing without a key");
        const OSSL_PARAM params[] = {text(OSSL_MAC_PARAM_DIGEST, "SHA256"), OSSL_PARAM_construct_end()};
        return mac("HMAC", params, key, message);
    }
    case SigningAlgorithm::aesCmac: {
        requireSixteenByteKey(key, "AES-128-CMAC");
        const OSSL_PARAM params[] = {text(OSSL_MAC_PARAM_CIPHER, "AES-128-CBC"), OSSL_PARAM_construct_end()};
        return mac("CMAC", params, key, message);
    }
    case SigningAlgorithm::aesGmac: {
        requireSixteenByteKey(key, "AES-128-GMAC");
        // The nonce: MessageId, then 32 bits of which bit 0 tells a server's message and
        // bit 1 a CANCEL request.
        ByteReader header(message);
        header.seek(12);
        const auto command = static_cast<Command>(header.u16());
        header.seek(16);
        std::uint32_t roleBits = header.u32() & flags::serverToRedirector;
        if (command == Command::cancel)
            roleBits |= 0x2;
        header.seek(24);
        ByteWriter nonce;
        nonce.u64(header.u64());  // MessageId
        nonce.u32(roleBits);
        const OSSL_PARAM params[] = {
            text(OSSL_MAC_PARAM_CIPHER, "AES-128-GCM"),
            octets(OSSL_MAC_PARAM_IV, nonce.view()),
            OSSL_PARAM_construct_end(),
        };
        return mac("GMAC", params, key, message);
    }
    }
    throw std::invalid_argument("unknown signing algorithm");
}

void sign(SigningAlgorithm algorithm, ByteView key, std::span<std::uint8_t> message)
{
    const Bytes computed = signature(algorithm, key, message);
    std::copy(computed.begin(), computed.end(), message.begin() + signatureOffset);
}

bool verify(SigningAlgorithm algorithm, ByteView key, ByteView message)
{
    if (message.size() < headerSize)
        return false;
    const Bytes computed = signature(algorithm, key, message);
    return CRYPTO_memcmp(computed.data(), message.data() + signatureOffset, signatureSize) == 0;
}

Bytes encrypt(Cipher cipher, ByteView key, std::uint64_t sessionId, ByteView message)
{
    const CipherShape shape = shapeOf(cipher);
    std::array<std::uint8_t, transformNonceSize> nonceField{};
    const Bytes nonce = randomBytes(shape.nonceSize);
    std::copy(nonce.begin(), nonce.end(), nonceField.begin());
    return encrypt(cipher, key, sessionId, message, nonceField);
}

Bytes encrypt(Cipher cipher, ByteView key, std::uint64_t sessionId, ByteView message, ByteView nonceField)
{
    if (nonceField.size() != transformNonceSize)
        throw std::invalid_argument("the transform header's nonce field takes 16 bytes");
    if (message.empty())
        throw std::invalid_argument("no message to encrypt");
    if (message.size() > 0xFFFFFFFFu)
        throw std::invalid_argument("message too large for a transform header");
    const int length = intLength(message.size());

    ByteWriter header;
    header.bytes(transformProtocolId);
    header.zeros(signatureSize);  // the tag, once computed
    header.bytes(nonceField);
    header.u32(static_cast<std::uint32_t>(message.size()));
    header.u16(0);  // reserved
    header.u16(flagEncrypted);
    header.u64(sessionId);
    Bytes out = header.take();
    out.resize(transformHeaderSize + message.size());
    const ByteView aad(out.data() + tfNonce, transformHeaderSize - tfNonce);

    const Owned<EVP_CIPHER_CTX> ctx = cipherContext(cipher, key, nonceField, true, nullptr);
    int written = 0;
    if (isCcm(cipher))
        check(EVP_EncryptUpdate(ctx.get(), nullptr, &written, nullptr, length), "message length");
    check(EVP_EncryptUpdate(ctx.get(), nullptr, &written, aad.data(), intLength(aad.size())), "associated data");
    std::uint8_t* ciphertext = out.data() + transformHeaderSize;
    check(EVP_EncryptUpdate(ctx.get(), ciphertext, &written, message.data(), length), "encryption");
    int finalWritten = 0;
    check(EVP_EncryptFinal_ex(ctx.get(), ciphertext + written, &finalWritten), "encryption final");
    if (static_cast<std::size_t>(written) + static_cast<std::size_t>(finalWritten) != message.size())
        fail("ciphertext of another length than the message");
    check(EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_GET_TAG, static_cast<int>(tagSize), out.data() + tfSignature),
        "tag");
    return out;
}

bool isTransformMessage(ByteView message)
{
    return message.size() >= transformProtocolId.size()
        && std::equal(transformProtocolId.begin(), transformProtocolId.end(), message.begin());
}

Bytes decrypt(Cipher cipher, ByteView key, std::uint64_t sessionId, ByteView transformed)
{
    const CipherShape shape = shapeOf(cipher);
    if (key.size() != shape.keySize)
        throw std::invalid_argument(std::string(shape.name) + " takes a " + std::to_string(shape.keySize) + "-byte key");
    if (transformed.size() < transformHeaderSize)
        throw ProtocolError("transform message shorter than its header");
    if (!isTransformMessage(transformed))
        throw ProtocolError("not a transform message");
    ByteReader header(transformed);
    header.seek(tfOriginalSize);
    const std::size_t originalSize = header.u32();
    header.seek(tfFlags);
    if (header.u16() != flagEncrypted)
        throw ProtocolError("transform message not marked as encrypted");
    if (header.u64() != sessionId)
        throw ProtocolError("transform message for another session");
    if (originalSize != transformed.size() - transformHeaderSize)
        throw ProtocolError("transform message's original size differs from what follows its header");
    if (originalSize < headerSize)
        throw ProtocolError("transform message holds less than an SMB2 header");

    const std::uint8_t* tag = transformed.data() + tfSignature;
    const ByteView nonceField = transformed.subspan(tfNonce, transformNonceSize);
    const ByteView aad = transformed.subspan(tfNonce, transformHeaderSize - tfNonce);
    const ByteView ciphertext = transformed.subspan(transformHeaderSize);
    const int length = intLength(ciphertext.size());

    const Owned<EVP_CIPHER_CTX> ctx = cipherContext(cipher, key, nonceField, false, tag);
    Bytes plain(ciphertext.size());
    int written = 0;
    bool authentic = false;
    if (isCcm(cipher)) {
        // CCM checks the tag within the one update that decrypts.
        check(EVP_DecryptUpdate(ctx.get(), nullptr, &written, nullptr, length), "message length");
        check(EVP_DecryptUpdate(ctx.get(), nullptr, &written, aad.data(), intLength(aad.size())), "associated data");
        authentic = EVP_DecryptUpdate(ctx.get(), plain.data(), &written, ciphertext.data(), length) > 0;
    } else {
        check(EVP_DecryptUpdate(ctx.get(), nullptr, &written, aad.data(), intLength(aad.size())), "associated data");
        check(EVP_DecryptUpdate(ctx.get(), plain.data(), &written, ciphertext.data(), length), "decryption");
        check(EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_AEAD_SET_TAG, static_cast<int>(tagSize), const_cast<std::uint8_t*>(tag)),
            "tag");
        int finalWritten = 0;
        authentic = EVP_DecryptFinal_ex(ctx.get(), plain.data() + written, &finalWritten) > 0;
    }
    if (!authentic) {
        ERR_clear_error();
        OPENSSL_cleanse(plain.data(), plain.size());
        throw ProtocolError("transform message failed its authentication");
    }
    return plain;
}

PreauthHash::PreauthHash() : m_value(64, 0) {}

void PreauthHash::update(ByteView message)
{
    const Owned<EVP_MD> sha512 = owned(EVP_MD_fetch(nullptr, "SHA512", nullptr), "SHA-512 is not available");
    const Owned<EVP_MD_CTX> ctx = owned(EVP_MD_CTX_new(), "digest context");
    check(EVP_DigestInit_ex(ctx.get(), sha512.get(), nullptr), "digest init");
    check(EVP_DigestUpdate(ctx.get(), m_value.data(), m_value.size()), "digest update");
    check(EVP_DigestUpdate(ctx.get(), message.data(), message.size()), "digest update");
    unsigned int length = 0;
    check(EVP_DigestFinal_ex(ctx.get(), m_value.data(), &length), "digest final");
    if (length != m_value.size())
        fail("SHA-512 of another length");
}

Bytes randomBytes(std::size_t count)
{
    Bytes out(count);
    if (count > 0)
        check(RAND_bytes(out.data(), intLength(count)), "random bytes");
    return out;
}

} // namespace smb2
