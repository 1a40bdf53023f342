#pragma once

#include "GssLogin.h"
#include "PipeTransport.h"
#include "Smb2Crypto.h"
#include "WireBytes.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// One SMB2/SMB3 connection to one server over TCP port 445: negotiate, one logged-in session,
// the IPC$ tree and named pipes on it. Calls block the calling thread; one thread at a time.
namespace smb2 {

// No TCP connection could be made to any address of the host within the limit, or the name
// does not resolve.
class Unreachable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The connection broke (reset, closed by the server, a server restart): a new connection may
// well work.
class ConnectionLost : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A call made no progress (no byte came) within the progress limit.
class Timeout : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The server speaks no dialect this client speaks (SMB1 only, say): the libnetapi path may.
class DialectNotSpoken : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A response failed its signature or its decryption, or came unsigned or in plain text on a
// session that must not allow it. Never a reason to try a weaker path.
class IntegrityError : public ProtocolError {
public:
    using ProtocolError::ProtocolError;
};

// The server answered a request with an error status (an NTSTATUS).
class ServerStatus : public std::runtime_error {
public:
    explicit ServerStatus(std::uint32_t status);
    std::uint32_t status() const { return m_status; }

private:
    std::uint32_t m_status;
};

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
    // pending on the server, then closes the socket.
    ~Connection();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Session setup with GSSAPI's tokens. After it every request is signed and every response
    // verified, or everything is encrypted when the server or the share asks for it. Throws
    // ServerStatus with the server's refusal (STATUS_LOGON_FAILURE, STATUS_ACCESS_DENIED, ...),
    // LoginUnavailable from GSSAPI, or the errors of open().
    void logIn(GssLogin& login);

    // Connects the IPC$ tree (once) and opens the named pipe (such as u"srvsvc"). The pipe is
    // valid while the connection lives; it is closed by the connection's destructor.
    std::unique_ptr<PipeTransport> openPipe(const std::u16string& name);

    Dialect dialect() const;
    bool encrypts() const;
    const std::string& host() const;

    struct State;

private:
    explicit Connection(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace smb2
