// The source over libnetapi against the private test server when the connection goes wrong:
// answers altered on the way, and a server that restarts.
#include "SambaTest.h"

#include "NetApiOpenFileSource.h"
#include "ProxyProcess.h"

#include <QHostAddress>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// Runs the fixture's test-server script on the fixture's own server.
int testServer(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral(TARNWICK_TEST_SERVER), arguments);
}

// The test server stopped for as long as the object lives; it runs again afterwards, whatever
// the test met meanwhile.
class StoppedServer {
public:
    explicit StoppedServer(QString address) : m_address(std::move(address))
    {
        EXPECT_EQ(testServer({QStringLiteral("stop"), QStringLiteral(TARNWICK_SAMBA_DIR)}), 0);
    }
    ~StoppedServer()
    {
        EXPECT_EQ(testServer({QStringLiteral("start"), QStringLiteral(TARNWICK_SAMBA_DIR), m_address}), 0)
            << "the test server did not start again";
    }
    StoppedServer(const StoppedServer&) = delete;
    StoppedServer& operator=(const StoppedServer&) = delete;

private:
    QString m_address;
};

class SambaConnection : public SambaTest {
protected:
    SambaConnection() : SambaTest("ADMIN") {}

    void SetUp() override
    {
        SambaTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        hold("ALICE", FileHolder::Access::readOnly, {"report.PDF", "Docs/Notes.txt"});
        hold("BOB", FileHolder::Access::readWrite, {"Docs/budget.xlsx"});
    }

    // A loopback address of this build's own for a proxy: the one after the server's.
    QString proxyAddress() const { return QHostAddress(QHostAddress(env("ADDRESS")).toIPv4Address() + 1).toString(); }

    NetApiOpenFileSource source;
};

// With the held files' paths in the answer, the proxy's change lands in a path: an answer taken
// without checking its signature would list a file that is not open.
TEST_F(SambaConnection, AnswersAlteredOnTheWayListNothingWhileTheServersOwnList)
{
    EXPECT_EQ(source.enumerate(server()).records.size(), 3u);
    for (const char* mode : {"--tamper", "--tamper-unsigned"}) {
        SCOPED_TRACE(mode);
        const ProxyProcess proxy({proxyAddress(), env("ADDRESS"), QStringLiteral("0"), QString::fromLatin1(mode)});
        const OpenFileList list = source.enumerate(QLatin1String("\\\\") + proxyAddress());
        EXPECT_NE(list.status.outcome, SourceOutcome::done);
        EXPECT_TRUE(list.records.empty());
        RecordProperty(mode, std::to_string(list.status.code));
    }
    EXPECT_EQ(source.enumerate(server()).records.size(), 3u);
}

// libnetapi keeps its connection to a server that has restarted; the next listing connects
// anew, also after a listing made while the server was away.
TEST_F(SambaConnection, ListsAgainAfterTheServerRestarted)
{
    for (const bool listedWhileStopped : {false, true}) {
        SCOPED_TRACE(listedWhileStopped ? "listed while stopped" : "restarted between two listings");
        ASSERT_EQ(source.enumerate(server()).status, SourceStatus{});
        {
            const StoppedServer stopped(env("ADDRESS"));
            if (listedWhileStopped) {
                EXPECT_EQ(source.enumerate(server()).status, noConnection);
            }
        }
        // The restart closed every held file; one held now shows the listing is fresh.
        hold("ALICE", FileHolder::Access::readOnly, {"README"});
        const OpenFileList list = source.enumerate(server());
        EXPECT_EQ(list.status, SourceStatus{});
        ASSERT_EQ(list.records.size(), 1u);
        EXPECT_EQ(list.records[0].userName, env("ALICE_USER"));
    }
}

} // namespace
