// The session's cryptography against published test vectors, where any are published:
//  [anatomy]   Microsoft's protocol documentation blog, "SMB 2 and SMB 3 security in Windows 10: the
//              anatomy of signing and cryptographic keys", appendix "Key derivation examples"
//              (keys of 3.0 and 3.1.1, the 3.1.1 pre-authentication hash step by step, and the
//              signed final session-setup responses);
//  [enc30]     the same blog, "Encryption in SMB 3.0: a protocol perspective" (AES-128-CCM);
//  [enc311]    the same blog, "SMB 3.1.1 encryption in Windows 10" (AES-128-GCM);
//  [captured]  HMAC-SHA256-signed SMB 2.1 session-setup responses with their session keys, as
//              SMBLibrary's tests carry them.
// Nothing is published for AES-GMAC signing or the AES-256 ciphers: GMAC is checked by the
// session tests against Samba, which signs with it on 3.1.1; AES-256's keys against SP800-108
// written out with plain HMAC-SHA256, its ciphers by round trips.
#include "Smb2Crypto.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <cctype>
#include <stdexcept>
#include <string>
#include <string_view>

using namespace smb2;

namespace {

Bytes hex(std::string_view text)
{
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    return out;
}

// The 3.1.1 first channel of [anatomy]: its first two messages (the negotiate), and the
// pre-authentication hash after each.
const char* const preauthMessages[][2] = {
    {"FE534D4240000100000000000000800000000000000000000100000000000000FFFE000000000000"
     "00000000000000000000000000000000000000000000000024000500000000003F000000ECD86F32"
     "6276024F9F7752B89BB33F3A70000000020000000202100200030203110300000100260000000000"
     "010020000100FA49E6578F1F3A9F4CD3E9CC14A67AA884B3D05844E0E5A118225C15887F32FF0000"
     "0200060000000000020002000100",
     "DD94EFC5321BB618A2E208BA8920D2F422992526947A409B5037DE1E0FE8C7362B8C47122594CDE0"
     "CE26AA9DFC8BCDBDE0621957672623351A7540F1E54A0426"},
    {"FE534D4240000100000000000000010001000000000000000100000000000000FFFE000000000000"
     "000000000000000000000000000000000000000000000000410001001103020039CBCAF329714942"
     "BDCE5D60F09AB3FB2F000000000080000000800000008000D8DAE5ADCBAED00109094AB095AED001"
     "80004001C00100006082013C06062B0601050502A08201303082012CA01A3018060A2B0601040182"
     "3702021E060A2B06010401823702020AA282010C048201084E45474F455854530100000000000000"
     "60000000700000007C7CC0FD06D6362D02DDE1CF343BFE292900F49750B4AA97934D9C4296B26E51"
     "FD370471B235E15A50DAE15BD5489C87000000000000000060000000010000000000000000000000"
     "5C33530DEAF90D4DB2EC4AE3786EC3084E45474F4558545303000000010000004000000098000000"
     "7C7CC0FD06D6362D02DDE1CF343BFE295C33530DEAF90D4DB2EC4AE3786EC3084000000058000000"
     "3056A05430523027802530233121301F06035504031318546F6B656E205369676E696E6720507562"
     "6C6963204B65793027802530233121301F06035504031318546F6B656E205369676E696E67205075"
     "626C6963204B6579010026000000000001002000010060A3C3B95C3C7CCD51EC536648D9B3AC74C4"
     "83CA5B65385A251117BEB30712E50000020004000000000001000200",
     "324BFA92A4F3A190E466EBEA08D9C110DC88BFED758D9846ECC6F541CC1D02AE3C94A79F36011E99"
     "7E13F841B91B50957AD07B19C8E2539C0B23FDAE09D2C513"},
};

const char* const firstChannelHash =
    "0DD13628CC3ED218EF9DF9772D436D0887AB9814BFAE63A80AA845F36909DB7928622DDDAD522D97"
    "51640A459762C5A9D6BB084CBB3CE6BDADEF5D5BCE3C6C01";
} // namespace

