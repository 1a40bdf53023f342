#pragma once

#include "GssLogin.h"
#include "PipeTransport.h"
#include "Smb2Crypto.h"
#include "Smb2Errors.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

// One SMB2/SMB3 connection to one server over TCP port 445: negotiate, one logged-in session,
// the IPC$ tree and named pipes on it. Calls block the calling thread; one thread at a time.
namespace smb2 {

struct ConnectOptions {
    std::string host;  // name or address, as typed
    std::uint16_t port = 445;
    Dialect maxDialect = Dialect::smb311;
    std::chrono::milliseconds connectLimit{3000};   // per address
    std::chrono::milliseconds progressLimit{10000};  // with no byte received
};

class Connection final {
public:
    // Connects and negotiates. Throws Unreachable, DialectNotSpoken, Timeout, ConnectionLost
    // or ProtocolError.
    static std::unique_ptr<Connection> open(const ConnectOptions& options);
    // Waits (within the progress limit) for every answer still owed, so that no READ is left
    // pending on the server, closes the pipes, then closes the socket. After a failed
    // response (a broken signature, a lost connection) it waits for nothing more.
    ~Connection();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Session setup with GSSAPI's tokens. After it every request is signed and every response
    // verified, or everything is encrypted when the server or the share asks for it. Throws
    // ServerStatus with the server's refusal (STATUS_LOGON_FAILURE, STATUS_ACCESS_DENIED, ...;
    // a session the server made a guest or anonymous one counts as STATUS_LOGON_FAILURE),
    // LoginUnavailable from GSSAPI, IntegrityError when the final response is not signed with
    // the session's key, or the errors of open(). Once only.
    void logIn(GssLogin& login);

    // Connects the IPC$ tree (once; with 3.0 and 3.0.2 it then has the server confirm the
    // negotiation, IntegrityError if it does not) and opens the named pipe (such as u"srvsvc").
    // The pipe is valid while the connection lives; it is closed by the connection's
    // destructor. After a failure of the connection every call throws ConnectionLost.
    std::unique_ptr<PipeTransport> openPipe(const std::u16string& name);

    Dialect dialect() const;
    // Whether the session, or the IPC$ tree, encrypts its messages.
    bool encrypts() const;

    struct State;

private:
    explicit Connection(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace smb2
