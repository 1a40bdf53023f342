#pragma once

#include "OpenFileSource.h"
#include "ServerLogins.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The open-file source over Samba's libnetapi, which offers the Windows network-management
// calls (NetFileEnum, NetFileClose, NetApiBufferFree) with the same shapes and UTF-8 texts.
//
// Server names. The inventory hands over "\\" + name. Exactly that one leading "\\" is
// removed, because libnetapi wants the bare host name or address; the rest reaches Samba
// untouched, so "\\\\srv" arrives as "\\srv" and fails as it would on Windows. A name
// without the prefix is passed as it is. Logins belong to a name, compared ignoring case as
// libnetapi compares its connections.
//
// Context. One libnetapi context serves the whole process, with one connection per server
// that libnetapi opens at the first call to that server and then reuses. Calls into libnetapi
// are serialised (it keeps that connection cache without locks), from any instance and any
// thread. If the context cannot be set up, both operations answer the status of that failure.
// A call that finds its connection dropped by the server (64, or 2152 once libnetapi knows it
// dead) is made once more over new connections, so a server that restarted serves again.
//
// Credentials belong to one server. Each server has its own login, which is handed to
// libnetapi before every call to that server, so the connection to a server is only ever
// opened with that server's credentials. A server without a login gets the first of these
// that is there and that the server accepts; a failure that is no refusal (an unreachable
// host) ends that search, and the next call starts it again:
//   1. the principal of the Kerberos ticket cache (KRB5CCNAME or the default), Kerberos only;
//   2. the desktop keyring's entry for the server (KeyringLogins.h), unlocked ones only;
//   3. USER with PASSWD or PASSWD_FILE, Samba's tool conventions;
//   4. an anonymous login, which servers refuse, so the answer says why.
// A login typed for the server (useLogin) replaces its login at the next call, and is the
// only one tried for it: refused, it is forgotten and the refusal answered, so the person can
// be asked again. A login the server refuses is forgotten, and so are all open connections,
// since libnetapi can drop only all of them; the other servers' logins then reconnect at their
// next calls. Refused means status 5, or status 1003 ("no connection to IPC$", all libnetapi
// says when a session setup fails) from a host whose SMB server answers a negotiation; when every
// login was refused the answer is 5 if a server said so, else 1326 (ERROR_LOGON_FAILURE), as
// a Windows server answers a wrong password. Samba keeps the password of a login in use for
// reconnecting and wipes it when the login goes; every other copy is wiped after use. Nothing
// here ever reads the terminal or standard input, or writes a password anywhere else.
//
// Statuses. Both operations answer the status's code and its outcome (sourceStatusOf,
// NetApiStatus.h, one mapping per system). The code is libnetapi's, except for the refusals
// above: 0 success, 5 access denied and 1326 login refused (refusedLogin), 1003 no connection
// (unreachable: unreachable host, unknown name, no server listening), or another Windows error
// code (failed).
//
// enumerate: one NetFileEnum(server, no base path, no user, level 3, MAX_PREFERRED_LENGTH,
// resume handle 0) per login tried. Records come only when it is done, in the server's order,
// texts converted from UTF-8, a text the server left out kept as std::nullopt. The buffer goes back through NetApiBufferFree on every path, also
// when a failed call left one; the records are copies, so nothing of libnetapi's memory
// outlives the call. An answer that claims records but delivers no buffer is reported as
// ERROR_INVALID_DATA (13) rather than as an empty success.
//
// close: one NetFileClose(server, id) per login tried; the codes as for enumerate: 0 closed,
// 2 no such open file, 5 access denied, 1003 no connection.
//
// A typed login marked to be remembered goes into the desktop keyring once the server has
// accepted it, under the same entry a file manager would write.
//
// The Windows form (NetApiOpenFileSourceWindows.cpp, over NetApi32Calls.h) keeps the same two
// calls through netapi32 with UTF-16 texts, takes the "\\" form as it is, and needs neither
// context nor lock. The logon session supplies the credentials, so it takes no typed logins.
// Its codes are Windows's own, mapped by its own sourceStatusOf, for instance 2314 (NERR_FileIdNotFound) for an identifier no
// longer open, where Samba answers 2.
#ifdef _WIN32
class NetApiOpenFileSource final : public OpenFileSource {
public:
    OpenFileList enumerate(const QString& server) override;
    SourceStatus close(const QString& server, std::uint32_t id) override;
};
#else
class NetApiOpenFileSource final : public OpenFileSource, public ServerLogins {
public:
    OpenFileList enumerate(const QString& server) override;
    SourceStatus close(const QString& server, std::uint32_t id) override;
    void useLogin(const QString& server, TypedLogin login) override;
};

// The host part both sources of Linux connect to: the inventory's "\\" prefix removed once.
QByteArray hostName(const QString& server);
#endif
