// The inventory over libnetapi against the private test server, as the ordinary user alice,
// and the credential conventions of a listing process.
#include "TestServer.h"

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
    explicit PrimedSource(std::vector<OpenFileRecord> first)
        : m_first(std::move(first))
    {
    }

    OpenFileList enumerate(const QString& server) override
    {
        if (!m_primed) {
            m_primed = true;
            return {0, m_first};
        }
        OpenFileList list = m_real.enumerate(server);
        m_lastStatus = list.status;
        return list;
    }

    std::uint32_t close(const QString& server, std::uint32_t id) override { return m_real.close(server, id); }

    std::uint32_t lastStatus() const { return m_lastStatus; }

private:
    std::vector<OpenFileRecord> m_first;
    bool m_primed = false;
    std::uint32_t m_lastStatus = 0;
    NetApiOpenFileSource m_real;
};

QProcessEnvironment listingEnvironment(const QString& user)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"PASSWD", "PASSWD_FILE", "USER", "LOGNAME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("USER"), user);
    environment.insert(QStringLiteral("KRB5CCNAME"), QStringLiteral("FILE:/nonexistent/tarnwick-no-ticket"));
    return environment;
}

constexpr auto listingLimit = std::chrono::seconds(30);

class SambaOrdinaryUser : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString skipReason;
        const std::optional<TestServer> started = startedTestServer(skipReason);
        if (!started)
            GTEST_SKIP() << skipReason.toStdString();
        m_server = *started;
        useCredentials(m_server.aliceUser, m_server.alicePassword);
    }

    TestServer m_server;
};

TEST_F(SambaOrdinaryUser, ListingIsDeniedAndKeepsThePreviousEntries)
{
    auto source = std::make_shared<PrimedSource>(std::vector<OpenFileRecord>{
        {7, 1, 0, QStringLiteral("C:\\share\\Kept.TXT"), QStringLiteral("Carol")}});
    clsNetFile inventory(source);
    inventory.server(m_server.address);
    inventory.load(QString());
    ASSERT_EQ(inventory.count(), 1);

    inventory.load(QString());
    EXPECT_EQ(source->lastStatus(), 5u);  // access denied, passed through unchanged
    EXPECT_EQ(inventory.count(), 1);
    EXPECT_EQ(inventory.fileName(1), QStringLiteral("c:\\share\\kept.txt"));
    EXPECT_EQ(inventory.message(), QString());
}

TEST_F(SambaOrdinaryUser, CloseIsDeniedAndTheFileStaysOpen)
{
    HeldFiles bob(m_server, m_server.bobUser, m_server.bobPassword, FileHolder::Access::readWrite,
        {QStringLiteral("Docs/budget.xlsx")});

    // The administrator lists the real id, in a process of its own, by PASSWD_FILE.
    QProcessEnvironment admin = listingEnvironment(m_server.adminUser);
    admin.insert(QStringLiteral("PASSWD_FILE"), m_server.adminPasswordFile);
    const std::optional<ListingRun> listing = runListing(m_server.address, admin, listingLimit);
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->exitCode, 0) << listing->output.toStdString();
    std::vector<OpenFileRecord> records;
    for (const QString& line : listing->output.split(u'\n')) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 4 && fields[2] == m_server.bobUser)
            records.push_back({fields[0].toUInt(), fields[1].toUInt(), 0, fields[3], fields[2]});
    }
    ASSERT_EQ(records.size(), 1u) << listing->output.toStdString();

    clsNetFile inventory(std::make_shared<PrimedSource>(records));
    inventory.server(m_server.address);
    inventory.load(QString());
    ASSERT_EQ(inventory.count(), 1);
    EXPECT_FALSE(inventory.CloseFile(1));
    EXPECT_TRUE(bob.works(0));
}

TEST_F(SambaOrdinaryUser, ListingWithoutAnyPasswordFailsAtOnceInsteadOfPrompting)
{
    const std::optional<ListingRun> listing
        = runListing(m_server.address, listingEnvironment(m_server.bobUser), listingLimit);
    ASSERT_TRUE(listing) << "the listing waited (on a password prompt?)";
    EXPECT_EQ(listing->exitCode, 1);
    // Samba itself may add a line about the anonymous login.
    EXPECT_TRUE(listing->output.split(u'\n').contains(QStringLiteral("status 5"))) << listing->output.toStdString();
}

} // namespace
