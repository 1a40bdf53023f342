// The connection against private Samba servers, one per configuration (dialects, signing and
// encryption required), started by the suite's fixture; and against peers of the test's own
// that answer wrongly, late or never.
#include "FileHolder.h"
#include "LoopbackPeers.h"
#include "Ndr.h"
#include "RpcPipe.h"
#include "ServiceFiles.h"
#include "Smb2Connection.h"
#include "Smb2TestResponses.h"
#include "SmbOpenFileSource.h"
#include "SrvsvcCalls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace smb2;
using namespace std::chrono_literals;

namespace {

struct TestServer {
    std::string address;
    std::string user;  // the administrator
    std::string password;
    std::string aliceUser;  // an ordinary user
    std::string alicePassword;
};

// The server of one configuration, as its fixture left it; the test skips where smbd cannot
// run on this machine.
std::optional<TestServer> testServer(const char* name, QString& unavailable)
{
    const auto values = serviceVariables(QStringLiteral(TARNWICK_SESSION_SERVERS "/") + name, "server.env", unavailable);
    if (!values)
        return std::nullopt;
    const auto value = [&](const char* key) { return values->value("TARNWICK_SMB_" + QLatin1String(key)).toStdString(); };
    return TestServer{value("ADDRESS"), value("ADMIN_USER"), value("ADMIN_PASSWORD"), value("ALICE_USER"), value("ALICE_PASSWORD")};
}

#define REQUIRE_SERVER(variable, name)                       \
    QString unavailable;                                     \
    const auto variable = testServer(name, unavailable);     \
    if (!variable)                                           \
        GTEST_SKIP() << unavailable.toStdString();

std::unique_ptr<Connection> loggedIn(const TestServer& server, std::uint16_t port = 445, Dialect maxDialect = Dialect::smb311)
{
    ConnectOptions options;
    options.host = server.address;
    options.port = port;
    options.maxDialect = maxDialect;
    auto connection = Connection::open(options);
    GssLogin login = GssLogin::withPassword(server.address, {server.user, "", "", server.password.c_str()});
    connection->logIn(login);
    return connection;
}

// NetrShareEnum at level 1 through the client's own RPC layer. With the fixture's long share
// comment the answer spans several fragments: the first through the transceive, all the others
// through READs in flight together.
Bytes shareEnumAnswer(PipeTransport& pipe, const std::string& host)
{
    rpc::RpcPipe rpc(pipe);
    rpc.bind(srvsvc::interfaceId);
    ndr::Writer stub;
    stub.uniqueString(std::u16string(host.begin(), host.end()));
    stub.u32(1);  // level, and the union's arm
    stub.u32(1);
    stub.pointer(true);  // SHARE_INFO_1_CONTAINER: no entries, no buffer
    stub.u32(0);
    stub.pointer(false);
    stub.u32(0xFFFFFFFF);  // preferred maximum length
    stub.pointer(true);  // resume handle
    stub.u32(0);
    const Bytes answer = rpc.call(15, stub.take()).joined();
    EXPECT_GT(rpc.maxReadsInFlight(), 1u);
    return answer;
}

// The comment the fixture gives the share: long enough for an answer of several fragments.
bool holdsLongComment(const Bytes& stub)
{
    const std::string marker = "Tarnwick-long-comment";
    Bytes wide;
    for (const char c : marker) {
        wide.push_back(static_cast<std::uint8_t>(c));
        wide.push_back(0);
    }
    return std::search(stub.begin(), stub.end(), wide.begin(), wide.end()) != stub.end();
}

struct Variant {
    const char* server;
    Dialect maxDialect;
    Dialect expected;
    bool encrypts;
};

void PrintTo(const Variant& variant, std::ostream* out)
{
    *out << variant.server;
}

class EveryVariant : public testing::TestWithParam<Variant> {};
// Each variant server once: a file held there must be the only one.
class EveryServer : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(EveryVariant, CarriesTheServerService)
{
    const Variant variant = GetParam();
    REQUIRE_SERVER(server, variant.server);
    const auto connection = loggedIn(*server, 445, variant.maxDialect);
    EXPECT_EQ(connection->dialect(), variant.expected);
    const auto pipe = connection->openPipe(u"srvsvc");
    EXPECT_EQ(connection->encrypts(), variant.encrypts);
    const Bytes stub = shareEnumAnswer(*pipe, server->address);
    EXPECT_TRUE(holdsLongComment(stub));
    ASSERT_GE(stub.size(), 4u);
    EXPECT_EQ(Bytes(stub.end() - 4, stub.end()), Bytes(4, 0)) << "WERROR";
}

// The product's source on the same servers: the administrator, logged in by the environment,
// lists the file alice holds and closes it.
TEST_P(EveryServer, TheSourceListsAndClosesTheFileAUserHolds)
{
    REQUIRE_SERVER(server, GetParam());
    FileHolder alice(server->aliceUser, server->alicePassword);
    alice.open("smb://" + server->address + "/share/README", FileHolder::Access::readOnly);
    ::setenv("USER", server->user.c_str(), 1);
    ::setenv("PASSWD", server->password.c_str(), 1);
    const QString name = QString::fromStdString("\\\\" + server->address);
    SmbOpenFileSource source;
    const OpenFileList list = source.enumerate(name);
    ASSERT_EQ(list.status, SourceStatus{});
    ASSERT_EQ(list.records.size(), 1u);
    EXPECT_EQ(list.records[0].userName, QString::fromStdString(server->aliceUser));
    EXPECT_EQ(source.close(name, list.records[0].id), SourceStatus{});
    // The process that serves alice closes the file a moment after the call returns.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while ((alice.works(0) || !source.enumerate(name).records.empty()) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(alice.works(0));
    EXPECT_TRUE(source.enumerate(name).records.empty());
}

INSTANTIATE_TEST_SUITE_P(Smb2Connection, EveryVariant,
                         testing::Values(Variant{"smb2_02", Dialect::smb311, Dialect::smb202, false},
                                         Variant{"smb2_10", Dialect::smb311, Dialect::smb21, false},
                                         Variant{"smb3_00", Dialect::smb311, Dialect::smb30, false},
                                         Variant{"smb3_02", Dialect::smb311, Dialect::smb302, false},
                                         Variant{"smb3_11", Dialect::smb311, Dialect::smb311, false},
                                         Variant{"smb3_11", Dialect::smb21, Dialect::smb21, false},
                                         Variant{"signing", Dialect::smb311, Dialect::smb311, false},
                                         Variant{"encrypt", Dialect::smb311, Dialect::smb311, true},
                                         Variant{"encrypt", Dialect::smb30, Dialect::smb30, true},
                                         Variant{"ipc_encrypt", Dialect::smb311, Dialect::smb311, true}),
                         [](const auto& param) {
                             return std::string(param.param.server) + "_client_max_" + std::to_string(static_cast<int>(param.param.maxDialect));
                         });
INSTANTIATE_TEST_SUITE_P(Smb2Connection, EveryServer,
                         testing::Values("smb2_02", "smb2_10", "smb3_00", "smb3_02", "smb3_11", "signing", "encrypt",
                                         "ipc_encrypt"),
                         [](const auto& param) { return std::string(param.param); });

namespace {

using Change = std::function<void(Bytes&)>;

struct Tampering {
    const char* name;
    const char* server;
    Dialect maxDialect;
    int frame;  // of the server's, counted from 1
    Change change;
    const char* refusedAt;
};

constexpr std::size_t flagsOffset = 16;
constexpr std::uint8_t signedFlag = 0x8;

// Flips the lowest bit of one byte, counted from the end when negative; and then clears the
// SIGNED flag if asked, as an attacker would who cannot sign.
Change flip(std::ptrdiff_t byte, bool clearSigned = false)
{
    return [=](Bytes& message) {
        message.at(byte >= 0 ? static_cast<std::size_t>(byte) : message.size() - static_cast<std::size_t>(-byte)) ^= 0x01;
        if (clearSigned)
            message.at(flagsOffset) &= ~signedFlag;
    };
}

bool isPlainInterim(const Bytes& message)
{
    constexpr std::uint8_t asyncFlag = 0x2;
    return message.size() >= 64 && message[0] == 0xFE && (message[flagsOffset] & asyncFlag) && message[8] == 0x03
           && message[9] == 0x01 && message[10] == 0 && message[11] == 0;
}

// Puts a plain SMB2 response with the message id in place of an encrypted one.
Change plainResponse(std::uint8_t messageId)
{
    return [=](Bytes& message) { message = responseHeader({.messageId = messageId}); };
}

void PrintTo(const Tampering& tampering, std::ostream* out)
{
    *out << tampering.name;
}

class TamperedResponse : public testing::TestWithParam<Tampering> {};

} // namespace

// Final responses on these servers: 1 negotiate, 2 and 3 session setup, 4 tree connect (with
// 3.0 then 5 the validation), then create and the bind. Interim responses (Samba sends one
// while its RPC server starts on demand) carry no signature; they are passed on uncounted.
TEST_P(TamperedResponse, IsRefused)
{
    const Tampering tampering = GetParam();
    REQUIRE_SERVER(server, tampering.server);
    int finals = 0;
    TamperingProxy proxy(server->address, server->address, 445, [&](Bytes& message) {
        if (isPlainInterim(message))
            return;
        if (++finals == tampering.frame)
            tampering.change(message);
    });
    std::string stage = "open";
    try {
        ConnectOptions options{server->address, proxy.port(), tampering.maxDialect, 3000ms, 5000ms};
        const auto connection = Connection::open(options);
        stage = "logIn";
        GssLogin login = GssLogin::withPassword(server->address, {server->user, "", "", server->password.c_str()});
        connection->logIn(login);
        stage = "openPipe";
        const auto pipe = connection->openPipe(u"srvsvc");
        stage = "transceive";
        rpc::RpcPipe(*pipe).bind(srvsvc::interfaceId);
        stage = "accepted";
    } catch (const IntegrityError&) {
    }
    EXPECT_EQ(stage, tampering.refusedAt);
}

INSTANTIATE_TEST_SUITE_P(
    Smb2Connection, TamperedResponse,
    testing::Values(Tampering{"Untouched", "smb3_11", Dialect::smb311, 0, {}, "accepted"},
                    Tampering{"AnswerByte", "smb3_11", Dialect::smb311, 6, flip(-1), "transceive"},
                    Tampering{"AnswerByteUnsigned", "smb3_11", Dialect::smb311, 6, flip(-1, true), "transceive"},
                    Tampering{"AnswerByte2_10", "smb2_10", Dialect::smb311, 6, flip(-1, true), "transceive"},
                    Tampering{"FinalSessionSetupCredits", "smb3_11", Dialect::smb311, 3, flip(14), "logIn"},
                    Tampering{"NegotiateGuid3_11", "smb3_11", Dialect::smb311, 1, flip(72), "logIn"},
                    Tampering{"NegotiateGuid3_00", "smb3_00", Dialect::smb311, 1, flip(72), "openPipe"},
                    Tampering{"EncryptedAnswer", "encrypt", Dialect::smb311, 6, flip(-1), "transceive"},
                    Tampering{"EncryptedAnswer3_00", "encrypt", Dialect::smb30, 7, flip(-1), "transceive"},
                    Tampering{"PlainAnswerWhenEncrypted", "encrypt", Dialect::smb311, 6, plainResponse(5), "transceive"}),
    [](const auto& param) { return std::string(param.param.name); });

// A READ answer that fails its signature ends the listing, but the connection still waits for
// the READs out before it closes: Samba 4.17 may panic when a connection ends under a pending
// pipe READ. The answers after the broken one come late, so that a close not waiting for them
// would come first.
TEST(Smb2Connection, WaitsForTheReadsOutBeforeClosing)
{
    REQUIRE_SERVER(server, "smb3_11");
    constexpr int firstRead = 8;  // the final responses before: see TamperedResponse
    int finals = 0;
    TamperingProxy proxy(server->address, server->address, 445, [&](Bytes& message) {
        if (isPlainInterim(message))
            return;
        if (++finals == firstRead)
            flip(-1)(message);
        else if (finals > firstRead)
            std::this_thread::sleep_for(100ms);
    });
    {
        const auto connection = loggedIn(*server, proxy.port());
        const auto pipe = connection->openPipe(u"srvsvc");
        EXPECT_THROW(shareEnumAnswer(*pipe, server->address), IntegrityError);
    }
    proxy.stop();
    EXPECT_GT(finals, firstRead) << "the answer was not read over several READs";
    EXPECT_EQ(finals, proxy.requests());
}

namespace {

// An SMB1 NEGOTIATE response's start: what a server that speaks nothing newer answers.
const Bytes smb1Reply = [] {
    Bytes reply(40, 0);
    reply[0] = 0xFF, reply[1] = 'S', reply[2] = 'M', reply[3] = 'B', reply[4] = 0x72;
    return reply;
}();

const Bytes interim = [] {
    Bytes reply = responseHeader({.status = 0x103, .flags = 0x3});
    reply.resize(72, 0);
    reply[64] = 9;  // the error response's structure size
    return reply;
}();

// Addresses of the test's own peers: beside the fixture's servers, on the loopback network.
std::string peerAddress()
{
    QString unavailable;
    const auto server = testServer("smb3_11", unavailable);
    return server ? server->address : "127.0.0.1";
}

} // namespace

TEST(Smb2Connection, NegotiatesWithScriptedPeersOrFailsEachInItsOwnWay)
{
    struct Case {
        const char* name;
        std::vector<Bytes> replies;
        bool close;
        std::function<void(const ConnectOptions&)> expectOutcome;
    };
    const auto expect = [](auto exception) {
        return [](const ConnectOptions& options) { EXPECT_THROW(Connection::open(options), decltype(exception)); };
    };
    const Case cases[] = {
        {"interim, then the answer", {interim, negotiateResponse({.dialect = 0x0202})}, false,
         [](const ConnectOptions& options) { EXPECT_EQ(Connection::open(options)->dialect(), Dialect::smb202); }},
        {"interim only", {interim}, false, expect(Timeout(""))},
        {"silent", {}, false, expect(Timeout(""))},
        {"SMB1 only", {smb1Reply}, false, expect(DialectNotSpoken(""))},
        {"refuses every dialect", {responseHeader({.status = 0xC00000BB})}, false, expect(DialectNotSpoken(""))},
        {"closes", {}, true, expect(ConnectionLost(""))},
        {"not SMB", {Bytes(64, 0x42)}, false, expect(ProtocolError(""))},
        {"answers another message id", {negotiateResponse({.dialect = 0x0202, .messageId = 7})}, false, expect(ProtocolError(""))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer peer(peerAddress(), c.replies, c.close);
        const auto started = std::chrono::steady_clock::now();
        c.expectOutcome({peerAddress(), peer.port(), Dialect::smb311, 1000ms, 300ms});
        EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    }
}

TEST(Smb2Connection, HostsThatCannotBeReachedAreUnreachableQuickly)
{
    const std::uint16_t closedPort = 1;  // privileged, and nobody listens on it here
    for (const auto& [host, port] : {std::pair<std::string, std::uint16_t>{peerAddress(), closedPort}, {"no-such-host.invalid", 445}}) {
        SCOPED_TRACE(host);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_THROW(Connection::open({host, port, Dialect::smb311, 3000ms, 1000ms}), Unreachable);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    }
}
