// The whole job through the real window, against the private test server: list, filter,
// check, close, and see on the server that exactly the checked files were closed.
#include "DesktopIconServices.h"
#include "NetApiOpenFileSource.h"
#include "SambaTest.h"
#include "ServerSource.h"
#include "WindowDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

class WindowAgainstTheServer : public SambaTest {
protected:
    // Logged in by a password file, as the demo starts the window.
    WindowAgainstTheServer() : SambaTest("ADMIN", Password::file) {}
};

TEST_F(WindowAgainstTheServer, ClosesExactlyTheTwoCheckedFilesAfterFiltering)
{
    const QString address = env("ADDRESS");
    FileHolder& alice = hold("ALICE", FileHolder::Access::readWrite, {"report.PDF", "Docs/Notes.txt", "Docs/budget.xlsx"});
    FileHolder& bob = hold("BOB", FileHolder::Access::readOnly, {"README", "Archive.d/backup.tar.gz"});

    WindowDriver driver(makeServerSource, std::make_shared<DesktopIconServices>());
    frmMain& window = driver.window;
    driver.typeServer(address);
    ASSERT_EQ(window.lst->listItems().count(), 5) << window.frameConn->title().toStdString();
    EXPECT_EQ(window.frameConn->title(), QString(" 5 open connections on '%1'").arg(address));
    for (std::int32_t p = 1; p <= 5; ++p)
        EXPECT_GE(window.lst->listItems().item(p).smallIcon(), 1) << p;

    driver.typeFilter("docs");
    ASSERT_EQ(driver.rowKeys().size(), 2);
    for (const QString& key : driver.rowKeys())
        driver.check(key);
    ASSERT_TRUE(driver.closeChecked());

    // libsmbclient and libnetapi share Samba's scratch stack: the holders wait for the worker.
    ASSERT_TRUE(driver.settle());
    // Samba hands a close to the process serving that client; it takes a moment.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !alice.works(1) && !alice.works(2); }, 10000));
    EXPECT_TRUE(alice.works(0));
    EXPECT_TRUE(bob.works(0));
    EXPECT_TRUE(bob.works(1));

    driver.typeFilter("");
    EXPECT_EQ(window.lst->listItems().count(), 3);
    EXPECT_EQ(window.frameConn->title(), QString(" 3 open connections on '%1'").arg(address));
}

// On Samba a file's identifier is (process id << 16) | the process's count of opens, cut to 32
// bits: after 65,536 more opens on one connection, and with an odd process id, a new open
// carries the identifier of an older one still open. Checking one of the two closes neither.
TEST_F(WindowAgainstTheServer, LeavesBothFilesOfASharedIdentifierOpenWhenOneIsChecked)
{
    const auto url = [&](const char* path) {
        return QStringLiteral("smb://%1/%2/%3").arg(env("ADDRESS"), env("SHARE"), path).toStdString();
    };
    // libnetapi only finds the setting; the window lists through the product's source.
    NetApiOpenFileSource source;
    const auto idsOf = [&](const char* name) {
        std::vector<std::uint32_t> ids;
        for (const OpenFileRecord& file : source.enumerate(server()).records)
            if (file.pathName.value_or(QString()).endsWith(QLatin1String(name), Qt::CaseInsensitive))
                ids.push_back(file.id);
        return ids;
    };
    // Each connection is served by a process of its own: connect until its id is odd.
    std::unique_ptr<FileHolder> alice;
    std::uint32_t shared = 0;
    for (int attempt = 0; attempt < 16 && (shared & 0x10000u) == 0; ++attempt) {
        alice.reset();
        alice = std::make_unique<FileHolder>(env("ALICE_USER").toStdString(), env("ALICE_PASSWORD").toStdString());
        alice->open(url("report.PDF"), FileHolder::Access::readOnly);
        const std::vector<std::uint32_t> ids = idsOf("report.PDF");
        ASSERT_EQ(ids.size(), 1u);
        shared = ids.front();
    }
    ASSERT_NE(shared & 0x10000u, 0u) << "no serving process with an odd id";
    // The process counts every handle it makes, and the client makes handles of its own on the
    // way (an open and close may count twice): held probes show how far the count has come, and
    // the opens between them, at the rate measured, stop short of the count that wraps onto
    // report.PDF's identifier.
    std::uint32_t count = shared & 0xFFFFu;
    const std::uint32_t target = count + 0x10000u;
    std::uint32_t last = shared;
    std::set<std::uint32_t> seen;
    const auto probe = [&] {
        const std::size_t held = alice->open(url("Docs/budget.xlsx"), FileHolder::Access::readOnly);
        for (const std::uint32_t id : idsOf("budget.xlsx")) {
            if (seen.insert(id).second) {
                count += (id - last) & 0xFFFFu;
                last = id;
            }
        }
        return held;
    };
    std::size_t held = probe();
    double perOpen = 0;  // not measured yet
    for (int round = 0; round < 128 && count < target; ++round) {
        const std::uint32_t left = target - count;
        if (left <= 64) {
            held = probe();
            continue;
        }
        const std::size_t opens = perOpen == 0 ? 1000 : std::max<std::size_t>(1, (left - left / 16 - 32) / perOpen);
        const std::uint32_t from = count;
        alice->openAndClose(url("README"), opens);
        held = probe();
        perOpen = std::max(1.0, static_cast<double>(count - from - 1) / static_cast<double>(opens));
    }
    const std::size_t twin = count == target ? held : 0;
    ASSERT_NE(twin, 0u) << "no open took the identifier " << shared;

    WindowDriver driver(makeServerSource, std::make_shared<DesktopIconServices>());
    driver.typeServer(env("ADDRESS"));
    driver.typeFilter("report");
    ASSERT_EQ(driver.rowKeys().size(), 1);
    driver.check(driver.rowKeys().front());
    ASSERT_TRUE(driver.closeChecked());
    ASSERT_TRUE(driver.settle());
    EXPECT_EQ(driver.takeNotice(), "Close files|1 checked file was left open: another open file on the server "
                                   "shares its identifier, so closing it would close that file too.");
    EXPECT_TRUE(alice->works(0));
    EXPECT_TRUE(alice->works(twin));
}