TEST(Smb2Crypto, KeysMatchThePublishedDerivations)
{
    struct Case {
        const char* source;
        Dialect dialect;
        Cipher cipher;
        const char* sessionKey;
        const char* preauthHash;
        const char* signing;
        const char* encryption;  // empty: no cipher
        const char* decryption;
    };
    const Case cases[] = {
        {"anatomy 3.0, first channel", Dialect::smb30, Cipher::aes128Ccm, "7CD451825D0450D235424E44BA6E78CC", "",
         "0B7E9C5CAC36C0F6EA9AB275298CEDCE", "FAD27796665B313EBB578F388632B4F7", "B0F0427F7CEB416D1D9DCC0CD4F99447"},
        {"anatomy 3.1.1, first channel", Dialect::smb311, Cipher::aes128Gcm, "270E1BA896585EEB7AF3472D3B4C75A7",
         firstChannelHash, "73FE7A9A77BEF0BDE49C650D8CCB5F76", "629BCBC54422A0F572B97F45989B6073",
         "E2AF0DCEFAC68DA71A0DFBD0D1350D74"},
        // 2.x signs with the session key itself.
        {"2.1", Dialect::smb21, Cipher::none, "D38354CC374339F0524F789146789921", "",
         "D38354CC374339F0524F789146789921", "", ""},
    };
    for (const Case& c : cases) {
        const SessionKeys keys = deriveKeys(c.dialect, c.cipher, hex(c.sessionKey), hex(c.preauthHash));
        EXPECT_EQ(keys.signing, hex(c.signing)) << c.source;
        EXPECT_EQ(keys.encryption, hex(c.encryption)) << c.source;
        EXPECT_EQ(keys.decryption, hex(c.decryption)) << c.source;
    }
}

TEST(Smb2Crypto, PreauthHashFollowsThePublishedSteps)
{
    PreauthHash hash;
    EXPECT_EQ(hash.value(), Bytes(64, 0));
    for (const auto& [message, after] : preauthMessages) {
        hash.update(hex(message));
        EXPECT_EQ(hash.value(), hex(after));
    }
}

TEST(Smb2Crypto, PublishedSignaturesVerifyAndAnyChangeIsRefused)
{
    struct Case {
        const char* source;
        SigningAlgorithm algorithm;
        const char* key;
        const char* message;  // as received, its signature in place
    };
    const Case cases[] = {
        {"anatomy 3.1.1 first channel, final session setup response", SigningAlgorithm::aesCmac,
         "73FE7A9A77BEF0BDE49C650D8CCB5F76",
         "FE534D4240000100000000000100800009000000000000000300000000000000FFFE000000000000"
         "1900000000100000EBE146DA120BA25FC3376A49DFE31BC10900000048001D00A11B3019A0030A01"
         "00A3120410010000003B453CDC3524164200000000"},
        {"captured 2.1, session setup response", SigningAlgorithm::hmacSha256, "D38354CC374339F0524F789146789921",
         "FE534D4240000100280100C00B00070009000000000000000400000000000000FFFE000001000000"
         "0100000000040000FBD284340324C62FBEBB65DD1051F3AE0900000000000000FF"},
    };
    for (const Case& c : cases) {
        const Bytes key = hex(c.key);
        const Bytes message = hex(c.message);
        EXPECT_EQ(signature(c.algorithm, key, message), Bytes(message.begin() + 48, message.begin() + 64)) << c.source;
        EXPECT_TRUE(verify(c.algorithm, key, message)) << c.source;

        Bytes resigned = message;
        std::fill(resigned.begin() + 48, resigned.begin() + 64, 0);
        sign(c.algorithm, key, resigned);
        EXPECT_EQ(resigned, message) << c.source;

        // A changed byte anywhere, in the header, the signature or the body, is refused.
        for (std::size_t at : {std::size_t{0}, std::size_t{16}, std::size_t{24}, std::size_t{40}, std::size_t{48},
                 std::size_t{63}, std::size_t{64}, message.size() - 1}) {
            Bytes tampered = message;
            tampered[at] ^= 0x01;
            EXPECT_FALSE(verify(c.algorithm, key, tampered)) << c.source << " byte " << at;
        }
        Bytes wrongKey = key;
        wrongKey[0] ^= 0x80;
        EXPECT_FALSE(verify(c.algorithm, wrongKey, message)) << c.source;
        EXPECT_FALSE(verify(c.algorithm, key, ByteView(message).first(63))) << c.source;
        EXPECT_THROW(signature(c.algorithm, key, ByteView(message).first(63)), ProtocolError) << c.source;
    }
}

