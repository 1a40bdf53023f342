#include "Smb2Negotiate.h"

#include "Smb2Errors.h"
#include "Smb2Header.h"

#include <algorithm>
#include <array>

namespace smb2 {

namespace {

constexpr std::array allDialects{Dialect::smb202, Dialect::smb21, Dialect::smb30, Dialect::smb302, Dialect::smb311};

constexpr std::uint16_t preauthIntegrityContext = 1;
constexpr std::uint16_t encryptionContext = 2;
constexpr std::uint16_t signingContext = 8;
constexpr std::uint16_t sha512 = 1;
constexpr std::array offeredCiphers{Cipher::aes128Gcm, Cipher::aes128Ccm, Cipher::aes256Gcm, Cipher::aes256Ccm};
// The signing algorithms' identifiers in the context, most preferred first.
constexpr std::array offeredSigning{SigningAlgorithm::aesGmac, SigningAlgorithm::aesCmac};

constexpr std::size_t negotiateRequestFixed = 36;
constexpr std::size_t negotiateResponseFixed = 64;
constexpr std::size_t maxContexts = 32;
constexpr std::uint32_t minimumTransferSize = 65536;

void writeContext(ByteWriter& writer, std::uint16_t type, const Bytes& data)
{
    writer.align(8);
    writer.u16(type);
    writer.u16(static_cast<std::uint16_t>(data.size()));
    writer.u32(0);
    writer.bytes(data);
}

Bytes preauthContext(const Bytes& salt)
{
    ByteWriter data;
    data.u16(1);
    data.u16(static_cast<std::uint16_t>(salt.size()));
    data.u16(sha512);
    data.bytes(salt);
    return data.take();
}

template <typename List, typename Id>
Bytes listContext(const List& list, Id id)
{
    ByteWriter data;
    data.u16(static_cast<std::uint16_t>(list.size()));
    for (const auto& item : list)
        data.u16(id(item));
    return data.take();
}

// The one value a response context chooses from a list.
std::uint16_t chosenValue(ByteView data, const char* what)
{
    ByteReader reader(data);
    if (reader.u16() != 1)
        throw ProtocolError(std::string(what) + " context must choose exactly one");
    return reader.u16();
}

void readContexts(ByteView message, std::uint32_t offset, std::uint16_t count, Negotiated& negotiated)
{
    if (count == 0 || count > maxContexts)
        throw ProtocolError("3.1.1 negotiate response with a bad number of contexts");
    if (offset % 8 != 0 || offset < headerSize + negotiateResponseFixed)
        throw ProtocolError("negotiate contexts misplaced");
    ByteReader reader(message);
    reader.seek(std::min<std::size_t>(offset, message.size()));
    bool seenPreauth = false, seenCipher = false, seenSigning = false;
    for (std::uint16_t i = 0; i < count; ++i) {
        reader.align(8);
        const std::uint16_t type = reader.u16();
        const std::uint16_t length = reader.u16();
        reader.skip(4);
        const ByteView data = reader.bytes(length);
        auto once = [](bool& seen) {
            if (seen)
                throw ProtocolError("a negotiate context repeated");
            seen = true;
        };
        if (type == preauthIntegrityContext) {
            once(seenPreauth);
            ByteReader preauth(data);
            if (preauth.u16() != 1)
                throw ProtocolError("preauth integrity context must choose exactly one hash");
            const std::uint16_t saltLength = preauth.u16();
            if (preauth.u16() != sha512)
                throw ProtocolError("the server chose a preauth hash not offered");
            preauth.bytes(saltLength);
        } else if (type == encryptionContext) {
            once(seenCipher);
            const auto cipher = static_cast<Cipher>(chosenValue(data, "encryption"));
            if (cipher != Cipher::none && std::find(offeredCiphers.begin(), offeredCiphers.end(), cipher) == offeredCiphers.end())
                throw ProtocolError("the server chose a cipher not offered");
            negotiated.cipher = cipher;
        } else if (type == signingContext) {
            once(seenSigning);
            const auto algorithm = static_cast<SigningAlgorithm>(chosenValue(data, "signing"));
            if (std::find(offeredSigning.begin(), offeredSigning.end(), algorithm) == offeredSigning.end())
                throw ProtocolError("the server chose a signing algorithm not offered");
            negotiated.gmacSigning = algorithm == SigningAlgorithm::aesGmac;
        }
    }
    if (!seenPreauth)
        throw ProtocolError("3.1.1 negotiate response without preauth integrity");
}

} // namespace

NegotiateOffer makeNegotiateOffer(Dialect maxDialect)
{
    NegotiateOffer offer;
    for (const Dialect dialect : allDialects)
        if (dialect <= maxDialect)
            offer.dialects.push_back(dialect);
    // Required, not only enabled: the server then signs every response, the final session
    // setup response too, whatever its own settings.
    offer.securityMode = securityMode::signingEnabled | securityMode::signingRequired;
    if (maxDialect >= Dialect::smb30)
        offer.capabilities = capability::largeMtu | capability::encryption;
    offer.clientGuid = randomBytes(16);
    if (maxDialect >= Dialect::smb311)
        offer.salt = randomBytes(32);
    return offer;
}

Bytes negotiateRequestBody(const NegotiateOffer& offer)
{
    const bool contexts = offer.dialects.back() == Dialect::smb311;
    ByteWriter body;
    body.u16(negotiateRequestFixed);
    body.u16(static_cast<std::uint16_t>(offer.dialects.size()));
    body.u16(offer.securityMode);
    body.u16(0);
    body.u32(offer.capabilities);
    body.bytes(offer.clientGuid);
    const std::size_t contextOffsetAt = body.size();
    body.u32(0);
    body.u16(contexts ? 3 : 0);
    body.u16(0);
    for (const Dialect dialect : offer.dialects)
        body.u16(static_cast<std::uint16_t>(dialect));
    if (contexts) {
        // The body starts at offset 64, a multiple of 8, so its own alignment is the message's.
        body.align(8);
        body.patch32(contextOffsetAt, static_cast<std::uint32_t>(headerSize + body.size()));
        writeContext(body, preauthIntegrityContext, preauthContext(offer.salt));
        writeContext(body, encryptionContext, listContext(offeredCiphers, [](Cipher c) { return static_cast<std::uint16_t>(c); }));
        writeContext(body, signingContext, listContext(offeredSigning, [](SigningAlgorithm a) { return static_cast<std::uint16_t>(a); }));
    }
    return body.take();
}

Negotiated parseNegotiateResponse(ByteView message, const NegotiateOffer& offer)
{
    ByteReader reader = readBody(message, 65);
    Negotiated negotiated;
    negotiated.securityMode = reader.u16();
    negotiated.dialect = static_cast<Dialect>(reader.u16());
    if (std::find(offer.dialects.begin(), offer.dialects.end(), negotiated.dialect) == offer.dialects.end())
        throw ProtocolError("the server chose a dialect this client did not offer");
    const std::uint16_t contextCount = reader.u16();
    const ByteView guid = reader.bytes(16);
    negotiated.serverGuid.assign(guid.begin(), guid.end());
    negotiated.capabilities = reader.u32();
    negotiated.maxTransactSize = reader.u32();
    negotiated.maxReadSize = reader.u32();
    if (reader.u32() < minimumTransferSize || negotiated.maxTransactSize < minimumTransferSize
        || negotiated.maxReadSize < minimumTransferSize)
        throw ProtocolError("the server's transfer sizes are below the protocol's minimum");
    reader.skip(16);  // system time, server start time
    const std::uint16_t securityOffset = reader.u16();
    const std::uint16_t securityLength = reader.u16();
    const std::uint32_t contextOffset = reader.u32();
    const ByteView security = messageBuffer(message, securityOffset, securityLength, headerSize + negotiateResponseFixed,
                                            "negotiate security buffer");
    negotiated.securityBuffer.assign(security.begin(), security.end());
    if (negotiated.dialect == Dialect::smb311)
        readContexts(message, contextOffset, contextCount, negotiated);
    else if (negotiated.dialect >= Dialect::smb30 && (negotiated.capabilities & capability::encryption))
        negotiated.cipher = Cipher::aes128Ccm;
    return negotiated;
}

Bytes validateNegotiateInput(const NegotiateOffer& offer)
{
    ByteWriter input;
    input.u32(offer.capabilities);
    input.bytes(offer.clientGuid);
    input.u16(offer.securityMode);
    input.u16(static_cast<std::uint16_t>(offer.dialects.size()));
    for (const Dialect dialect : offer.dialects)
        input.u16(static_cast<std::uint16_t>(dialect));
    return input.take();
}

void checkValidateNegotiateOutput(ByteView output, const Negotiated& negotiated)
{
    ByteReader reader(output);
    const std::uint32_t capabilities = reader.u32();
    const ByteView guid = reader.bytes(16);
    const std::uint16_t mode = reader.u16();
    const auto dialect = static_cast<Dialect>(reader.u16());
    if (capabilities != negotiated.capabilities || !std::equal(guid.begin(), guid.end(), negotiated.serverGuid.begin(), negotiated.serverGuid.end())
        || mode != negotiated.securityMode || dialect != negotiated.dialect)
        throw IntegrityError("the negotiation was altered on the way");
}

} // namespace smb2
