#pragma once

#include <QString>

#include <optional>

// An account as a person types it: "DOMAIN\user", "user@REALM" or "user".
struct AccountName {
    QString user;
    QString domain;
    QString realm;
};

// The parts of a typed account; nullopt when no user name is left, or when the user name
// holds '%' (Samba's separator of an inline password) or a second separator.
std::optional<AccountName> parseAccount(const QString& typed);
