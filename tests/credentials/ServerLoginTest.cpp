// The portable parts of a login: reading a typed account, telling a refused login, a password
// taken from a text or moved that leaves its source empty.
#include "ServerLogin.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// The user, domain and realm read from a typed account, joined by '|'; empty for no account.
QString partsOf(const char* typed)
{
    const std::optional<AccountName> account = parseAccount(QString::fromLatin1(typed));
    return account ? account->user + u'|' + account->domain + u'|' + account->realm : QString();
}

TEST(ServerLogin, ReadsTheAccountFormsAPersonTypes)
{
    EXPECT_EQ(partsOf("admin"), QStringLiteral("admin||"));
    EXPECT_EQ(partsOf("  TARNWICK\\admin "), QStringLiteral("admin|TARNWICK|"));
    EXPECT_EQ(partsOf("admin@TARNWICK.TEST"), QStringLiteral("admin||TARNWICK.TEST"));
    // '%' would start an inline password for Samba.
    for (const char* noAccount :
         {"", "TARNWICK\\", "\\admin", "admin@", "ad%min", "TARNWICK\\admin@TEST", "a@b@TEST", "A\\B\\admin"})
        EXPECT_EQ(partsOf(noAccount), QString()) << noAccount;
}

TEST(ServerLogin, OnlyRefusalsOfTheLoginAskForAnother)
{
    for (const std::uint32_t refused : {5u, 86u, 1326u, 1331u, 1909u})
        EXPECT_TRUE(isRefusedLogin(refused)) << refused;
    for (const std::uint32_t other : {0u, 2u, 53u, 1003u, 1722u, 2152u})
        EXPECT_FALSE(isRefusedLogin(other)) << other;
}

TEST(ServerLogin, APasswordTakenFromATextOrMovedLeavesItsSourceEmpty)
{
    QString typed = QStringLiteral("Pässwort-1");
    SecretText taken = SecretText::takeFrom(typed);
    EXPECT_STREQ(taken.utf8(), "P\xc3\xa4sswort-1");
    EXPECT_TRUE(typed.isEmpty());

    SecretText moved = std::move(taken);
    EXPECT_TRUE(taken.isEmpty());
    EXPECT_STREQ(moved.utf8(), "P\xc3\xa4sswort-1");
    moved.wipe();
    EXPECT_TRUE(moved.isEmpty());
}

} // namespace
