// The portable parts of a login: reading a typed account, telling a refused login, a password
// that leaves no copy behind.
#include "ServerLogin.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

struct AccountCase {
    const char* typed;
    const char* user;  // empty: the text is no account
    const char* domain;
    const char* realm;
};

TEST(ServerLogin, ReadsTheAccountFormsAPersonTypes)
{
    const AccountCase cases[] = {
        {"admin", "admin", "", ""},
        {"  TARNWICK\\admin ", "admin", "TARNWICK", ""},
        {"admin@TARNWICK.TEST", "admin", "", "TARNWICK.TEST"},
        {"", "", "", ""},
        {"TARNWICK\\", "", "", ""},
        {"\\admin", "", "", ""},
        {"admin@", "", "", ""},
        {"ad%min", "", "", ""},            // Samba would read a password after '%'
        {"TARNWICK\\admin@TEST", "", "", ""},
        {"A\\B\\admin", "", "", ""},
    };
    for (const AccountCase& c : cases) {
        const std::optional<AccountName> account = parseAccount(QString::fromLatin1(c.typed));
        ASSERT_EQ(account.has_value(), *c.user != '\0') << c.typed;
        if (account) {
            EXPECT_EQ(account->user, QLatin1String(c.user)) << c.typed;
            EXPECT_EQ(account->domain, QLatin1String(c.domain)) << c.typed;
            EXPECT_EQ(account->realm, QLatin1String(c.realm)) << c.typed;
        }
    }
}

TEST(ServerLogin, OnlyRefusalsOfTheLoginAskForAnother)
{
    for (const std::uint32_t refused : {5u, 86u, 1326u, 1331u, 1909u})
        EXPECT_TRUE(isRefusedLogin(refused)) << refused;
    for (const std::uint32_t other : {0u, 2u, 53u, 1003u, 1722u, 2152u})
        EXPECT_FALSE(isRefusedLogin(other)) << other;
}

TEST(ServerLogin, APasswordTakenFromATextLeavesNoCopyThere)
{
    QString typed = QStringLiteral("Pässwort-1");
    const QChar* characters = typed.constData();
    const qsizetype length = typed.size();
    SecretText taken = SecretText::takeFrom(typed);
    EXPECT_STREQ(taken.utf8(), "P\xc3\xa4sswort-1");
    EXPECT_TRUE(typed.isEmpty());
    // The buffer the text had is zeros now (Qt keeps the emptied buffer of an unshared text).
    for (qsizetype i = 0; i < length && typed.constData() == characters; ++i)
        EXPECT_EQ(characters[i], QChar(u'\0'));

    SecretText moved = std::move(taken);
    EXPECT_TRUE(taken.isEmpty());
    EXPECT_STREQ(moved.utf8(), "P\xc3\xa4sswort-1");
    moved.wipe();
    EXPECT_TRUE(moved.isEmpty());
}

} // namespace
