#pragma once

#include "SecretText.h"

#include <QString>

// An account with its password, as a keyring entry or the environment holds them.
struct AccountLogin {
    QString account;  // as typed: "DOMAIN\user", "user@REALM" or "user"
    SecretText password;
};

// Credentials a person typed for one server.
struct TypedLogin {
    QString account;
    SecretText password;
    bool remember = false;  // keep them in the desktop keyring once the server accepted them
};

// Open-file sources that can log in with credentials typed for one server.
class ServerLogins {
public:
    virtual ~ServerLogins() = default;

    // The next call to this server (the same "\\" + name form as the calls take) logs in with
    // these credentials; no other server ever receives them. Never blocks on a call in flight.
    virtual void useLogin(const QString& server, TypedLogin login) = 0;
};
