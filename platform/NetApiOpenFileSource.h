#pragma once

#include "OpenFileSource.h"

#include <QString>

#include <cstdint>

// The open-file source over Samba's libnetapi, which offers the Windows network-management
// calls (NetFileEnum, NetFileClose, NetApiBufferFree) with the same shapes and UTF-8 texts.
//
// Server names. The inventory hands over "\\" + name. Exactly that one leading "\\" is
// removed, because libnetapi wants the bare host name or address; the rest reaches Samba
// untouched, so "\\\\srv" arrives as "\\srv" and fails as it would on Windows. A name
// without the prefix is passed as it is.
//
// Context. One libnetapi context serves the whole process: it is created by the first call
// of either operation (of any instance, on any thread; a thread-safe static) and lives until
// the process ends, so the connection to a server is opened once and reused. Calls into
// libnetapi are serialised, since it keeps that connection cache without locks. If the
// context cannot be set up, both operations answer the status of that failure (8 when
// Samba could not allocate the credentials). Instances hold no state of their own.
//
// Credentials are Samba's business, guessed the way its command-line tools guess them when
// the context is created: a Kerberos ticket cache when there is one, otherwise USER (or the
// login name) with PASSWD or PASSWD_FILE from the environment. This class reads none of them
// itself. When no password is known it sets an empty one, ranked below a ticket cache, so
// Samba tries an anonymous login and fails cleanly (status 5) instead of prompting: nothing
// here ever reads the terminal or standard input.
//
// enumerate: one NetFileEnum(server, no base path, no user, level 3, MAX_PREFERRED_LENGTH,
// resume handle 0). The status is libnetapi's, unchanged: 0 success, 5 access denied, 1003
// no connection (unreachable host, unknown name, no server listening), or another Windows
// error code. Records come only with status 0, in the server's order, texts converted from
// UTF-8, a text the server left out kept as std::nullopt. The buffer goes back through
// NetApiBufferFree on every path, also when a failed call left one; the records are copies,
// so nothing of libnetapi's memory outlives the call. An answer that claims
// records but delivers no buffer is reported as ERROR_INVALID_DATA (13) rather than as an
// empty success.
//
// close: one NetFileClose(server, id); the status unchanged: 0 closed, 2 no such open file,
// 5 access denied, 1003 no connection.
//
// The Windows form (NetApiOpenFileSourceWindows.cpp, over NetApi32Calls.h) keeps the same two
// calls through netapi32 with UTF-16 texts, takes the "\\" form as it is, and needs neither
// context nor lock: the logon session supplies the credentials. Its statuses are Windows's own,
// for instance 2314 (NERR_FileIdNotFound) for an identifier no longer open, where Samba answers 2.
class NetApiOpenFileSource final : public OpenFileSource {
public:
    OpenFileList enumerate(const QString& server) override;
    std::uint32_t close(const QString& server, std::uint32_t id) override;
};
