// The inventory over libnetapi against the private test server as the ordinary user alice,
// and the credential conventions of a listing process.
#include "SambaTest.h"

#include "NetApiOpenFileSource.h"
#include "clsNetFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

// Answers the first enumeration with fixed records, then asks the real source: the inventory
// then holds entries an ordinary user could never have listed.
class PrimedSource final : public OpenFileSource {
public:
    explicit PrimedSource(std::vector<OpenFileRecord> first) : m_first(std::move(first)) {}

    OpenFileList enumerate(const QString& server) override
    {
        if (std::exchange(m_primed, true))
            return m_real.enumerate(server);
        return {0, m_first};
    }

    std::uint32_t close(const QString& server, std::uint32_t id) override { return m_real.close(server, id); }

private:
    std::vector<OpenFileRecord> m_first;
    bool m_primed = false;
    NetApiOpenFileSource m_real;
};

class SambaOrdinaryUser : public SambaTest {
protected:
    SambaOrdinaryUser() : SambaTest("ALICE") {}

    // A listing process that logs in as the user, with no password unless one is added.
    static QProcessEnvironment listingAs(const QString& user)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"PASSWD", "PASSWD_FILE", "LOGNAME"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("USER"), user);
        environment.insert(QStringLiteral("KRB5CCNAME"), QStringLiteral("FILE:/nonexistent/tarnwick-no-ticket"));
        return environment;
    }
};

TEST_F(SambaOrdinaryUser, ListingIsDeniedAndKeepsThePreviousEntries)
{
    EXPECT_EQ(NetApiOpenFileSource().enumerate(QLatin1String("\\\\") + env("ADDRESS")).status, 5u); // access denied
    clsNetFile inventory(std::make_shared<PrimedSource>(std::vector<OpenFileRecord>{
        {7, 1, 0, QStringLiteral("C:\\share\\Kept.TXT"), QStringLiteral("Carol")}}));
    inventory.server(env("ADDRESS"));
    inventory.load(QString());
    ASSERT_EQ(inventory.count(), 1);

    inventory.load(QString());
    EXPECT_EQ(inventory.count(), 1);
    EXPECT_EQ(inventory.fileName(1), QStringLiteral("c:\\share\\kept.txt"));
    EXPECT_EQ(inventory.message(), QString());
}

TEST_F(SambaOrdinaryUser, CloseIsDeniedAndTheFileStaysOpen)
{
    FileHolder& bob = hold("BOB", FileHolder::Access::readWrite, {"Docs/budget.xlsx"});

    // The administrator lists the real id, in a process of its own, by PASSWD_FILE.
    QProcessEnvironment admin = listingAs(env("ADMIN_USER"));
    admin.insert(QStringLiteral("PASSWD_FILE"), env("ADMIN_PASSWORD_FILE"));
    const std::optional<Listing> listing = listOpenFiles(admin);
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->exitCode, 0) << listing->output.toStdString();
    std::vector<OpenFileRecord> records;
    for (const QString& line : listing->output.split(u'\n')) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 4 && fields[2] == env("BOB_USER"))
            records.push_back({fields[0].toUInt(), fields[1].toUInt(), 0, fields[3], fields[2]});
    }
    ASSERT_EQ(records.size(), 1u) << listing->output.toStdString();

    clsNetFile inventory(std::make_shared<PrimedSource>(records));
    inventory.server(env("ADDRESS"));
    inventory.load(QString());
    ASSERT_EQ(inventory.count(), 1);
    EXPECT_FALSE(inventory.CloseFile(1));
    EXPECT_TRUE(bob.works(0));
}

TEST_F(SambaOrdinaryUser, ListingWithoutAnyPasswordFailsAtOnceInsteadOfPrompting)
{
    const std::optional<Listing> listing = listOpenFiles(listingAs(env("BOB_USER")));
    ASSERT_TRUE(listing) << "the listing waited (on a password prompt?)";
    EXPECT_EQ(listing->exitCode, 1);
    // Samba itself may add a line about the anonymous login.
    EXPECT_TRUE(listing->output.split(u'\n').contains(QStringLiteral("status 5"))) << listing->output.toStdString();
}

} // namespace
