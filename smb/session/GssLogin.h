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
    // Single sign-on with the default ticket cache (KRB5CCNAME or the library's default), for
    // the service cifs@serverName, through SPNEGO limited to Kerberos. Throws LoginUnavailable
    // when the cache holds no usable ticket-granting ticket; a ticket for the service itself is
    // asked for by the first step() (which throws LoginUnavailable when the domain does not know
    // the server).
    static GssLogin withTicket(const std::string& serverName);
    // A password for SPNEGO: with a realm, the name user@REALM (Kerberos first, NTLMSSP with the
    // realm as its domain where Kerberos cannot get a ticket); without one, DOMAIN\user or user
    // alone, and NTLMSSP only. The password is passed to GSSAPI from the caller's bytes and not
    // kept. Throws LoginUnavailable when GSSAPI can make no credential of it.
    static GssLogin withPassword(const std::string& serverName, const PasswordLogin& login);

    GssLogin(GssLogin&&) noexcept;
    GssLogin& operator=(GssLogin&&) noexcept;
    ~GssLogin();

    // One leg of the exchange: the server's token in, the token for the next session setup
    // out (empty when there is nothing more to send). The first leg starts the exchange: its
    // token (empty, or the negotiate response's security buffer) is not read. Every later leg
    // takes the security buffer of a session-setup response, the final one included: the login
    // asks for mutual authentication, so with Kerberos it is established only by the server's
    // last token (its AP-REP, with STATUS_SUCCESS), and with NTLMSSP by SPNEGO's accept-completed.
    // A session whose final response leaves established() false must be refused. Throws
    // LoginUnavailable when GSSAPI fails (a token it cannot read, no ticket for the service),
    // and for a token sent after the login was complete.
    Bytes step(ByteView serverToken);
    bool established() const;
    // The session key of the established login, as GSS_C_INQ_SSPI_SESSION_KEY gives it: 16
    // bytes for NTLMSSP, the Kerberos subkey (32 bytes for AES-256) for Kerberos. deriveKeys()
    // takes it whole. Throws LoginUnavailable before the login is established.
    Bytes sessionKey() const;

private:
    struct State;
    explicit GssLogin(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace smb2
