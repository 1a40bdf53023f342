#pragma once

#include "WireBytes.h"

#include <cstdint>
#include <stdexcept>

// How an SMB2 connection fails. Each kind asks the caller for a different reaction, so each is
// its own class.
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

} // namespace smb2
