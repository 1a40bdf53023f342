#pragma once

#include "KeyringLogins.h"

#include <optional>

// Samba's tool conventions for a login in the environment: the password in PASSWD, or in the
// first line of the file named by PASSWD_FILE (which wins), for the account in USER
// ("DOMAIN\user", "user@REALM" or "user"; anything from a '%' on is dropped), else LOGNAME, else
// the login name. None when neither holds a password or the file cannot be read.
std::optional<AccountLogin> environmentLogin();
