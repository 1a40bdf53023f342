#include "RpcPipe.h"
#include "RpcTestPdus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace rpc;
using rpctest::Cutting;
using rpctest::ScriptedPipe;
using rpctest::srvsvc;

// Binds (call_id 1) with the server granting the given sizes; the first call is call_id 2.
void bind(ScriptedPipe& pipe, RpcPipe& rpc, std::uint16_t xmit = 5840, std::uint16_t recv = 5840)
{
    rpctest::BindAckFields ack;
    ack.maxXmitFrag = xmit;
    ack.maxRecvFrag = recv;
    pipe.script({rpctest::bindAck(ack)});
    rpc.bind(srvsvc);
}

TEST(RpcPipe, BindTakesWhatIsGrantedNeverMoreThanAsked)
{
    struct Case {
        std::uint16_t xmit, recv;
        std::uint16_t receive, transmit;
    };
    const Case cases[] = {
        {5840, 5840, 5840, 5840},      // Samba 4.17
        {4280, 4280, 4280, 4280},      // newer Samba, Windows
        {65535, 65535, 5840, 5840},    // more than asked
        {4280, 5840, 4280, 5840},      // the server's max_xmit_frag is what the client receives
        {1432, 1432, 1432, 1432},      // C706's least
    };
    for (const Case& c : cases) {
        ScriptedPipe pipe;
        RpcPipe rpc(pipe);
        bind(pipe, rpc, c.xmit, c.recv);
        EXPECT_EQ(rpc.fragmentSize(), c.receive) << c.xmit << "/" << c.recv;
        EXPECT_EQ(rpc.transmitFragmentSize(), c.transmit) << c.xmit << "/" << c.recv;
        ASSERT_EQ(pipe.requests.size(), 1u);
        EXPECT_EQ(pipe.requests[0], encodeBind(1, srvsvc, 5840, 5840));
        EXPECT_THROW(rpc.bind(srvsvc), std::logic_error);
    }
}

// Refused by the server (bind_ack rejecting the context, bind_nak) or asked a fragment size below
// the least, the bind leaves the pipe unbound.
TEST(RpcPipe, BindRefusedLeavesThePipeUnbound)
{
    rpctest::BindAckFields rejected;
    rejected.result = 2;  // provider rejection
    rejected.reason = 1;  // abstract syntax not supported
    const Bytes answers[] = {rpctest::bindAck(rejected), rpctest::bindNak(0), {}};
    for (const Bytes& answer : answers) {
        ScriptedPipe pipe;
        RpcPipe rpc(pipe);
        if (answer.empty()) {
            EXPECT_THROW(rpc.bind(srvsvc, 1000), std::invalid_argument);
            EXPECT_TRUE(pipe.requests.empty());
        } else {
            pipe.script({answer});
            EXPECT_THROW(rpc.bind(srvsvc), BindRefused);
        }
        EXPECT_THROW(rpc.call(9, {}), std::logic_error);
    }
}

// Whatever the answer's length and however the server cuts it, every READ after the first
// fragment goes out at once, and not one more than there are fragments.
TEST(RpcPipe, AllReadsInFlightNeverOneTooMany)
{
    const Cutting cuttings[] = {
        {5840, true, true},   // Samba 4.17: 5,808-byte chunks
        {5840, false, true},  // C706: 5,816-byte chunks
        {4280, true, true},   // newer Samba and Windows: 4,256 either way
        {1432, false, true},
    };
    for (const Cutting& cutting : cuttings) {
        const std::size_t chunk = rpctest::chunkOf(cutting);
        const std::size_t sizes[] = {0, 1, chunk - 1, chunk, chunk + 1, 2 * chunk, 2 * chunk + 1,
            10 * chunk - 1, 10 * chunk, 10 * chunk + 1, 256036};
        for (const std::size_t size : sizes) {
            const std::string name = std::to_string(cutting.fragmentSize) + (cutting.alignChunkTo16 ? " aligned, " : ", ")
                + std::to_string(size) + " bytes";
            ScriptedPipe pipe;
            RpcPipe rpc(pipe);
            bind(pipe, rpc, cutting.fragmentSize, cutting.fragmentSize);
            const Bytes stub = rpctest::pattern(size);
            const std::vector<Bytes> fragments = rpctest::fragments(stub, cutting, 2);
            pipe.script(fragments);
            Bytes answer;
            ASSERT_NO_THROW(answer = rpc.call(9, Bytes{1, 2, 3, 4}).joined()) << name;
            EXPECT_EQ(answer, stub) << name;
            EXPECT_EQ(pipe.left(), 0u) << name;
            const std::vector<std::size_t> expected = fragments.size() > 1
                ? std::vector<std::size_t>{fragments.size() - 1}
                : std::vector<std::size_t>{};
            EXPECT_EQ(pipe.readBatches, expected) << name;
            EXPECT_EQ(rpc.readsSent(), fragments.size() - 1) << name;
            EXPECT_EQ(rpc.maxReadsInFlight(), fragments.size() - 1) << name;
        }
    }
}

