// Both open-file sources of Linux against the private test server, as its administrator: the
// project's own SMB2 client and libnetapi answer alike, and the own client hands a server to
// libnetapi when told to.
#include "SambaTest.h"

#include "NetApiOpenFileSource.h"
#include "SmbOpenFileSource.h"

#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <netapi.h>

// A link seam: the source's calls of these two reach the definitions below, which pass them
// on to libnetapi and keep the buffers handed out and not yet handed back. libnetapi hangs
// every buffer on its context, which lives as long as the process, so no leak checker sees one.
namespace {
std::set<void*> buffersOut;
int netFileEnumCalls = 0;
} // namespace

extern "C" NET_API_STATUS NetFileEnum(const char* server, const char* basePath, const char* user, uint32_t level,
                                      uint8_t** buffer, uint32_t maxLength, uint32_t* read, uint32_t* total,
                                      uint32_t* resume)
{
    static const auto next = reinterpret_cast<decltype(&NetFileEnum)>(dlsym(RTLD_NEXT, "NetFileEnum"));
    ++netFileEnumCalls;
    const NET_API_STATUS status = next(server, basePath, user, level, buffer, maxLength, read, total, resume);
    if (*buffer != nullptr)
        buffersOut.insert(*buffer);
    return status;
}

extern "C" NET_API_STATUS NetApiBufferFree(void* buffer)
{
    static const auto next = reinterpret_cast<decltype(&NetApiBufferFree)>(dlsym(RTLD_NEXT, "NetApiBufferFree"));
    buffersOut.erase(buffer);
    return next(buffer);
}

namespace {

using ::testing::UnorderedElementsAre;

// "user permissions path" per listed file.
std::vector<std::string> shown(const OpenFileList& list)
{
    std::vector<std::string> files;
    for (const OpenFileRecord& file : list.records)
        files.push_back(QStringLiteral("%1 %2 %3").arg(file.userName.value_or("-")).arg(file.permissions)
            .arg(file.pathName.value_or("-")).toStdString());
    return files;
}

template <class Source>
class SambaAdmin : public SambaTest {
protected:
    SambaAdmin() : SambaTest("ADMIN", Password::variable, Files::threeHeld) {}

    // "user permissions path" for a held file, whose path the server reports by drive letter and
    // backslashes.
    std::string held(const char* user, int permissions, const QString& relativePath) const
    {
        return QStringLiteral("%1 %2 C:%3/%4").arg(QString::fromUtf8(user)).arg(permissions)
            .arg(env("SHARE_DIR"), relativePath).replace(u'/', u'\\').toStdString();
    }

    // The identifier of bob's one open file; 0, which names none, when it is not listed.
    std::uint32_t bobsFile()
    {
        const std::vector<OpenFileRecord> files = source.enumerate(server()).records;
        const auto found = std::ranges::find(files, std::optional(env("BOB_USER")), &OpenFileRecord::userName);
        return found == files.end() ? 0 : found->id;
    }

    Source source;
};

TYPED_TEST_SUITE(SambaAdmin, Sources, SourceNames);

// Every buffer libnetapi hands out for an answer, or for a failure, goes back.
TYPED_TEST(SambaAdmin, ListsEveryHeldFileWithItsUserAndPermissions)
{
    const OpenFileList list = this->source.enumerate(this->server());
    EXPECT_EQ(list.status, SourceStatus{});
    EXPECT_THAT(shown(list), UnorderedElementsAre(this->held("alice", 1, "report.PDF"),
        this->held("alice", 1, "Docs/Notes.txt"), this->held("bob", 3, "Docs/budget.xlsx")));
    EXPECT_NE(this->source.enumerate(QStringLiteral("\\\\tarnwick-absent.invalid")).status, SourceStatus{});
    EXPECT_TRUE(buffersOut.empty());
}

TYPED_TEST(SambaAdmin, CloseEndsThatOpenOnlyAndOnce)
{
    const std::uint32_t budget = this->bobsFile();
    EXPECT_EQ(this->source.close(this->server(), budget), SourceStatus{});
    // Samba hands a close to the process serving that client; it takes a moment.
    const auto closed = [&] { return !this->bobFiles->works(0) && this->source.enumerate(this->server()).records.size() == 2; };
    EXPECT_TRUE(QTest::qWaitFor(closed, 10000));
    EXPECT_TRUE(this->aliceFiles->works(0));
    EXPECT_TRUE(this->aliceFiles->works(1));
    EXPECT_EQ(this->source.close(this->server(), budget), noSuchFile);
}

TYPED_TEST(SambaAdmin, AnOrdinaryUsersCloseIsDeniedAndTheFileStaysOpen)
{
    const std::uint32_t budget = this->bobsFile();
    this->source.useLogin(this->server(), {this->env("ALICE_USER"), SecretText(this->env("ALICE_PASSWORD").toStdString())});
    EXPECT_EQ(this->source.close(this->server(), budget), accessDenied);
    EXPECT_TRUE(this->bobFiles->works(0));
}

TYPED_TEST(SambaAdmin, NamesThatReachNoServerAnswerNoConnection)
{
    const QString names[] = {
        QStringLiteral("\\\\tarnwick-absent.invalid"), // never resolves, and fails without waiting
        QStringLiteral("\\\\127.31.7.254"),            // loopback, nobody listens
        QLatin1String("\\\\") + this->server(),              // typed with its own backslashes
    };
    for (const QString& name : names)
        EXPECT_EQ(this->source.enumerate(name).status, noConnection) << name.toStdString();
}

// libnetapi says only "no connection" when a login fails; a server that is there refused it.
TYPED_TEST(SambaAdmin, AWrongTypedPasswordIsRefusedThenTheEnvironmentsLoginServes)
{
    this->source.useLogin(this->server(), {this->env("ADMIN_USER"), SecretText("not-the-password")});
    EXPECT_EQ(this->source.enumerate(this->server()).status, logonFailure);
    EXPECT_EQ(this->source.enumerate(this->server()).records.size(), 3u);
}

// Every field of every record, in the order listed.
std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, QString, QString>> records(const OpenFileList& list)
{
    std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, QString, QString>> all;
    for (const OpenFileRecord& file : list.records)
        all.emplace_back(file.id, file.permissions, file.numLocks, file.pathName.value_or("-"), file.userName.value_or("-"));
    return all;
}

class SourcesAlike : public SambaTest {
protected:
    SourcesAlike() : SambaTest("ADMIN") {}

