// The SMB client's own login by Kerberos against the private domain controller's KDC: SPNEGO
// from GssLogin, accepted in this process by MIT's acceptor with the controller's keys for
// cifs/dc1.tarnwick.test (exported from the controller into a keytab), as the server would
// accept it. Mutual authentication included: the login completes only on the acceptor's last
// token, and both ends hold the same session key.
#include "../smb/session/GssAcceptor.h"
#include "ServiceFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

using namespace smb2;
using gssacceptor::exchange;
using gssacceptor::Outcome;

namespace {

class GssDomainLogin : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString skipReason;
        const auto domain = serviceVariables(QStringLiteral(TARNWICK_DOMAIN_DIR), QStringLiteral("domain.env"), skipReason);
        if (!domain)
            GTEST_SKIP() << skipReason.toStdString();
        m_domain = *domain;
        forgetCredentialEnvironment();
        ASSERT_TRUE(m_dir.isValid());
        const QString keytab = m_dir.filePath(QStringLiteral("cifs.keytab"));
        QString output;
        ASSERT_TRUE(runTool(QStringLiteral("samba-tool"),
            {QStringLiteral("domain"), QStringLiteral("exportkeytab"), keytab,
                QStringLiteral("--principal=cifs/") + QString::fromStdString(variable("TARNWICK_DC_HOST")),
                QStringLiteral("--configfile=" TARNWICK_DOMAIN_DIR "/dc/etc/smb.conf")},
            {}, &output))
            << output.toStdString();
        ::setenv("KRB5_KTNAME", ("FILE:" + keytab).toLocal8Bit().constData(), 1);
        ::setenv("KRB5CCNAME", ("FILE:" + m_dir.filePath(QStringLiteral("ccache"))).toLocal8Bit().constData(), 1);
    }

    std::string variable(const char* name) const { return m_domain.value(QString::fromLatin1(name)).toStdString(); }

    QHash<QString, QString> m_domain;
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(GssDomainLogin, APasswordWithItsRealmAndATicketLogInByKerberos)
{
    const std::string password = variable("TARNWICK_DC_ALICE_PASSWORD");
    const std::string realm = variable("TARNWICK_DC_ADMIN").substr(variable("TARNWICK_DC_ADMIN").find('@') + 1);
    const std::string server = variable("TARNWICK_DC_HOST");
    const std::function<GssLogin()> logins[] = {
        [&] { return GssLogin::withPassword(server, {"alice", "", realm, password.c_str()}); },
        [&] {
            if (!runTool(QStringLiteral("kinit"), {QString::fromStdString("alice@" + realm)},
                    QByteArray::fromStdString(password)))
                throw std::runtime_error("kinit failed");
            return GssLogin::withTicket(server);
        },
    };
    for (const auto& makeLogin : logins) {
        GssLogin login = makeLogin();
        const Outcome outcome = exchange(login);
        EXPECT_TRUE(outcome.kerberos);
        EXPECT_TRUE(outcome.acceptorDone);
        EXPECT_TRUE(outcome.loginDone);
        // Mutual authentication: the server's last token (its AP-REP) completes the login.
        EXPECT_TRUE(outcome.loginNeededTheLastToken);
        EXPECT_GE(outcome.loginKey.size(), 16u);
        EXPECT_EQ(outcome.loginKey, outcome.acceptorKey);
    }
}

TEST_F(GssDomainLogin, ATicketForAServerTheDomainDoesNotKnowIsLoginUnavailable)
{
    const std::string password = variable("TARNWICK_DC_ALICE_PASSWORD");
    const std::string realm = variable("TARNWICK_DC_ADMIN").substr(variable("TARNWICK_DC_ADMIN").find('@') + 1);
    ASSERT_TRUE(runTool(QStringLiteral("kinit"), {QString::fromStdString("alice@" + realm)},
        QByteArray::fromStdString(password)));
    GssLogin login = GssLogin::withTicket("nosuchserver." + realm);
    try {
        login.step({});
        ADD_FAILURE() << "a ticket for an unknown server";
    } catch (const LoginUnavailable& e) {
        EXPECT_NE(std::string(e.what()).find("not found in Kerberos database"), std::string::npos) << e.what();
    }
}
