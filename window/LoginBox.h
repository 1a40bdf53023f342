#pragma once

#include "ServerLogins.h"

#include <QDialog>
#include <QString>

#include <optional>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;

// The login box: the account and password to log in to one server, offered when that server
// refused every login the desktop had for it. The account may be "user", "DOMAIN\user" or
// "user@REALM"; OK stays disabled until it is one of those. "Remember in the keyring" starts
// unchecked. The password never stays in the box: taking the login empties its field.
class LoginBox final : public QDialog {
    Q_OBJECT
public:
    explicit LoginBox(const QString& server, QWidget* parent = nullptr);

    // Shows the box modally; the credentials after OK, nullopt after Cancel.
    static std::optional<TypedLogin> ask(const QString& server, QWidget* parent);

    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QCheckBox* chkRemember = nullptr;
    QDialogButtonBox* buttons = nullptr;

private:
    TypedLogin takeLogin();
    void enableOk();
};
