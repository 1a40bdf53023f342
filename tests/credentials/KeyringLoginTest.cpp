// The desktop keyring as a source of logins: a private Secret Service holds entries the way a
// file manager writes them for smb://server, and the source logs in with the one for the
// server it calls, with nothing else in its environment.
#include "NetApiOpenFileSource.h"
#include "ServiceFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct StoredEntry {
    const char* server;  // "standalone" stands for the test server's address
    const char* domain;  // empty: no domain attribute
    bool rightPassword;
};

struct KeyringCase {
    const char* name;
    std::vector<StoredEntry> entries;
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
    const auto server = serviceVariables(QStringLiteral(TARNWICK_SAMBA_DIR), QStringLiteral("server.env"), skipReason);
    if (!server)
        GTEST_SKIP() << skipReason.toStdString();
    const auto keyring = serviceVariables(QStringLiteral(TARNWICK_KEYRING_DIR), QStringLiteral("keyring.env"), skipReason);
    if (!keyring)
        GTEST_SKIP() << skipReason.toStdString();
    ::setenv("DBUS_SESSION_BUS_ADDRESS", keyring->value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")).toUtf8().constData(), 1);
    forgetCredentialEnvironment();
    const QString address = server->value(QStringLiteral("TARNWICK_SMB_ADDRESS"));
    const QString admin = server->value(QStringLiteral("TARNWICK_SMB_ADMIN_USER"));
    // Entries of earlier cases go; with none there, secret-tool clear fails, which is fine.
    runTool(QStringLiteral("secret-tool"), {QStringLiteral("clear"), QStringLiteral("protocol"), QStringLiteral("smb")});
    for (const StoredEntry& entry : GetParam().entries) {
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
    }

    NetApiOpenFileSource source;
    const OpenFileList list = source.enumerate(QLatin1String("\\\\") + address);
    if (GetParam().logsIn)
        EXPECT_EQ(list.status, 0u);
    else
        EXPECT_TRUE(isRefusedLogin(list.status)) << "status " << list.status;
}

INSTANTIATE_TEST_SUITE_P(Entries, KeyringLogin,
    ::testing::Values(
        KeyringCase{"UserOnly", {{"standalone", "", true}}, true},
        KeyringCase{"WithTheServersDomain", {{"standalone", "TARNWICK", true}}, true},
        KeyringCase{"OnlyForAnotherServer", {{"files.tarnwick.test", "", true}}, false},
        KeyringCase{"WrongPassword", {{"standalone", "", false}}, false}),
    [](const ::testing::TestParamInfo<KeyringCase>& entry) { return std::string(entry.param.name); });

} // namespace