// Without an alloc_hint, or after a READ answered "not now" (an empty result, which took no
// fragment), the rest come one at a time.
TEST(RpcPipe, NoHintOrNotNowFallsBackToOneReadAtATime)
{
    struct Case {
        const char* name;
        std::vector<std::size_t> emptiesBefore;  // READ answers that come back empty, by the fragment they precede (1..9)
        std::vector<std::size_t> batches;
        bool hints = true;
    };
    const Case cases[] = {
        {"none", {}, {9}},
        {"one in the batch", {3}, {9, 1}},
        {"two at the start of the batch", {1, 1}, {9, 1, 1}},
        {"one in the batch, one after it", {1, 9}, {9, 1, 1}},
        {"no hint", {}, std::vector<std::size_t>(9, 1), false},
    };
    for (const Case& c : cases) {
        ScriptedPipe pipe;
        RpcPipe rpc(pipe);
        bind(pipe, rpc);
        const Bytes stub = rpctest::pattern(9 * 5808 + 100);
        std::vector<Bytes> fragments = rpctest::fragments(stub, {5840, true, c.hints}, 2);
        ASSERT_EQ(fragments.size(), 10u);
        std::vector<Bytes> script{fragments[0]};
        for (std::size_t i = 1; i < fragments.size(); ++i) {
            for (const std::size_t before : c.emptiesBefore) {
                if (before == i)
                    script.emplace_back();
            }
            script.push_back(fragments[i]);
        }
        pipe.script(script);
        EXPECT_EQ(rpc.call(9, {}).joined(), stub) << c.name;
        EXPECT_EQ(pipe.readBatches, c.batches) << c.name;
        EXPECT_EQ(pipe.left(), 0u) << c.name;
        EXPECT_EQ(rpc.maxReadsInFlight(), c.batches.front()) << c.name;
    }
}

TEST(RpcPipe, EndlessNotNowGivesUp)
{
    ScriptedPipe pipe;
    RpcPipe rpc(pipe);
    bind(pipe, rpc);
    const std::vector<Bytes> fragments = rpctest::fragments(rpctest::pattern(5808 + 1), {}, 2);
    std::vector<Bytes> script{fragments[0]};
    script.resize(1 + 40);
    pipe.script(script);
    EXPECT_THROW(rpc.call(9, {}), ProtocolError);
    EXPECT_EQ(pipe.readBatches.size(), RpcPipe::maxEmptyReadsInARow + 1);
}

TEST(RpcPipe, FaultEndsTheCall)
{
    ScriptedPipe pipe;
    RpcPipe rpc(pipe);
    bind(pipe, rpc);
    pipe.script({rpctest::fault(0x1c010002, 2)});
    try {
        rpc.call(99, {});
        FAIL() << "no fault";
    } catch (const RpcFault& fault) {
        EXPECT_EQ(fault.status(), 0x1c010002u);
    }
    EXPECT_TRUE(pipe.readBatches.empty());
}

TEST(RpcPipe, RequestsAndCallIds)
{
    ScriptedPipe pipe;
    RpcPipe rpc(pipe);
    bind(pipe, rpc);
    pipe.script({rpctest::response(pfcFirstFrag | pfcLastFrag, 4, {0, 0, 0, 0}, 2)});
    pipe.script({rpctest::response(pfcFirstFrag | pfcLastFrag, 4, {5, 0, 0, 0}, 3)});
    EXPECT_EQ(rpc.call(9, Bytes{0xaa}).joined(), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(rpc.call(11, Bytes{0xbb}).joined(), (Bytes{5, 0, 0, 0}));
    ASSERT_EQ(pipe.requests.size(), 3u);
    EXPECT_EQ(pipe.requests[1], encodeRequest(2, 0, 9, Bytes{0xaa}));
    EXPECT_EQ(pipe.requests[2], encodeRequest(3, 0, 11, Bytes{0xbb}));
    EXPECT_EQ(rpc.readsSent(), 0u);

    // An answer to an older call is not this call's.
    pipe.script({rpctest::response(pfcFirstFrag | pfcLastFrag, 4, {0, 0, 0, 0}, 3)});
    EXPECT_THROW(rpc.call(9, {}), ProtocolError);
}

TEST(RpcPipe, RequestMustFitOneFragment)
{
    ScriptedPipe pipe;
    RpcPipe rpc(pipe);
    bind(pipe, rpc, 5840, 4280);
    EXPECT_THROW(rpc.call(9, Bytes(4280 - 24 + 1)), std::length_error);
    EXPECT_EQ(pipe.requests.size(), 1u);
    // The refused request took no call_id.
    pipe.script({rpctest::response(pfcFirstFrag | pfcLastFrag, 0, {}, 2)});
    EXPECT_NO_THROW(rpc.call(9, Bytes(4280 - 24)));
}

} // namespace
