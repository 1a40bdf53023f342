#pragma once

#include "ServerLogins.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;

// The login box: the account and password to log in to one server, offered when that server
// refused every login the desktop had for it. The account may be "user", "DOMAIN\user" or
// "user@REALM"; OK stays disabled until it is one of those. "Remember in the keyring" starts
// unchecked. It is opened with open(), so that nothing waits on it; finished() tells OK from
// Cancel.
class LoginBox final : public QDialog {
    Q_OBJECT
public:
    explicit LoginBox(const QString& server, QWidget* parent = nullptr);

    // What was typed. The password never stays in the box: taking the login empties its field,
    // so take it after Cancel as well.
    TypedLogin takeLogin();

    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPassword = nullptr;
    QCheckBox* chkRemember = nullptr;
    QDialogButtonBox* buttons = nullptr;

private:
    void enableOk();
};