TEST(Smb2Crypto, PublishedTransformMessagesEncryptAndDecrypt)
{
    struct Case {
        const char* source;
        Cipher cipher;
        const char* encryptionKey;  // client to server
        const char* decryptionKey;  // server to client
        std::uint64_t sessionId;
        const char* nonceField;
        const char* request;
        const char* transformedRequest;
        const char* transformedResponse;
        const char* response;
    };
    const Case cases[] = {
        {"enc30", Cipher::aes128Ccm, "261B72350558F2E9DCF613070383EDBF", "8FE2B57EC34D2DB5B1A9727F526BBDB5",
         0x8E40014000011ull, "66E69A111892584FB5ED524A744DA3EE",
         "FE534D4240000100000000000900400008000000000000000400000000000000"
         "FFFE0000010000001100001400E4080000000000000000000000000000000000"
         "3100700017000000000000000000000015010000390000020100000039020000"
         "00000000000000007000000000000000536D623320656E6372797074696F6E20"
         "74657374696E67",
         "FD534D4281A286535415445DAE393921E44FA42E66E69A111892584FB5ED524A"
         "744DA3EE87000000000001001100001400E4080025C8FEE16605A437832D1CD5"
         "2DA9F4645333482A175FE5384563F45FCDAFAEF38BC62BA4D5C62897996625A4"
         "4C29BE5658DE2E6117585779E7B59FFD971278D08580D7FA899E410E910EABF5"
         "AA1DB43050B33B49182637759AC15D84BFCDF5B6B238993C0F4CF4D6012023F6"
         "C627297075D84B7803912D0A9639634453595EF3E33FFE4E7AC2AB",
         "FD534D42A6015530A18F6D9AFFE22AFAE8E66484860000000000000011000014"
         "00E4080050000000000001001100001400E40800DBF46435C5F14169293CE079"
         "E344479BF670227E49873F458672C3098DAC467DD5809F369D67409166515787"
         "1483E01F7BECD02064EAC3E235F913668BBC2F097980D4B378F1993EFF6E60D1"
         "77309E5B",
         "FE534D4240000100000000000900210009000000000000000400000000000000"
         "FFFE0000010000001100001400E4080000000000000000000000000000000000"
         "11000000170000000000000000000000"},
        {"enc311", Cipher::aes128Gcm, "A2F5E80E5D59103034F32E52F698E5EC", "748C50868C90F302962A5C35F5F9A8BF",
         0x100000000025ull, "C7D6822D269CAF48904C664C00000000",
         "FE534D4240000100000000000900010008000000000000000500000000000000FFFE000001000000"
         "25000000001000000000000000000000000000000000000031007000170000000000000000000000"
         "0600000004000000010000000400000000000000000000007000000000000000536D623320656E63"
         "72797074696F6E2074657374696E67",
         "FD534D42BD73D97D2BC9001BCAFAC0FDFF5FEEBCC7D6822D269CAF48904C664C0000000087000000"
         "0000010025000000001000006ECDD2A7AFC7B47763057A041B8FD4DAFFE990B70C9E09D36C084E02"
         "D14EF247F8BDE38ACF6256F8B1D3B56F77FBDEB312FEA5E92CBCC1ED8FB2EBBFAA75E49A4A394BB4"
         "4576545567C24D4C014D47C9FBDFDAFD2C4F9B72F8D256452620A299F48E29E53D6B61D1C13A19E9"
         "1AF013F00D17E3ABC2FC3D36C8C1B6B93973253852DBD442E46EE8",
         "FD534D42ACBE1CB7ED343ADF1725EF144D90D4B0E06831DD2E8EB7B4000000000000000050000000"
         "00000100250000000010000026BBBF949983A6C1C796559D0F2C510CB651D1F7B6AC8DED32A2A0B8"
         "F2D793A815C6F6B848D69767A215841A42D400AE6DDB5F0B44173A014973321FDD7950DA6179159B"
         "82E03C9E18A050FF0EA1C967",
         "FE534D4240000100000000000900010001000000000000000500000000000000FFFE000001000000"
         "25000000001000000000000000000000000000000000000011000000170000000000000000000000"},
    };
    for (const Case& c : cases) {
        const Bytes encrypted =
            encrypt(c.cipher, hex(c.encryptionKey), c.sessionId, hex(c.request), hex(c.nonceField));
        EXPECT_EQ(encrypted, hex(c.transformedRequest)) << c.source;
        EXPECT_EQ(decrypt(c.cipher, hex(c.decryptionKey), c.sessionId, hex(c.transformedResponse)), hex(c.response))
            << c.source;
        // The server would read the request with its decryption key, which is ours to encrypt.
        EXPECT_EQ(decrypt(c.cipher, hex(c.encryptionKey), c.sessionId, encrypted), hex(c.request)) << c.source;
    }
}

