// The login against gss-ntlmssp's own acceptor, in this process: SPNEGO on both sides, the
// acceptor reading its accounts from the file NTLM_USER_FILE names (lines DOMAIN:user:password,
// the format of Heimdal's NTLM backend). No Kerberos here: KRB5_CONFIG, KRB5CCNAME and
// KRB5_KTNAME point at nothing.
#include "GssAcceptor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace smb2;
using gssacceptor::exchange;
using gssacceptor::Outcome;

namespace {

constexpr char right[] = "Correct horse 1";  // alice's

class GssLoginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* tmp = std::getenv("TMPDIR");
        m_dir = std::filesystem::path(tmp != nullptr ? tmp : "/tmp") /
            ("gsslogin-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
        const auto users = m_dir / "ntlm-users";
        std::ofstream(users) << "TARNTEST:alice:Correct horse 1\n"
                                "EXAMPLE.TEST:bob:Battery staple 2\n";
        setenv("NTLM_USER_FILE", users.c_str(), 1);
        setenv("KRB5_CONFIG", (m_dir / "no-krb5.conf").c_str(), 1);
        setenv("KRB5CCNAME", ("FILE:" + (m_dir / "no-ccache").string()).c_str(), 1);
        setenv("KRB5_KTNAME", ("FILE:" + (m_dir / "no-keytab").string()).c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path m_dir;
};

} // namespace

TEST_F(GssLoginTest, PasswordLoginEstablishesOnlyWithTheRightAccount)
{
    struct Case {
        const char* what;
        PasswordLogin login;
        bool established;
    };
    const Case cases[] = {
        {"DOMAIN\\user, right password", {"alice", "TARNTEST", "", right}, true},
        {"user alone", {"alice", "", "", right}, true},
        {"wrong password", {"alice", "TARNTEST", "", "Correct horse 2"}, false},
        {"unknown user", {"mallory", "TARNTEST", "", right}, false},
        {"user@REALM, Kerberos unreachable: NTLMSSP with the realm as domain", {"bob", "", "EXAMPLE.TEST", "Battery staple 2"}, true},
    };
    for (const Case& c : cases) {
        GssLogin login = GssLogin::withPassword("fileserver.example.test", c.login);
        const Outcome outcome = exchange(login);
        EXPECT_EQ(outcome.loginDone && outcome.acceptorDone, c.established) << c.what;
        EXPECT_EQ(outcome.acceptorRefused, !c.established) << c.what;
        if (c.established) {
            EXPECT_EQ(outcome.loginKey.size(), 16u) << c.what;
            EXPECT_EQ(outcome.loginKey, outcome.acceptorKey) << c.what;
        } else {
            EXPECT_FALSE(login.established()) << c.what;
            EXPECT_THROW(login.sessionKey(), LoginUnavailable) << c.what;
        }
    }
}

TEST_F(GssLoginTest, EachLoginHasItsOwnSessionKey)
{
    GssLogin first = GssLogin::withPassword("fileserver", {"alice", "TARNTEST", "", right});
    GssLogin second = GssLogin::withPassword("fileserver", {"alice", "TARNTEST", "", right});
    const Outcome a = exchange(first);
    const Outcome b = exchange(second);
    ASSERT_TRUE(a.loginDone && b.loginDone);
    EXPECT_NE(a.loginKey, b.loginKey);

    // Moved, the login keeps its state; once complete it takes no further token.
    GssLogin moved = std::move(first);
    EXPECT_TRUE(moved.established());
    EXPECT_EQ(moved.sessionKey(), a.loginKey);
    EXPECT_TRUE(moved.step({}).empty());
    EXPECT_THROW(moved.step(Bytes{1, 2, 3}), LoginUnavailable);
}

TEST_F(GssLoginTest, GarbageFromTheServerIsLoginUnavailable)
{
    GssLogin login = GssLogin::withPassword("fileserver", {"alice", "TARNTEST", "", right});
    EXPECT_FALSE(login.step({}).empty());
    EXPECT_THROW(login.step(Bytes{0x30, 0x03, 0x01, 0x02, 0x03}), LoginUnavailable);
    EXPECT_FALSE(login.established());
}
