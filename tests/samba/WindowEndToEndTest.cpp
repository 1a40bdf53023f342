// The whole job through the real window, against the private test server: list, filter,
// check, close, and see on the server that exactly the checked files were closed.
#include "DesktopIconServices.h"
#include "SambaTest.h"
#include "ServerSource.h"
#include "WindowDriver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

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
