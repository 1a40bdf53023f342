// Single sign-on against a private Samba domain controller: a Kerberos ticket of the domain's
// administrator, and nothing else, lists and closes the file a domain user holds open.
#include "FileHolder.h"
#include "ServerSource.h"
#include "ServiceFiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
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
        forgetCachedAddress(variable("TARNWICK_DC_HOST"));
        m_server = QLatin1String("\\\\") + variable("TARNWICK_DC_HOST");
    }

    QString variable(const char* name) const { return m_domain.value(QString::fromLatin1(name)); }

    QHash<QString, QString> m_domain;
    QString m_server;
    std::shared_ptr<OpenFileSource> m_source = makeServerSource();
};

TEST_F(DomainController, TheAdministratorsTicketListsAndClosesTheFileADomainUserHolds)
{
    // alice holds the file by her password while this process has no ticket yet.
    FileHolder alice(variable("TARNWICK_DC_ALICE").toStdString(),
        variable("TARNWICK_DC_ALICE_PASSWORD").toStdString());
    alice.open(QStringLiteral("smb://%1/%2/Minutes.odt")
                   .arg(variable("TARNWICK_DC_ADDRESS"), variable("TARNWICK_DC_SHARE")).toStdString(),
        FileHolder::Access::readOnly);
    const QTemporaryDir cacheDir;
    const QString cache = QLatin1String("FILE:") + cacheDir.filePath(QStringLiteral("ccache"));
    ::setenv("KRB5CCNAME", cache.toLocal8Bit().constData(), 1);
    ASSERT_TRUE(runTool(QStringLiteral("kinit"), {variable("TARNWICK_DC_ADMIN")},
        variable("TARNWICK_DC_ADMIN_PASSWORD").toUtf8()));

    const OpenFileList list = m_source->enumerate(m_server);
    ASSERT_EQ(list.status, SourceStatus{});
    const auto held = std::find_if(list.records.begin(), list.records.end(), [](const OpenFileRecord& record) {
        return record.pathName.value_or(QString()).endsWith(QLatin1String("\\Minutes.odt"), Qt::CaseInsensitive);
    });
    ASSERT_NE(held, list.records.end());
    EXPECT_EQ(m_source->close(m_server, held->id), SourceStatus{});
    // The process that serves alice closes the file a moment after the call returns.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !alice.works(0); }, 20000));
}

TEST_F(DomainController, WithoutATicketTheListingIsRefused)
{
    const OpenFileList list = m_source->enumerate(m_server);
    EXPECT_EQ(list.status.outcome, SourceOutcome::refusedLogin) << "code " << list.status.code;
}

} // namespace
