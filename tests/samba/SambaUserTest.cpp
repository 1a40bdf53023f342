// The source over libnetapi against the private test server as the ordinary user alice.
#include "SambaTest.h"

#include "NetApiOpenFileSource.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

namespace {

class SambaOrdinaryUser : public SambaTest {
protected:
    SambaOrdinaryUser() : SambaTest("ALICE") {}
};

TEST_F(SambaOrdinaryUser, ListingIsDenied)
{
    const OpenFileList list = NetApiOpenFileSource().enumerate(server());
    EXPECT_EQ(list.status, accessDenied);
    EXPECT_TRUE(list.records.empty());
}

// A refused login ends no search: the anonymous login comes next, which the server lets in and
// denies the listing.
TEST_F(SambaOrdinaryUser, AWrongPasswordIsRefusedAndTheAnonymousLoginDenied)
{
    ::setenv("PASSWD", "not-the-password", 1);
    EXPECT_EQ(NetApiOpenFileSource().enumerate(server()).status, accessDenied);
}

// Without any password Samba would prompt on the terminal or standard input. Standard input
// becomes a pipe nobody writes to, so a prompt waits there until the alarm ends the process.
TEST_F(SambaOrdinaryUser, WithoutAnyPasswordTheListingIsRefusedInsteadOfPrompting)
{
    ::unsetenv("PASSWD");
    int silence[2];
    ASSERT_EQ(::pipe(silence), 0);
    ASSERT_EQ(::dup2(silence[0], STDIN_FILENO), STDIN_FILENO);
    ::alarm(30);
    EXPECT_EQ(NetApiOpenFileSource().enumerate(server()).status, accessDenied);
    ::alarm(0);
}

} // namespace
