#pragma once

#include "AccountName.h"
#include "ServerLogins.h"

#include <QString>

#include <optional>

// Server logins in the desktop keyring (the Secret Service: GNOME Keyring, KWallet), kept the
// way a file manager keeps them when a person connects to smb://server and asks it to
// remember the password: libsecret's network-password schema with the attributes protocol
// "smb", server (the name as typed), user and, when there is one, domain. One remembered
// login so serves both programs.
//
// Nothing here unlocks a locked keyring or asks anything: a locked or missing keyring, or no
// session bus, is the same as no entry. Calls block on the keyring daemon; any thread.

// The most recently changed unlocked entry for the server, if any; its account is "DOMAIN\user"
// when the entry names a domain, else the user as stored.
std::optional<AccountLogin> keyringLogin(const QString& server);

// Stores (or replaces) the entry of that account on that server; false when the keyring
// refused or is not there.
bool rememberInKeyring(const QString& server, const AccountName& account, const SecretText& password);