TEST(Smb2Crypto, EveryCipherRoundTripsAndRefusesWhatDoesNotAddUp)
{
    const Bytes sessionKey = hex("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F");
    const Bytes preauth(64, 0x5A);
    const std::uint64_t sessionId = 0x0000400000000041ull;
    const Bytes message = hex(preauthMessages[1][0]);

    for (const Cipher cipher : {Cipher::aes128Ccm, Cipher::aes128Gcm, Cipher::aes256Ccm, Cipher::aes256Gcm}) {
        const SessionKeys keys = deriveKeys(Dialect::smb311, cipher, sessionKey, preauth);
        const std::string name = "cipher " + std::to_string(static_cast<int>(cipher));

        const Bytes transformed = encrypt(cipher, keys.decryption, sessionId, message);
        ASSERT_EQ(transformed.size(), transformHeaderSize + message.size()) << name;
        // The nonce's padding is zero: 5 bytes after CCM's 11, 4 after GCM's 12.
        const std::size_t nonceSize = (cipher == Cipher::aes128Ccm || cipher == Cipher::aes256Ccm) ? 11 : 12;
        for (std::size_t i = 20 + nonceSize; i < 36; ++i)
            EXPECT_EQ(transformed[i], 0) << name << " byte " << i;
        EXPECT_EQ(decrypt(cipher, keys.decryption, sessionId, transformed), message) << name;

        // Two encryptions of one message take two nonces.
        EXPECT_NE(encrypt(cipher, keys.decryption, sessionId, message), transformed) << name;

        // Any changed byte: protocol id, signature, nonce, size, reserved, flags, session id,
        // ciphertext. Each is refused (the reserved field by the tag, being associated data).
        for (std::size_t at : {std::size_t{0}, std::size_t{4}, std::size_t{19}, std::size_t{20}, std::size_t{35},
                 std::size_t{36}, std::size_t{40}, std::size_t{42}, std::size_t{44}, std::size_t{51},
                 std::size_t{52}, transformed.size() - 1}) {
            Bytes tampered = transformed;
            tampered[at] ^= 0x04;
            EXPECT_THROW(decrypt(cipher, keys.decryption, sessionId, tampered), ProtocolError) << name << " byte " << at;
        }
        EXPECT_THROW(decrypt(cipher, keys.decryption, sessionId + 1, transformed), ProtocolError) << name;
        EXPECT_THROW(decrypt(cipher, keys.encryption, sessionId, transformed), ProtocolError) << name;
        Bytes longer = transformed;
        longer.push_back(0);
        EXPECT_THROW(decrypt(cipher, keys.decryption, sessionId, longer), ProtocolError) << name;
        EXPECT_THROW(decrypt(cipher, keys.decryption, sessionId, ByteView(transformed).first(transformed.size() - 1)),
            ProtocolError)
            << name;
        EXPECT_THROW(decrypt(cipher, keys.decryption, sessionId, ByteView(transformed).first(51)), ProtocolError)
            << name;
        // Sealed whole, but holding less than an SMB2 header.
        const Bytes tooShort = encrypt(cipher, keys.decryption, sessionId, ByteView(message).first(63));
        EXPECT_THROW(decrypt(cipher, keys.decryption, sessionId, tooShort), ProtocolError) << name;
    }
}

