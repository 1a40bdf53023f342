// The inventory over libnetapi against the private test server, as its administrator.
#include "TestServer.h"

#include "NetApiOpenFileSource.h"
#include "clsNetFile.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::int16_t noEntry = 0;

class SambaAdmin : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString skipReason;
        const std::optional<TestServer> started = startedTestServer(skipReason);
        if (!started)
            GTEST_SKIP() << skipReason.toStdString();
        m_server = *started;
        useCredentials(m_server.adminUser, m_server.adminPassword);
        // Holders of earlier tests may still be leaving the server.
        ASSERT_TRUE(waitUntil([this] { return openCount() == 0; })) << "files of earlier tests stay open";
        m_alice = std::make_unique<HeldFiles>(m_server, m_server.aliceUser, m_server.alicePassword,
            FileHolder::Access::readOnly, QStringList{QStringLiteral("report.PDF"), QStringLiteral("Docs/Notes.txt")});
        m_bob = std::make_unique<HeldFiles>(m_server, m_server.bobUser, m_server.bobPassword,
            FileHolder::Access::readWrite, QStringList{QStringLiteral("Docs/budget.xlsx")});
        m_inventory.server(m_server.address);
    }

    std::size_t openCount()
    {
        const OpenFileList list = m_source->enumerate(QLatin1String("\\\\") + m_server.address);
        return list.status == 0 ? list.records.size() : std::size_t{999};
    }

    // The index of the entry with the given path, or noEntry.
    std::int16_t indexOf(const clsNetFile& inventory, const QString& relativePath) const
    {
        const QString path = m_server.reportedPath(relativePath).toLower();
        for (std::int16_t index = 1; index <= inventory.count(); ++index)
            if (inventory.fileName(index) == path)
                return index;
        return noEntry;
    }

    QString allOpen() const { return QStringLiteral(" 3 open connections on '%1'").arg(m_server.address); }

    TestServer m_server;
    std::shared_ptr<NetApiOpenFileSource> m_source = std::make_shared<NetApiOpenFileSource>();
    clsNetFile m_inventory{m_source};
    std::unique_ptr<HeldFiles> m_alice;
    std::unique_ptr<HeldFiles> m_bob;
};

TEST_F(SambaAdmin, ListsEveryHeldFileWithItsUserPermissionsAndType)
{
    m_inventory.load(QString());
    ASSERT_EQ(m_inventory.count(), 3);
    EXPECT_EQ(m_inventory.message(), allOpen());

    struct Expected {
        const char* path;
        const char* user;
        const char* permission;
        const char* type;
    };
    const Expected expected[] = {
        {"report.PDF", "alice", "read access", "pdf"},
        {"Docs/Notes.txt", "alice", "read access", "txt"},
        {"Docs/budget.xlsx", "bob", "read write access", "xlsx"},
    };
    for (const Expected& file : expected) {
        SCOPED_TRACE(file.path);
        const std::int16_t index = indexOf(m_inventory, QString::fromUtf8(file.path));
        ASSERT_NE(index, noEntry);
        EXPECT_EQ(m_inventory.userName(index), QString::fromUtf8(file.user));
        EXPECT_EQ(m_inventory.filePermission(index), QString::fromUtf8(file.permission));
        EXPECT_EQ(m_inventory.typeFile(index), QString::fromUtf8(file.type));
        EXPECT_EQ(m_inventory.fileName(index), m_inventory.fileName(index).toLower());
    }
}

TEST_F(SambaAdmin, FilterKeepsMatchingUsersAndPathsAndCountsThem)
{
    struct Case {
        const char* filter;
        std::int16_t kept;
    };
    for (const Case& c : {Case{"BOB", 1}, Case{"docs\\", 2}, Case{"nobody-matches", 0}}) {
        SCOPED_TRACE(c.filter);
        m_inventory.load(QString::fromUtf8(c.filter));
        EXPECT_EQ(m_inventory.count(), c.kept);
        EXPECT_EQ(m_inventory.message(), allOpen() + QStringLiteral(" - Filtered elements: %1").arg(c.kept));
    }
}

TEST_F(SambaAdmin, IdentifiersSurviveTheSignedRoundTrip)
{
    const OpenFileList list = m_source->enumerate(QLatin1String("\\\\") + m_server.address);
    ASSERT_EQ(list.status, 0u);
    m_inventory.load(QString());
    ASSERT_EQ(static_cast<std::size_t>(m_inventory.count()), list.records.size());
    for (std::int16_t index = 1; index <= m_inventory.count(); ++index)
        EXPECT_EQ(static_cast<std::uint32_t>(m_inventory.idFile(index)), list.records[index - 1].id);
}

TEST_F(SambaAdmin, CloseFileEndsTheOpenOnceAndOnlyThatOne)
{
    m_inventory.load(QString());
    const std::int16_t budget = indexOf(m_inventory, QStringLiteral("Docs/budget.xlsx"));
    ASSERT_NE(budget, noEntry);
    clsNetFile beforeClose = m_inventory;

    EXPECT_TRUE(m_inventory.CloseFile(budget));
    EXPECT_TRUE(waitUntil([this] {
        m_inventory.load(QString());
        return m_inventory.count() == 2 && indexOf(m_inventory, QStringLiteral("Docs/budget.xlsx")) == noEntry;
    }));
    EXPECT_FALSE(m_bob->works(0));
    EXPECT_TRUE(m_alice->works(0));
    EXPECT_TRUE(m_alice->works(1));

    // The same id again: the server no longer knows it.
    EXPECT_FALSE(beforeClose.CloseFile(budget));
}

TEST_F(SambaAdmin, UnreachableServersKeepTheEntriesAndClearTheMessage)
{
    m_inventory.load(QString());
    ASSERT_EQ(m_inventory.count(), 3);
    const QString firstPath = m_inventory.fileName(1);
    const QString unreachable[] = {
        QStringLiteral("tarnwick-absent.invalid"),  // never resolves, and fails without waiting
        QStringLiteral("127.31.7.254"),             // loopback, nobody listens
        QLatin1String("\\\\") + m_server.address,   // typed with its own backslashes
    };
    for (const QString& name : unreachable) {
        SCOPED_TRACE(name.toStdString());
        m_inventory.server(name);
        m_inventory.load(QString());
        EXPECT_EQ(m_inventory.count(), 3);
        EXPECT_EQ(m_inventory.fileName(1), firstPath);
        EXPECT_EQ(m_inventory.message(), QString());
    }
}

} // namespace
