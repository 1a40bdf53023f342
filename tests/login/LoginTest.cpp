// The portable parts of a login: reading a typed account, a password taken from a text or moved
// that leaves its source empty.
#include "AccountName.h"
#include "SecretText.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// The user, domain and realm read from a typed account, joined by '|'; empty for no account.
QString partsOf(const char* typed)
{
    const std::optional<AccountName> account = parseAccount(QString::fromLatin1(typed));
    return account ? account->user + u'|' + account->domain + u'|' + account->realm : QString();
}

TEST(Login, ReadsTheAccountFormsAPersonTypes)
{
    EXPECT_EQ(partsOf("admin"), QStringLiteral("admin||"));
    EXPECT_EQ(partsOf("  TARNWICK\\admin "), QStringLiteral("admin|TARNWICK|"));
    EXPECT_EQ(partsOf("admin@TARNWICK.TEST"), QStringLiteral("admin||TARNWICK.TEST"));
    // '%' would start an inline password for Samba.
    for (const char* noAccount :
         {"", "TARNWICK\\", "\\admin", "admin@", "ad%min", "TARNWICK\\admin@TEST", "a@b@TEST", "A\\B\\admin"})
        EXPECT_EQ(partsOf(noAccount), QString()) << noAccount;
}

TEST(Login, APasswordTakenFromATextOrMovedLeavesItsSourceEmpty)
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
