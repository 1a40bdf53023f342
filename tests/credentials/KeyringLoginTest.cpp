// Logins in the desktop keyring, against the standalone test server, with a private Secret
// Service as the only source of logins: the source logs in with an entry written the way a file
// manager writes one for smb://server, and the window's login box asks for a login when none
// serves, asks again after a wrong password, and stores a login it is asked to remember.
#include "LoginBox.h"
#include "ServerSource.h"
#include "SmbOpenFileSource.h"
#include "ServiceFiles.h"
#include "WindowDriver.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

class KeyringServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString skipReason;
        const auto server = serverWithEmptyKeyring(QStringLiteral(TARNWICK_KEYRING_DIR), skipReason);
        if (!server)
            GTEST_SKIP() << skipReason.toStdString();
        address = server->value(QStringLiteral("TARNWICK_SMB_ADDRESS"));
        admin = server->value(QStringLiteral("TARNWICK_SMB_ADMIN_USER"));
        password = server->value(QStringLiteral("TARNWICK_SMB_ADMIN_PASSWORD"));
    }

    // secret-tool's command for the administrator's SMB login on host, in the network-password
    // schema; domain may be empty.
    QStringList keyringCommand(const char* command, const QString& host, const QString& domain) const
    {
        QStringList arguments{QString::fromLatin1(command), QStringLiteral("xdg:schema"),
            QStringLiteral("org.gnome.keyring.NetworkPassword"), QStringLiteral("protocol"), QStringLiteral("smb"),
            QStringLiteral("server"), host, QStringLiteral("user"), admin};
        if (!domain.isEmpty())
            arguments << QStringLiteral("domain") << domain;
        return arguments;
    }

    QString address;
    QString admin;
    QString password;
};

// One entry in the keyring, and whether it logs in.
struct KeyringCase {
    const char* name;
    const char* server;  // empty: the test server's address
    const char* domain;  // empty: no domain attribute
    bool rightPassword;
    bool logsIn;
};

void PrintTo(const KeyringCase& c, std::ostream* out)
{
    *out << c.name;
}

class KeyringLogin : public KeyringServer, public ::testing::WithParamInterface<KeyringCase> {};

TEST_P(KeyringLogin, TheEntryForTheServerServesTheListing)
{
    const KeyringCase& entry = GetParam();
    const QString host = *entry.server == '\0' ? address : QString::fromLatin1(entry.server);
    ASSERT_TRUE(runTool(QStringLiteral("secret-tool"),
        keyringCommand("store", host, QString::fromLatin1(entry.domain)) << QStringLiteral("--label=smb"),
        entry.rightPassword ? password.toUtf8() : QByteArray("not-the-password")));

    const OpenFileList list = makeServerSource()->enumerate(QLatin1String("\\\\") + address);
    EXPECT_EQ(list.status.outcome, entry.logsIn ? SourceOutcome::done : SourceOutcome::refusedLogin)
        << "code " << list.status.code;
}

INSTANTIATE_TEST_SUITE_P(Entries, KeyringLogin,
    ::testing::Values(
        KeyringCase{"UserOnly", "", "", true, true},
        KeyringCase{"WithTheServersDomain", "", "TARNWICK", true, true},
        KeyringCase{"OnlyForAnotherServer", "files.tarnwick.test", "", true, false},
        KeyringCase{"WrongPassword", "", "", false, false}),
    [](const ::testing::TestParamInfo<KeyringCase>& entry) { return std::string(entry.param.name); });

struct BoxAnswer {
    QString user;
    QString password;
    bool remember = false;
};

// Answers the login box, if one is open, the way a person would: types the next of the answers
// and presses OK, or presses Cancel when none is left. Notes the box's title.
void answerOpenLoginBox(QList<BoxAnswer>& answers, QStringList& titles)
{
    auto* box = qobject_cast<LoginBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible())
        return;
    titles << box->windowTitle();
    EXPECT_FALSE(box->chkRemember->isChecked()) << "the box must not offer to remember by default";
    EXPECT_FALSE(box->buttons->button(QDialogButtonBox::Ok)->isEnabled()) << "OK waits for an account";
    QDialogButtonBox::StandardButton button = QDialogButtonBox::Cancel;
    if (!answers.isEmpty()) {
        const BoxAnswer answer = answers.takeFirst();
        QTest::keyClicks(box->txtUser, answer.user);
        QTest::keyClicks(box->txtPassword, answer.password);
        box->chkRemember->setChecked(answer.remember);
        button = QDialogButtonBox::Ok;
    }
    box->buttons->button(button)->click();
}

// A wrong password gets the box again, and a login the person did not ask to remember stays
// out of the keyring, also once the server took it. The same server under another name gets a
// box of its own, the password typed for the address not being offered to it; a login
// remembered there goes in under that name.
TEST_F(KeyringServer, TheLoginBoxAsksPerServerNameAndOnlyARememberedLoginReachesTheKeyring)
{
    const QString otherName = QStringLiteral("files.tarnwick.test");  // the same server (NSS_WRAPPER_HOSTS)
    forgetCachedAddress(otherName);
    WindowDriver driver(makeServerSource, std::make_shared<RecordingIconServices>());
    QList<BoxAnswer> answers{{admin, QStringLiteral("not-the-password")}, {admin, password},
        {QStringLiteral("TARNWICK\\") + admin, password, true}};
    QStringList titles;
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] { answerOpenLoginBox(answers, titles); });
    boxes.start(20);
    const auto remembered = [&](const QString& host, const QString& domain) {
        QString secret;
        return runTool(QStringLiteral("secret-tool"), keyringCommand("lookup", host, domain), {}, &secret) ? secret
                                                                                                          : QString();
    };
    for (const QString& name : {address, otherName}) {
        driver.typeServer(name);
        EXPECT_THAT(driver.window.frameConn->title().toStdString(),
            ::testing::EndsWith(QStringLiteral(" open connections on '%1'").arg(name).toStdString()));
    }
    EXPECT_EQ(remembered(address, QString()), QString());
    EXPECT_EQ(remembered(otherName, QStringLiteral("TARNWICK")), password);
    const QString title = QStringLiteral("Log in to ") + address;
    EXPECT_EQ(titles, QStringList({title, title, QStringLiteral("Log in to ") + otherName}));
}

// A typed login to remember that the server refuses leaves no wish behind: the environment's
// login that serves the next listing is not written to the keyring.
TEST_F(KeyringServer, ARefusedLoginToRememberLeavesNothingForTheNextLoginToStore)
{
    SmbOpenFileSource source;
    const QString server = QLatin1String("\\\\") + address;
    source.useLogin(server, {admin, SecretText("not-the-password"), true});
    EXPECT_EQ(source.enumerate(server).status.outcome, SourceOutcome::refusedLogin);
    ::setenv("USER", admin.toUtf8().constData(), 1);
    ::setenv("PASSWD", password.toUtf8().constData(), 1);
    EXPECT_EQ(source.enumerate(server).status.outcome, SourceOutcome::done);
    forgetCredentialEnvironment();
    EXPECT_FALSE(runTool(QStringLiteral("secret-tool"), keyringCommand("lookup", address, QString())));
}

} // namespace