    void expectTheSameList()
    {
        const OpenFileList own = smb.enumerate(server());
        const OpenFileList netApi = netapi.enumerate(server());
        ASSERT_EQ(own.status, SourceStatus{});
        ASSERT_EQ(netApi.status, SourceStatus{});
        EXPECT_EQ(records(own), records(netApi));
    }

    SmbOpenFileSource smb;
    NetApiOpenFileSource netapi;
};

// The own client reads an answer of several fragments with many READs at once. Each file held
// adds one record of known size to the answer, so holding one more at a time crosses the end of
// the first fragment (5,808 stub bytes) and of the next; then an answer of 2,000 records.
TEST_F(SourcesAlike, ListTheSameRecordsInTheSameOrder)
{
    const QString path = QStringLiteral("C:%1/README").arg(env("SHARE_DIR"));
    const auto ndrString = [](qsizetype units) { return (12 + 2 * (units + 1) + 3) / 4 * 4; };
    const qsizetype recordBytes = 20 + ndrString(path.size()) + ndrString(env("ALICE_USER").size());
    const qsizetype fragmentStub = 5808;
    const QString url = QStringLiteral("smb://%1/%2/README").arg(env("ADDRESS"), env("SHARE"));
    FileHolder& alice = hold("ALICE", FileHolder::Access::readOnly, {});
    for (qsizetype held = 0; held * recordBytes < 2 * fragmentStub + 2 * recordBytes; ++held) {
        SCOPED_TRACE(held);
        expectTheSameList();
        if (HasFailure())
            return;
        alice.open(url.toStdString(), FileHolder::Access::readOnly);
    }
    while (alice.size() < 2000)
        alice.open(url.toStdString(), FileHolder::Access::readOnly);
    expectTheSameList();
}

using SmbFallback = SambaAdmin<SmbOpenFileSource>;

// TARNWICK_LIBNETAPI names the servers libnetapi serves; the link seam above counts its calls.
TEST_F(SmbFallback, TheServersNamedInTheEnvironmentAreListedThroughLibnetapi)
{
    struct Case {
        QString names;  // empty: the variable is unset
        bool viaNetApi;
    };
    const QString address = env("ADDRESS");
    const Case cases[] = {{QString(), false}, {QStringLiteral("*"), true},
        {QStringLiteral("other.invalid, ") + address, true}, {QStringLiteral("other.invalid ") + address + "x", false}};
    const std::vector<std::string> expected = shown(NetApiOpenFileSource().enumerate(server()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.toStdString());
        if (c.names.isEmpty())
            ::unsetenv("TARNWICK_LIBNETAPI");
        else
            ::setenv("TARNWICK_LIBNETAPI", c.names.toLocal8Bit().constData(), 1);
        netFileEnumCalls = 0;
        const OpenFileList list = source.enumerate(server());
        EXPECT_EQ(list.status, SourceStatus{});
        EXPECT_EQ(shown(list), expected);
        EXPECT_EQ(netFileEnumCalls > 0, c.viaNetApi);
    }
    ::unsetenv("TARNWICK_LIBNETAPI");
}

} // namespace
