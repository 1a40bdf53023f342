// The desktop keyring as a source of logins: a private Secret Service holds entries the way a
// file manager writes them for smb://server, and the source logs in with the one for the
// server it calls, with nothing else in its environment.
#include "NetApiOpenFileSource.h"
#include "ServiceFiles.h"

#include <gtest/gtest.h>

namespace {

// One entry in the keyring, and whether it logs in.
struct KeyringCase {
    const char* name;
    const char* server;  // "standalone" stands for the test server's address
    const char* domain;  // empty: no domain attribute
    bool rightPassword;
    bool logsIn;
};

void PrintTo(const KeyringCase& c, std::ostream* out)
{
    *out << c.name;
}

class KeyringLogin : public ::testing::TestWithParam<KeyringCase> {};

TEST_P(KeyringLogin, TheEntryForTheServerServesTheListing)
{
    QString skipReason;
    const auto server = serverWithEmptyKeyring(QStringLiteral(TARNWICK_KEYRING_DIR), skipReason);
    if (!server)
        GTEST_SKIP() << skipReason.toStdString();
    const QString address = server->value(QStringLiteral("TARNWICK_SMB_ADDRESS"));
    const QString admin = server->value(QStringLiteral("TARNWICK_SMB_ADMIN_USER"));
    const KeyringCase& entry = GetParam();
    const QString host = qstrcmp(entry.server, "standalone") == 0 ? address : QString::fromLatin1(entry.server);
    QStringList attributes{QStringLiteral("store"), QStringLiteral("--label=") + admin + u'@' + host,
        QStringLiteral("xdg:schema"), QStringLiteral("org.gnome.keyring.NetworkPassword"),
        QStringLiteral("protocol"), QStringLiteral("smb"), QStringLiteral("server"), host,
        QStringLiteral("user"), admin};
    if (*entry.domain != '\0')
        attributes << QStringLiteral("domain") << QString::fromLatin1(entry.domain);
    const QString password = entry.rightPassword ? server->value(QStringLiteral("TARNWICK_SMB_ADMIN_PASSWORD"))
                                                 : QStringLiteral("not-the-password");
    ASSERT_TRUE(runTool(QStringLiteral("secret-tool"), attributes, password.toUtf8()));

    NetApiOpenFileSource source;
    const OpenFileList list = source.enumerate(QLatin1String("\\\\") + address);
    if (entry.logsIn)
        EXPECT_EQ(list.status, 0u);
    else
        EXPECT_TRUE(isRefusedLogin(list.status)) << "status " << list.status;
}

INSTANTIATE_TEST_SUITE_P(Entries, KeyringLogin,
    ::testing::Values(
        KeyringCase{"UserOnly", "standalone", "", true, true},
        KeyringCase{"WithTheServersDomain", "standalone", "TARNWICK", true, true},
        KeyringCase{"OnlyForAnotherServer", "files.tarnwick.test", "", true, false},
        KeyringCase{"WrongPassword", "standalone", "", false, false}),
    [](const ::testing::TestParamInfo<KeyringCase>& entry) { return std::string(entry.param.name); });

} // namespace
