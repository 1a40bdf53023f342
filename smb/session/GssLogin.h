#pragma once

#include "WireBytes.h"

#include <memory>
#include <stdexcept>
#include <string>

// One login to one server through GSSAPI with SPNEGO: MIT Kerberos from the ticket cache
// (single sign-on, the service cifs/ + the server's name), or a password, which SPNEGO offers
// as Kerberos where the domain allows it and as NTLMv2 (gss-ntlmssp) otherwise. The project
// writes no authentication exchange of its own: it only carries GSSAPI's tokens.
namespace smb2 {

// GSSAPI could not make a login of what it was given (no ticket for the service, a mechanism
// that is not installed, a token it could not read). Never a refusal by the server: the server
// answers that itself, in the session setup.
class LoginUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An account and its password; the password is read while the login is made and never kept.
struct PasswordLogin {
    std::string user;
    std::string domain;    // NetBIOS domain, or empty
    std::string realm;     // Kerberos realm of user@REALM, or empty
    const char* password;  // NUL-terminated UTF-8, owned by the caller
};

class GssLogin final {
public:
    // Single sign-on with the default ticket cache (KRB5CCNAME or the library's default).
    // Throws LoginUnavailable when the cache holds no usable ticket.
    static GssLogin withTicket(const std::string& serverName);
    static GssLogin withPassword(const std::string& serverName, const PasswordLogin& login);

    GssLogin(GssLogin&&) noexcept;
    GssLogin& operator=(GssLogin&&) noexcept;
    ~GssLogin();

    // One leg of the exchange: the server's token in (empty for the first leg, or the
    // negotiate response's security buffer), the token for the next session setup out (empty
    // when there is nothing more to send). Throws LoginUnavailable when GSSAPI fails.
    Bytes step(ByteView serverToken);
    bool established() const;
    // The session key of the established login (16 bytes for NTLM; Kerberos' may be longer).
    Bytes sessionKey() const;

private:
    struct State;
    explicit GssLogin(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace smb2
