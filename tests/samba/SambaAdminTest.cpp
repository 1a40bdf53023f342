// The inventory over libnetapi against the private test server, as its administrator.
#include "SambaTest.h"

#include "NetApiOpenFileSource.h"
#include "clsNetFile.h"

#include <QTest>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdint>
#include <memory>
#include <set>

#include <netapi.h>

// A link seam: the source's calls of these two reach the definitions below, which pass them
// on to libnetapi and keep the buffers handed out and not yet handed back. libnetapi hangs
// every buffer on its context, which lives as long as the process, so no leak checker sees one.
namespace {
std::set<void*> buffersOut;

template <typename Function>
Function* libnetapi(const char* name)
{
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" NET_API_STATUS NetFileEnum(const char* server, const char* basePath, const char* user, uint32_t level,
                                      uint8_t** buffer, uint32_t maxLength, uint32_t* read, uint32_t* total,
                                      uint32_t* resume)
{
    static auto* const next = libnetapi<decltype(NetFileEnum)>("NetFileEnum");
    const NET_API_STATUS status = next(server, basePath, user, level, buffer, maxLength, read, total, resume);
    if (*buffer != nullptr)
        buffersOut.insert(*buffer);
    return status;
}

extern "C" NET_API_STATUS NetApiBufferFree(void* buffer)
{
    static auto* const next = libnetapi<decltype(NetApiBufferFree)>("NetApiBufferFree");
    buffersOut.erase(buffer);
    return next(buffer);
}

namespace {

constexpr std::int16_t noEntry = 0;

class SambaAdmin : public SambaTest {
protected:
    SambaAdmin() : SambaTest("ADMIN") {}

    void SetUp() override
    {
        SambaTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        alice = &hold("ALICE", FileHolder::Access::readOnly, {"report.PDF", "Docs/Notes.txt"});
        bob = &hold("BOB", FileHolder::Access::readWrite, {"Docs/budget.xlsx"});
        inventory.server(env("ADDRESS"));
    }

    // The entry of a file of the share, which the server reports by drive letter and backslashes.
    std::int16_t indexOf(const clsNetFile& listed, const QString& relativePath) const
    {
        const QString reported = QString(QLatin1String("c:") + env("SHARE_DIR") + u'/' + relativePath).replace(u'/', u'\\');
        for (std::int16_t index = 1; index <= listed.count(); ++index)
            if (listed.fileName(index) == reported.toLower())
                return index;
        return noEntry;
    }

    QString allOpen() const { return QStringLiteral(" 3 open connections on '%1'").arg(env("ADDRESS")); }

    std::shared_ptr<NetApiOpenFileSource> source = std::make_shared<NetApiOpenFileSource>();
    clsNetFile inventory{source};
    FileHolder* alice = nullptr;
    FileHolder* bob = nullptr;
};

TEST_F(SambaAdmin, ListsEveryHeldFileWithItsUserPermissionsAndType)
{
    inventory.load(QString());
    ASSERT_EQ(inventory.count(), 3);
    EXPECT_EQ(inventory.message(), allOpen());
    const char* expected[][4] = {
        {"report.PDF", "alice", "read access", "pdf"},
        {"Docs/Notes.txt", "alice", "read access", "txt"},
        {"Docs/budget.xlsx", "bob", "read write access", "xlsx"},
    };
    for (const auto& file : expected) {
        SCOPED_TRACE(file[0]);
        const std::int16_t index = indexOf(inventory, QString::fromUtf8(file[0]));
        ASSERT_NE(index, noEntry);
        EXPECT_EQ(inventory.userName(index), QString::fromUtf8(file[1]));
        EXPECT_EQ(inventory.filePermission(index), QString::fromUtf8(file[2]));
        EXPECT_EQ(inventory.typeFile(index), QString::fromUtf8(file[3]));
    }
}

TEST_F(SambaAdmin, FilterKeepsMatchingUsersAndPathsAndCountsThem)
{
    const std::pair<const char*, std::int16_t> cases[] = {{"BOB", 1}, {"docs\\", 2}, {"nobody-matches", 0}};
    for (const auto& [filter, kept] : cases) {
        SCOPED_TRACE(filter);
        inventory.load(QString::fromUtf8(filter));
        EXPECT_EQ(inventory.count(), kept);
        EXPECT_EQ(inventory.message(), allOpen() + QStringLiteral(" - Filtered elements: %1").arg(kept));
    }
}

TEST_F(SambaAdmin, IdentifiersSurviveTheSignedRoundTrip)
{
    const OpenFileList list = source->enumerate(server());
    ASSERT_EQ(list.status, 0u);
    inventory.load(QString());
    ASSERT_EQ(static_cast<std::size_t>(inventory.count()), list.records.size());
    for (std::int16_t index = 1; index <= inventory.count(); ++index)
        EXPECT_EQ(static_cast<std::uint32_t>(inventory.idFile(index)), list.records[index - 1].id);
}

TEST_F(SambaAdmin, EveryAnswerBufferIsHandedBack)
{
    inventory.load(QString());
    EXPECT_EQ(inventory.count(), 3);
    inventory.server(QStringLiteral("tarnwick-absent.invalid"));
    inventory.load(QString());
    EXPECT_EQ(inventory.message(), QString());
    EXPECT_TRUE(buffersOut.empty());
}

TEST_F(SambaAdmin, CloseFileEndsTheOpenOnceAndOnlyThatOne)
{
    inventory.load(QString());
    const std::int16_t budget = indexOf(inventory, QStringLiteral("Docs/budget.xlsx"));
    ASSERT_NE(budget, noEntry);
    clsNetFile beforeClose = inventory;

    EXPECT_TRUE(inventory.CloseFile(budget));
    // Samba hands a close to the process serving that client; it takes a moment.
    EXPECT_TRUE(QTest::qWaitFor(
        [this] {
            inventory.load(QString());
            return inventory.count() == 2 && indexOf(inventory, QStringLiteral("Docs/budget.xlsx")) == noEntry;
        },
        10000));
    EXPECT_FALSE(bob->works(0));
    EXPECT_TRUE(alice->works(0));
    EXPECT_TRUE(alice->works(1));
    // The same id again: the server no longer knows it.
    EXPECT_FALSE(beforeClose.CloseFile(budget));
}

TEST_F(SambaAdmin, UnreachableServersKeepTheEntriesAndClearTheMessage)
{
    inventory.load(QString());
    ASSERT_EQ(inventory.count(), 3);
    const QString firstPath = inventory.fileName(1);
    const QString unreachable[] = {
        QStringLiteral("tarnwick-absent.invalid"), // never resolves, and fails without waiting
        QStringLiteral("127.31.7.254"),            // loopback, nobody listens
        server(),                                  // typed with its own backslashes
    };
    for (const QString& name : unreachable) {
        SCOPED_TRACE(name.toStdString());
        inventory.server(name);
        inventory.load(QString());
        EXPECT_EQ(inventory.count(), 3);
        EXPECT_EQ(inventory.fileName(1), firstPath);
        EXPECT_EQ(inventory.message(), QString());
    }
}

} // namespace
