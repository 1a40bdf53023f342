// Single sign-on against a private Samba domain controller: a Kerberos ticket of the domain's
// administrator, and nothing else, lists and closes the file a domain user holds open.
#include "NetApiOpenFileSource.h"
#include "ServiceFiles.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

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
        forgetCachedAddress(m_domain.value(QStringLiteral("TARNWICK_DC_HOST")));
        m_server = QLatin1String("\\\\") + m_domain.value(QStringLiteral("TARNWICK_DC_HOST"));
    }

    QString variable(const char* name) const { return m_domain.value(QString::fromLatin1(name)); }

    // A ticket of the domain's administrator in a cache of this test; the password comes on
    // standard input.
    bool takeAdministratorsTicket()
    {
        const QString cache = QLatin1String("FILE:") + m_dir.filePath(QStringLiteral("ccache"));
        ::setenv("KRB5CCNAME", cache.toLocal8Bit().constData(), 1);
        QFile password(variable("TARNWICK_DC_ADMIN_PASSWORD_FILE"));
        return password.open(QIODevice::ReadOnly)
            && runTool(QStringLiteral("kinit"), {variable("TARNWICK_DC_ADMIN")}, password.readAll());
    }

    // The identifier of the open the source lists on the share's file, or nullopt. (The
    // controller names its user by Unix id: it has no name service for domain users.) The
    // status of the listing stays in m_status.
    std::optional<std::uint32_t> alicesOpen()
    {
        const OpenFileList list = m_source.enumerate(m_server);
        m_status = list.status;
        for (const OpenFileRecord& record : list.records) {
            if (record.pathName.value_or(QString()).endsWith(QLatin1String("\\Minutes.odt"), Qt::CaseInsensitive))
                return record.id;
        }
        return std::nullopt;
    }

    QHash<QString, QString> m_domain;
    QString m_server;
    QTemporaryDir m_dir;
    NetApiOpenFileSource m_source;
    std::uint32_t m_status = 0;
};

TEST_F(DomainController, TheAdministratorsTicketListsAndClosesTheFileADomainUserHolds)
{
    ASSERT_TRUE(takeAdministratorsTicket());
    // alice holds the file through smbclient, logged in by her password file, not the ticket,
    // until its input ends.
    QProcess alice;
    const auto stopAlice = qScopeGuard([&] {
        alice.closeWriteChannel();
        if (!alice.waitForFinished(10000))
            alice.kill();
        alice.waitForFinished();
    });
    QProcessEnvironment aliceEnvironment = QProcessEnvironment::systemEnvironment();
    aliceEnvironment.remove(QStringLiteral("KRB5CCNAME"));
    alice.setProcessEnvironment(aliceEnvironment);
    alice.start(QStringLiteral("smbclient"), {QStringLiteral("-A"), variable("TARNWICK_DC_ALICE_AUTH"),
        QStringLiteral("//%1/%2").arg(variable("TARNWICK_DC_ADDRESS"), variable("TARNWICK_DC_SHARE"))});
    alice.write("open Minutes.odt\n");
    ASSERT_TRUE(alice.waitForBytesWritten(10000)) << alice.errorString().toStdString();

    std::optional<std::uint32_t> id;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (id = alicesOpen()).has_value(); }, 20000)) << "status " << m_status;
    EXPECT_EQ(m_source.close(m_server, *id), 0u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !alicesOpen(); }, 20000));
}

TEST_F(DomainController, WithoutATicketTheListingIsRefused)
{
    const OpenFileList list = m_source.enumerate(m_server);
    EXPECT_TRUE(isRefusedLogin(list.status)) << "status " << list.status;
}

} // namespace
