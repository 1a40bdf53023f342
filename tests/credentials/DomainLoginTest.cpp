// Logins by Kerberos against a private Samba domain controller. Single sign-on through the
// product's source: a ticket of the domain's administrator, and nothing else, lists and closes
// the file a domain user holds open. And the SMB client's own SPNEGO login (GssLogin), accepted
// in this process by MIT's acceptor with the controller's keys for cifs/dc1.tarnwick.test
// (exported into a keytab), as the server would accept it.
#include "../smb/session/GssAcceptor.h"
#include "FileHolder.h"
#include "ServerSource.h"
#include "ServiceFiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

// Every test has a ticket cache of its own, empty until it asks for a ticket.
class DomainController : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString skipReason;
        const auto domain = serviceVariables(QStringLiteral(TARNWICK_DOMAIN_DIR), QStringLiteral("domain.env"), skipReason);
        if (!domain)
            GTEST_SKIP() << skipReason.toStdString();
        m_domain = *domain;
        forgetCredentialEnvironment();
        forgetCachedAddress(variable("TARNWICK_DC_HOST"));
        ASSERT_TRUE(m_dir.isValid());
        ::setenv("KRB5CCNAME", ("FILE:" + m_dir.filePath(QStringLiteral("ccache"))).toLocal8Bit().constData(), 1);
    }

    QString variable(const char* name) const { return m_domain.value(QString::fromLatin1(name)); }
    std::string realm() const { return variable("TARNWICK_DC_ADMIN").section(u'@', 1).toStdString(); }

    bool kinit(const QString& principal, const QString& password) const
    {
        return runTool(QStringLiteral("kinit"), {principal}, password.toUtf8());
    }

    QHash<QString, QString> m_domain;
    QTemporaryDir m_dir;
};

TEST_F(DomainController, TheAdministratorsTicketListsAndClosesTheFileADomainUserHolds)
{
    const std::shared_ptr<OpenFileSource> source = makeServerSource();
    const QString server = QLatin1String("\\\\") + variable("TARNWICK_DC_HOST");
    EXPECT_EQ(makeServerSource()->enumerate(server).status.outcome, SourceOutcome::refusedLogin) << "without a ticket";

    // alice holds the file by her password while this process has no ticket yet.
    FileHolder alice(variable("TARNWICK_DC_ALICE").toStdString(),
        variable("TARNWICK_DC_ALICE_PASSWORD").toStdString());
    alice.open(QStringLiteral("smb://%1/%2/Minutes.odt")
                   .arg(variable("TARNWICK_DC_ADDRESS"), variable("TARNWICK_DC_SHARE")).toStdString(),
        FileHolder::Access::readOnly);
    ASSERT_TRUE(kinit(variable("TARNWICK_DC_ADMIN"), variable("TARNWICK_DC_ADMIN_PASSWORD")));

    const OpenFileList list = source->enumerate(server);
    ASSERT_EQ(list.status, SourceStatus{});
    const auto held = std::find_if(list.records.begin(), list.records.end(), [](const OpenFileRecord& record) {
        return record.pathName.value_or(QString()).endsWith(QLatin1String("\\Minutes.odt"), Qt::CaseInsensitive);
    });
    ASSERT_NE(held, list.records.end());
    EXPECT_EQ(source->close(server, held->id), SourceStatus{});
    // The process that serves alice closes the file a moment after the call returns.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !alice.works(0); }, 20000));
}

// Mutual authentication included: the login completes only on the acceptor's last token, and
// both ends hold the same session key.
TEST_F(DomainController, APasswordWithItsRealmAndATicketLogInByKerberos)
{
    // GSSAPI's acceptor in this process takes the server's keys.
    const QString keytab = m_dir.filePath(QStringLiteral("cifs.keytab"));
    QString output;
    ASSERT_TRUE(runTool(QStringLiteral("samba-tool"),
        {QStringLiteral("domain"), QStringLiteral("exportkeytab"), keytab,
            QStringLiteral("--principal=cifs/") + variable("TARNWICK_DC_HOST"),
            QStringLiteral("--configfile=" TARNWICK_DOMAIN_DIR "/dc/etc/smb.conf")},
        {}, &output))
        << output.toStdString();
    ::setenv("KRB5_KTNAME", ("FILE:" + keytab).toLocal8Bit().constData(), 1);
    const std::string password = variable("TARNWICK_DC_ALICE_PASSWORD").toStdString();
    const std::string server = variable("TARNWICK_DC_HOST").toStdString();
    const std::function<smb2::GssLogin()> logins[] = {
        [&] { return smb2::GssLogin::withPassword(server, {"alice", "", realm(), password.c_str()}); },
        [&] {
            if (!kinit(QString::fromStdString("alice@" + realm()), QString::fromStdString(password)))
                throw std::runtime_error("kinit failed");
            return smb2::GssLogin::withTicket(server);
        },
    };
    for (const auto& makeLogin : logins) {
        smb2::GssLogin login = makeLogin();
        const gssacceptor::Outcome outcome = gssacceptor::exchange(login);
        EXPECT_TRUE(outcome.kerberos);
        EXPECT_TRUE(outcome.acceptorDone);
        EXPECT_TRUE(outcome.loginDone);
        EXPECT_TRUE(outcome.loginNeededTheLastToken);
        EXPECT_GE(outcome.loginKey.size(), 16u);
        EXPECT_EQ(outcome.loginKey, outcome.acceptorKey);
    }
}

TEST_F(DomainController, ATicketForAServerTheDomainDoesNotKnowIsLoginUnavailable)
{
    ASSERT_TRUE(kinit(QString::fromStdString("alice@" + realm()), variable("TARNWICK_DC_ALICE_PASSWORD")));
    smb2::GssLogin login = smb2::GssLogin::withTicket("nosuchserver." + realm());
    try {
        login.step({});
        ADD_FAILURE() << "a ticket for an unknown server";
    } catch (const smb2::LoginUnavailable& e) {
        // Beside libnetapi in one process, the KDC's answer may come as its code without its text.
        EXPECT_THAT(e.what(), ::testing::ContainsRegex("not found in Kerberos database|-1765328377"));
    }
}

} // namespace