// SP800-108 in counter mode written out with plain HMAC-SHA256: K(i) = HMAC(key, i || label ||
// 0x00 || context || L), all numbers 32-bit big-endian.
static Bytes referenceKdf(ByteView key, std::string_view label, ByteView context, std::uint32_t bits)
{
    Bytes out;
    for (std::uint32_t i = 1; out.size() * 8 < bits; ++i) {
        ByteWriter input;
        const auto bigEndian = [&](std::uint32_t value) {
            for (int shift = 24; shift >= 0; shift -= 8)
                input.u8(static_cast<std::uint8_t>(value >> shift));
        };
        bigEndian(i);
        input.bytes(ByteView(reinterpret_cast<const std::uint8_t*>(label.data()), label.size()));
        input.zeros(2);  // the label's NUL, the separator
        input.bytes(context);
        bigEndian(bits);
        unsigned char digest[32];
        unsigned int length = 0;
        HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), input.view().data(), input.size(), digest, &length);
        out.insert(out.end(), digest, digest + length);
    }
    out.resize(bits / 8);
    return out;
}

TEST(Smb2Crypto, DialectsDeriveDifferentlyAndAes256TakesTheFullKey)
{
    const Bytes kerberosKey = hex("8FE1D4B0A2C9737E0D6153B8E5F2AA91C4D0E7A62B9F13580C7D4E1A96B2F3C0");
    const Bytes hash(64, 0x3C);

    // 3.0 and 3.0.2 share their fixed labels (the published vectors check 3.0 and 3.1.1).
    const SessionKeys v30 = deriveKeys(Dialect::smb30, Cipher::aes128Ccm, kerberosKey, {});
    const SessionKeys v302 = deriveKeys(Dialect::smb302, Cipher::aes128Ccm, kerberosKey, {});
    EXPECT_EQ(v30.signing, v302.signing);
    EXPECT_EQ(v30.encryption, v302.encryption);
    EXPECT_EQ(v30.decryption, v302.decryption);

    // 128-bit keys come from the first 16 bytes of the login's key; 256-bit ones from all of it.
    const ByteView first16 = ByteView(kerberosKey).first(16);
    const SessionKeys v311 = deriveKeys(Dialect::smb311, Cipher::aes128Ccm, kerberosKey, hash);
    EXPECT_EQ(v311.encryption, referenceKdf(first16, "SMBC2SCipherKey", hash, 128));
    for (const Cipher cipher : {Cipher::aes256Ccm, Cipher::aes256Gcm}) {
        const SessionKeys keys = deriveKeys(Dialect::smb311, cipher, kerberosKey, hash);
        EXPECT_EQ(keys.signing, v311.signing);
        EXPECT_EQ(keys.encryption, referenceKdf(kerberosKey, "SMBC2SCipherKey", hash, 256));
        EXPECT_EQ(keys.decryption, referenceKdf(kerberosKey, "SMBS2CCipherKey", hash, 256));
    }
    // A 16-byte login key (NTLM) still gives 32-byte AES-256 keys; a shorter one is zero-padded
    // for signing.
    EXPECT_EQ(deriveKeys(Dialect::smb311, Cipher::aes256Gcm, first16, hash).encryption,
        referenceKdf(first16, "SMBC2SCipherKey", hash, 256));
    Bytes padded(16, 0);
    padded[0] = 0xAB;
    EXPECT_EQ(deriveKeys(Dialect::smb21, Cipher::none, Bytes{0xAB}, {}).signing, padded);
}
