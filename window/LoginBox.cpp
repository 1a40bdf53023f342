#include "LoginBox.h"

#include "AccountName.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LoginBox::LoginBox(const QString& server, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Log in to %1").arg(server));
    txtUser = new QLineEdit(this);
    txtUser->setPlaceholderText(QStringLiteral("DOMAIN\\user or user@REALM"));
    txtPassword = new QLineEdit(this);
    txtPassword->setEchoMode(QLineEdit::Password);
    chkRemember = new QCheckBox(QStringLiteral("Remember in the keyring"), this);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&User:"), txtUser);
    fields->addRow(QStringLiteral("&Password:"), txtPassword);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The server %1 refused the login.").arg(server), this));
    layout->addLayout(fields);
    layout->addWidget(chkRemember);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(txtUser, &QLineEdit::textChanged, this, &LoginBox::enableOk);
    enableOk();
}

// The field lets go of its text before the text is wiped, so that no other copy holds it.
TypedLogin LoginBox::takeLogin()
{
    QString password = txtPassword->text();
    txtPassword->clear();
    return TypedLogin{txtUser->text().trimmed(), SecretText::takeFrom(password), chkRemember->isChecked()};
}

void LoginBox::enableOk()
{
    buttons->button(QDialogButtonBox::Ok)->setEnabled(parseAccount(txtUser->text()).has_value());
}
