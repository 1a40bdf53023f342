#include "Smb2Channel.h"

#include "Smb2Errors.h"

#include <algorithm>

namespace smb2 {

namespace {

constexpr std::uint32_t creditUnit = 65536;
// Samba grants up to this many; asking for more only wastes the server's effort.
constexpr std::uint32_t maxWantedBalance = 8192;

} // namespace

Smb2Channel::Smb2Channel(std::unique_ptr<TcpTransport> transport) : m_transport(std::move(transport)) {}

void Smb2Channel::secure(SessionSecurity security)
{
    m_sessionId = security.sessionId;
    m_security = std::move(security);
}

bool Smb2Channel::encrypts() const
{
    return m_security && (m_security->encryptAll || !m_encryptedTrees.empty());
}

bool Smb2Channel::signatureValid(ByteView message) const
{
    return m_security && verify(m_security->signing, m_security->keys.signing, message);
}

void Smb2Channel::wantCredits(std::uint32_t balance)
{
    m_wantedBalance = std::clamp<std::uint32_t>(balance, 1, maxWantedBalance);
}

std::uint16_t Smb2Channel::charge(std::uint32_t payload) const
{
    if (!m_multiCredit)
        return 1;
    return static_cast<std::uint16_t>(std::max<std::uint32_t>(1, (payload + creditUnit - 1) / creditUnit));
}

void Smb2Channel::checkUsable() const
{
    if (m_failure)
        throw ConnectionLost("the connection failed earlier: " + *m_failure);
}

// Runs one step on the wire; a failure there leaves the channel unusable.
template <typename Step>
void Smb2Channel::guarded(Step step)
{
    checkUsable();
    try {
        step();
    } catch (const ServerStatus&) {
        throw;
    } catch (const Timeout& error) {
        m_failure = error.what();
        m_transportLost = true;
        throw;
    } catch (const ConnectionLost& error) {
        m_failure = error.what();
        m_transportLost = true;
        throw;
    } catch (const std::exception& error) {
        m_failure = error.what();
        throw;
    }
}

bool Smb2Channel::owed() const
{
    return std::any_of(m_pending.begin(), m_pending.end(), [](const auto& p) { return !p.second.response; });
}

std::uint64_t Smb2Channel::send(const Request& request, PreauthHash* preauth)
{
    const std::uint16_t cost = charge(request.payload);
    guarded([&] {
        while (!m_credits.allows(cost)) {
            if (!owed())
                throw ProtocolError("the server granted too few credits to go on");
            receiveNext();
        }
    });
    Header header;
    header.creditCharge = m_multiCredit ? cost : 0;
    header.command = request.command;
    const std::uint64_t messageId = m_credits.take(cost);
    header.messageId = messageId;
    header.credits = static_cast<std::uint16_t>(
        std::max<std::uint32_t>(cost, m_wantedBalance > m_credits.balance() ? m_wantedBalance - m_credits.balance() : 0));
    header.treeId = request.treeId;
    header.sessionId = m_sessionId;
    const bool encrypt = m_security && (m_security->encryptAll || m_encryptedTrees.contains(request.treeId));
    const bool sign = m_security && !encrypt;
    if (sign)
        header.flags |= flags::signed_;

    ByteWriter writer;
    writeHeader(writer, header);
    writer.bytes(request.body);
    Bytes message = writer.take();
    if (preauth)
        preauth->update(message);
    if (sign)
        smb2::sign(m_security->signing, m_security->keys.signing, message);
    guarded([&] {
        if (encrypt)
            m_transport->send(smb2::encrypt(m_security->cipher, m_security->keys.encryption, m_security->sessionId, message));
        else
            m_transport->send(message);
    });
    m_pending[messageId] = Pending{encrypt, m_security.has_value(), false, std::nullopt};
    return messageId;
}

Response Smb2Channel::receive(std::uint64_t messageId)
{
    const auto found = m_pending.find(messageId);
    if (found == m_pending.end())
        throw std::logic_error("receive of a message id never sent");
    guarded([&] {
        while (!found->second.response)
            receiveNext();
    });
    Response response = std::move(*found->second.response);
    m_pending.erase(found);
    return response;
}

void Smb2Channel::abandon(std::uint64_t messageId)
{
    const auto found = m_pending.find(messageId);
    if (found == m_pending.end())
        return;
    if (found->second.response)
        m_pending.erase(found);
    else
        found->second.abandoned = true;
}

void Smb2Channel::drain()
{
    // Even after a response failed its checks the answers owed are awaited, unchecked and
    // discarded: Samba 4.17 may panic when a connection ends under a pending pipe READ.
    while (!m_transportLost && owed()) {
        try {
            bool encrypted = false;
            const Response response = take(m_transport->receive(), encrypted);
            if (!isInterim(response.header))
                m_pending.erase(response.header.messageId);
        } catch (const ProtocolError&) {
            // An answer that cannot be read is still an answer that came.
        } catch (const std::exception&) {
            break;
        }
    }
    m_pending.clear();
}

Response Smb2Channel::take(Bytes frame, bool& encrypted) const
{
    encrypted = isTransformMessage(frame);
    if (!encrypted) {
        const Header header = readResponseHeader(frame);
        return Response{header, std::move(frame)};
    }
    if (!m_security || m_security->keys.decryption.empty())
        throw ProtocolError("an encrypted response on a session without encryption");
    Bytes message;
    try {
        message = decrypt(m_security->cipher, m_security->keys.decryption, m_security->sessionId, frame);
    } catch (const ProtocolError& error) {
        throw IntegrityError(std::string("a response failed its decryption: ") + error.what());
    }
    Header header = readResponseHeader(message);
    if (header.sessionId != m_security->sessionId)
        throw IntegrityError("an encrypted response names another session");
    return Response{header, std::move(message)};
}

void Smb2Channel::receiveNext()
{
    bool encrypted = false;
    Response response = take(m_transport->receive(), encrypted);
    const auto found = m_pending.find(response.header.messageId);
    if (found == m_pending.end() || found->second.response)
        throw ProtocolError("a response to no outstanding request");
    Pending& pending = found->second;
    const char* refusal = nullptr;
    if (!encrypted && (pending.encrypted || (m_security && m_security->encryptAll)))
        refusal = "a response in plain text on an encrypted session";
    else if (!isInterim(response.header) && !encrypted && pending.verify && !signatureValid(response.message))
        refusal = "a response failed its signature";
    if (refusal != nullptr) {
        // A final answer came, refused or not: the end of the connection waits for it no more.
        if (!isInterim(response.header))
            m_pending.erase(found);
        throw IntegrityError(refusal);
    }
    m_credits.grant(response.header.credits);
    if (isInterim(response.header))
        return;
    if (pending.abandoned)
        m_pending.erase(found);
    else
        pending.response = std::move(response);
}

} // namespace smb2
