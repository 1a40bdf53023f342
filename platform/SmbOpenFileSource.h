#pragma once

#include "OpenFileSource.h"
#include "ServerLogins.h"

#include <QString>

#include <memory>

// The open-file source on Linux: the project's own SMB2/SMB3 client (smb/), with Samba's
// libnetapi (NetApiOpenFileSource) behind it for the servers the client cannot serve.
//
// Connections. One connection per server name (compared ignoring case), opened at the first
// call and kept for the listings and closes that follow; calls to one server run one at a time,
// calls to different servers side by side. A connection found dead (the server restarted, the
// link dropped) is opened again once, with the same login, and the call made again. Connecting
// gives up after 3 s per address, a call after 10 s without progress.
//
// Logins. A server without a login gets the first of these that is there and that the server
// accepts, each through GSSAPI with SPNEGO; a failure that is no refusal (an unreachable host)
// ends that search, and the next call starts it again:
//   1. the Kerberos ticket cache (KRB5CCNAME or the default), for the service cifs/ + the name;
//   2. the desktop keyring's entry for the server (KeyringLogins.h), unlocked ones only;
//   3. USER with PASSWD or PASSWD_FILE (EnvironmentLogin.h).
// A login typed for the server (useLogin) replaces its login at the next call and is the only
// one tried: refused, it is forgotten and the refusal answered, so the person can be asked
// again. Marked to be remembered, it goes into the keyring once a call through it succeeded.
// The password of the login in use is kept, to reconnect, and wiped when the login goes; no
// other copy outlives the call that used it.
//
// Protection. Every request is signed and every response's signature verified, or everything
// is encrypted where the server or the share requires it (smb2::Connection).
//
// Outcomes, with the codes libnetapi answers for the same causes: done (0); refusedLogin when
// the server refused every login (1326) or the account may not list or close (5); unreachable
// when no server answered at that name, in time (1003); failed otherwise, with the method's
// status (2: no such open file), 13 for an answer that breaks the protocol or fails its
// signature, 64 for a connection lost twice.
//
// The libnetapi path serves a server that speaks no SMB2 dialect this client speaks, a call whose
// negotiation the client could not make sense of, and every server named in the environment
// variable TARNWICK_LIBNETAPI (names separated by blanks or commas, "*" for all), the
// administrator's way around a server that misbehaves with this client. Nothing that happens
// after a session is set up leads there: a broken answer on a signed session is a failure.
class SmbOpenFileSource final : public OpenFileSource, public ServerLogins {
public:
    SmbOpenFileSource();
    ~SmbOpenFileSource() override;

    OpenFileList enumerate(const QString& server) override;
    SourceStatus close(const QString& server, std::uint32_t id) override;
    void useLogin(const QString& server, TypedLogin login) override;

private:
    class Servers;
    std::unique_ptr<Servers> m_servers;
};
