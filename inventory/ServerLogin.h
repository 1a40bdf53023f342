#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A password in memory, as NUL-terminated UTF-8. Its bytes are overwritten with zeros when it
// is wiped, moved from or destroyed; it is never copied.
class SecretText final {
public:
    SecretText() = default;
    explicit SecretText(std::string_view utf8);
    ~SecretText();
    SecretText(SecretText&& other) noexcept;
    SecretText& operator=(SecretText&& other) noexcept;
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    // Takes the characters of text and overwrites them in place. Qt may still hold copies
    // made before (a line edit's own buffer), so take the text from its only holder.
    static SecretText takeFrom(QString& text);
    static SecretText takeFrom(std::string& text);

    const char* utf8() const;
    bool isEmpty() const;
    void wipe() noexcept;

private:
    std::vector<char> m_bytes;
};

// An account as a person types it: "DOMAIN\user", "user@REALM" or "user".
struct AccountName {
    QString user;
    QString domain;
    QString realm;
};

// The parts of a typed account; nullopt when no user name is left, or when the user name
// holds '%' (Samba's separator of an inline password) or a second separator.
std::optional<AccountName> parseAccount(const QString& typed);

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

// Whether a failed call's status means the server refused who the call said it was:
// access denied, an unknown user or a wrong password, an account that may not log in.
bool isRefusedLogin(std::uint32_t status);

// Open-file sources that can log in with credentials typed for one server.
class ServerLogins {
public:
    virtual ~ServerLogins() = default;

    // The next call to this server (the same "\\" + name form as the calls take) logs in with
    // these credentials; no other server ever receives them. Never blocks on a call in flight.
    virtual void useLogin(const QString& server, TypedLogin login) = 0;
};
