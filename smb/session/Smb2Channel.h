#pragma once

#include "CreditWindow.h"
#include "Smb2Crypto.h"
#include "Smb2Header.h"
#include "TcpTransport.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace smb2 {

struct Response {
    Header header;
    Bytes message;  // the whole message, decrypted, header included
};

// The keys and rules of a logged-in session.
struct SessionSecurity {
    std::uint64_t sessionId = 0;
    SigningAlgorithm signing = SigningAlgorithm::hmacSha256;
    Cipher cipher = Cipher::none;
    SessionKeys keys;
    bool encryptAll = false;
};

// Carries SMB2 messages over one TCP connection: message ids within the credits granted,
// several requests outstanding at once, each response matched to its request by message id,
// interim STATUS_PENDING responses waited through. Once a session is secured every request
// is signed or encrypted and every final response verified; a failure of the transport or of
// a response's integrity leaves the channel unusable.
class Smb2Channel final {
public:
    explicit Smb2Channel(std::unique_ptr<TcpTransport> transport);

    struct Request {
        Command command = Command::negotiate;
        Bytes body;
        std::uint32_t treeId = 0;
        // The larger of the bytes sent and the bytes the response may carry, for the charge.
        std::uint32_t payload = 0;
    };

    // After NEGOTIATE: whether requests may charge more than one credit (2.1+ with large MTU).
    void allowMultiCredit(bool allowed) { m_multiCredit = allowed; }
    // The session a setup in progress is building; its messages are not yet signed.
    void useSession(std::uint64_t sessionId) { m_sessionId = sessionId; }
    void secure(SessionSecurity security);
    void encryptTree(std::uint32_t treeId) { m_encryptedTrees.insert(treeId); }
    bool encrypts() const;
    // Whether a message the session's keys are to vouch for carries their signature.
    bool signatureValid(ByteView message) const;

    // The balance of credits the channel asks the server to keep it at.
    void wantCredits(std::uint32_t balance);
    // Whether a request of this payload can go out without waiting for credits.
    bool canSend(std::uint32_t payload) const { return m_credits.allows(charge(payload)); }

    // Sends a request (waiting for credits while responses are owed) and answers its message
    // id. A message of the setup is added to the preauth hash.
    std::uint64_t send(const Request& request, PreauthHash* preauth = nullptr);
    // The final response to the request with this message id, checked.
    Response receive(std::uint64_t messageId);
    Response call(const Request& request) { return receive(send(request)); }
    // The request's response is no longer wanted; it is still awaited before the end.
    void abandon(std::uint64_t messageId);
    // Waits for every response still owed, within the progress limit, and discards them; also
    // after a failed response, unless the connection itself is lost.
    void drain();

private:
    struct Pending {
        bool encrypted = false;
        bool verify = false;
        bool abandoned = false;
        std::optional<Response> response;
    };

    std::uint16_t charge(std::uint32_t payload) const;
    bool owed() const;
    void receiveNext();
    Response take(Bytes frame, bool& encrypted) const;
    void checkUsable() const;
    template <typename Step>
    void guarded(Step step);

    std::unique_ptr<TcpTransport> m_transport;
    CreditWindow m_credits;
    std::uint32_t m_wantedBalance = 64;
    bool m_multiCredit = false;
    std::uint64_t m_sessionId = 0;
    std::optional<SessionSecurity> m_security;
    std::set<std::uint32_t> m_encryptedTrees;
    std::map<std::uint64_t, Pending> m_pending;
    std::optional<std::string> m_failure;
    bool m_transportLost = false;  // by a timeout or a broken connection
};

} // namespace smb2
