// The source over libnetapi against the private test server as the ordinary user alice, and
// the credential conventions of a listing process.
#include "SambaTest.h"

#include "NetApiOpenFileSource.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <optional>

namespace {

constexpr std::uint32_t accessDenied = 5;

class SambaOrdinaryUser : public SambaTest {
protected:
    SambaOrdinaryUser() : SambaTest("ALICE") {}

    // The output of list-open-files logging in as the user, with no password unless one is
    // added; nullopt when it did not finish within 30 seconds (waiting on a password prompt, say).
    std::optional<QString> listingAs(const QString& user, const QString& passwordFile = {}) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"PASSWD", "PASSWD_FILE", "LOGNAME"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("USER"), user);
        if (!passwordFile.isEmpty())
            environment.insert(QStringLiteral("PASSWD_FILE"), passwordFile);
        QProcess process;
        process.setProcessEnvironment(environment);
        // Standard input stays an open pipe: a listing that tried to prompt would hang here.
        process.start(QStringLiteral(LIST_OPEN_FILES_PATH), {env("ADDRESS")});
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return std::nullopt;
        }
        return QString::fromUtf8(process.readAllStandardOutput());
    }
};

TEST_F(SambaOrdinaryUser, ListingIsDenied)
{
    const OpenFileList list = NetApiOpenFileSource().enumerate(server());
    EXPECT_EQ(list.status, accessDenied);
    EXPECT_TRUE(list.records.empty());
}

TEST_F(SambaOrdinaryUser, CloseIsDeniedAndTheFileStaysOpen)
{
    FileHolder& bob = hold("BOB", FileHolder::Access::readWrite, {"Docs/budget.xlsx"});

    // The administrator lists the real id, in a process of its own, by PASSWD_FILE.
    const std::optional<QString> listing = listingAs(env("ADMIN_USER"), env("ADMIN_PASSWORD_FILE"));
    ASSERT_TRUE(listing);
    std::optional<std::uint32_t> id;
    for (const QString& line : listing->split(u'\n')) {
        if (const QStringList fields = line.split(u'\t'); fields.size() == 4 && fields[2] == env("BOB_USER"))
            id = fields[0].toUInt();
    }
    ASSERT_TRUE(id) << listing->toStdString();

    EXPECT_EQ(NetApiOpenFileSource().close(server(), *id), accessDenied);
    EXPECT_TRUE(bob.works(0));
}

TEST_F(SambaOrdinaryUser, ListingWithoutAnyPasswordFailsAtOnceInsteadOfPrompting)
{
    const std::optional<QString> listing = listingAs(env("BOB_USER"));
    ASSERT_TRUE(listing) << "the listing waited (on a password prompt?)";
    // Samba itself may add a line about the anonymous login.
    EXPECT_TRUE(listing->split(u'\n').contains(QStringLiteral("status 5"))) << listing->toStdString();
}

} // namespace
