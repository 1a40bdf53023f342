#include "FragmentAssembler.h"
#include "RpcTestPdus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace rpc;
using rpctest::pattern;
using rpctest::response;

constexpr std::uint8_t first = pfcFirstFrag;
constexpr std::uint8_t last = pfcLastFrag;
constexpr std::uint8_t only = pfcFirstFrag | pfcLastFrag;

// Samba with 5,840-byte fragments: 5,808 bytes of stub in each but the last.
constexpr std::size_t samba = 5808;
// C706's full fragment at 5,840: 5,816.
constexpr std::size_t full = 5816;

Bytes stubOf(std::size_t size, std::size_t seed = 0)
{
    Bytes bytes = pattern(size + seed);
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(seed));
    return bytes;
}

enum class Outcome { complete, protocolError, fault };

struct Case {
    const char* name;
    std::vector<Bytes> fragments;
    Outcome outcome;
    // The window after each fragment taken (up to the one that throws).
    std::vector<std::size_t> windows;
    std::size_t maxBytes = maxAnswerBytes;
};

// Three fragments of a 2 * chunk + 100 stub, cut at chunk, hints as Samba sets them.
std::vector<Bytes> three(std::size_t chunk)
{
    const std::size_t total = 2 * chunk + 100;
    return {
        response(first, static_cast<std::uint32_t>(total), stubOf(chunk)),
        response(0, static_cast<std::uint32_t>(total - chunk), stubOf(chunk, 1)),
        response(last, 100, stubOf(100, 2)),
    };
}

std::vector<Case> cases()
{
    std::vector<Case> table;
    table.push_back({"one fragment", {response(only, 40, stubOf(40))}, Outcome::complete, {0}});
    table.push_back({"one empty fragment", {response(only, 0, {})}, Outcome::complete, {0}});
    table.push_back({"Samba's chunks at 5,840", three(samba), Outcome::complete, {2, 1, 0}});
    table.push_back({"full chunks at 5,840", three(full), Outcome::complete, {2, 1, 0}});
    table.push_back({"no hint: one READ at a time",
        {response(first, 0, stubOf(samba)), response(0, 0, stubOf(samba)), response(last, 0, stubOf(9))},
        Outcome::complete, {1, 1, 0}});
    table.push_back({"no hint first, later hints ignored",
        {response(first, 0, stubOf(samba)), response(0, 77, stubOf(samba)), response(last, 5, stubOf(9))},
        Outcome::complete, {1, 1, 0}});
    table.push_back({"a first fragment of another size: one at a time",
        {response(first, 3000, stubOf(1000)), response(0, 2000, stubOf(1000)), response(last, 1000, stubOf(1000))},
        Outcome::complete, {1, 1, 0}});
    table.push_back({"a short fragment before the last: one at a time from there",
        {response(first, static_cast<std::uint32_t>(2 * samba + 300), stubOf(samba)),
            response(0, static_cast<std::uint32_t>(samba + 300), stubOf(200)),
            response(0, static_cast<std::uint32_t>(samba + 100), stubOf(samba)),
            response(last, 100, stubOf(100))},
        Outcome::complete, {2, 1, 1, 0}});

    // Fragments out of order, missing, repeated or inconsistent: the hint chain or the flags break.
    {
        const std::vector<Bytes> f = three(samba);
        table.push_back({"out of order", {f[0], f[2], f[1]}, Outcome::protocolError, {2}});
        table.push_back({"one missing", {f[0], f[2]}, Outcome::protocolError, {2}});
        table.push_back({"one repeated", {f[0], f[1], f[1]}, Outcome::protocolError, {2, 1}});
        table.push_back({"the first repeated", {f[0], f[0]}, Outcome::protocolError, {2}});
        table.push_back({"a fragment after the last", {f[0], f[1], f[2], f[2]}, Outcome::protocolError, {2, 1, 0}});
        table.push_back({"the answer starting midway", {f[1], f[2]}, Outcome::protocolError, {}});
        const std::size_t total = 2 * samba + 100;
        table.push_back({"another call_id",
            {f[0], response(0, static_cast<std::uint32_t>(total - samba), stubOf(samba), 2)},
            Outcome::protocolError, {2}});
        table.push_back({"FIRST twice",
            {f[0], response(first, static_cast<std::uint32_t>(total - samba), stubOf(samba))},
            Outcome::protocolError, {2}});
        table.push_back({"LAST early",
            {f[0], response(last, static_cast<std::uint32_t>(total - samba), stubOf(samba))},
            Outcome::protocolError, {2}});
        table.push_back({"no LAST where the hint ends",
            {response(first, 200, stubOf(100)), response(0, 100, stubOf(100))},
            Outcome::protocolError, {1}});
        table.push_back({"hint arithmetic off by 8",
            {f[0], response(0, static_cast<std::uint32_t>(total - samba + 8), stubOf(samba))},
            Outcome::protocolError, {2}});
        table.push_back({"hint dropping to 0 midway",
            {f[0], response(0, 0, stubOf(samba))}, Outcome::protocolError, {2}});
        table.push_back({"total short of the first hint", {response(only, 500, stubOf(400))}, Outcome::protocolError, {}});
        table.push_back({"more stub than the hint", {response(first, 100, stubOf(samba))}, Outcome::protocolError, {}});
        table.push_back({"a 4 GiB hint", {response(first, 0xFFFFFFFF, stubOf(samba))}, Outcome::protocolError, {}});
        table.push_back({"a hint above the largest answer",
            {response(first, static_cast<std::uint32_t>(maxAnswerBytes + 1), stubOf(samba))},
            Outcome::protocolError, {}});
        table.push_back({"an empty fragment before the last",
            {response(first, 0, stubOf(samba)), response(0, 0, {})}, Outcome::protocolError, {1}});
    }
    // What any PDU's header may lie about is parseHeader's to refuse (RpcPdu.HeaderChecks); here
    // what only a response can get wrong, and the fragment size the assembler passes on.
    table.push_back({"another presentation context",
        {rpctest::encode({.flags = only, .allocHint = 8, .contextId = 1, .body = stubOf(8)})}, Outcome::protocolError, {}});
    table.push_back({"a bind_ack for an answer", {rpctest::whole(PduType::bindAck, stubOf(8))}, Outcome::protocolError, {}});
    table.push_back({"larger than the negotiated fragment",
        {response(only, 5817, stubOf(5817))}, Outcome::protocolError, {}});
    table.push_back({"a response header cut short",
        {Bytes{5, 0, 2, 3, 0x10, 0, 0, 0, 20, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}}, Outcome::protocolError, {}});
    table.push_back({"no hint, beyond the largest answer",
        {response(first, 0, stubOf(samba)), response(0, 0, stubOf(samba)), response(last, 0, stubOf(samba))},
        Outcome::protocolError, {1, 1}, 2 * samba + 10});

    // An empty entry is a READ answered "not now": it ends the pipelining. After the last
    // fragment it is an error (a READ too many went out).
    {
        const std::vector<Bytes> f = rpctest::fragments(stubOf(5 * samba), {});
        table.push_back({"not now midway", {f[0], f[1], {}, f[2], f[3], f[4]}, Outcome::complete, {4, 3, 1, 1, 1, 0}});
        table.push_back({"not now after the last", {f[0], f[1], f[2], f[3], f[4], {}}, Outcome::protocolError, {4, 3, 2, 1, 0}});
    }
    table.push_back({"a fault", {rpctest::fault(0x1c010002)}, Outcome::fault, {}});
    table.push_back({"a fault midway", {three(samba)[0], rpctest::fault(5)}, Outcome::fault, {2}});
    table.push_back({"a fault of another call", {rpctest::fault(5, 9)}, Outcome::protocolError, {}});
    return table;
}

TEST(FragmentAssembler, Table)
{
    for (const Case& c : cases()) {
        FragmentAssembler answer(1, 0, 5840, c.maxBytes);
        Bytes expected;
        std::vector<std::size_t> windows;
        Outcome outcome = Outcome::complete;
        try {
            for (const Bytes& fragment : c.fragments) {
                if (fragment.empty()) {
                    answer.noteEmptyRead();
                    windows.push_back(answer.window());
                    continue;
                }
                answer.add(fragment);
                const ResponseBody body = parseResponse(fragment);
                expected.insert(expected.end(), body.stub.begin(), body.stub.end());
                windows.push_back(answer.window());
            }
        } catch (const RpcFault&) {
            outcome = Outcome::fault;
        } catch (const ProtocolError&) {
            outcome = Outcome::protocolError;
        }
        EXPECT_EQ(outcome, c.outcome) << c.name;
        EXPECT_EQ(windows, c.windows) << c.name;
        if (c.outcome == Outcome::complete && outcome == Outcome::complete) {
            ASSERT_TRUE(answer.done()) << c.name;
            EXPECT_EQ(answer.fragments(), static_cast<std::size_t>(std::ranges::count_if(c.fragments, [](const Bytes& f) { return !f.empty(); })))
                << c.name;
            EXPECT_EQ(answer.take().joined(), expected) << c.name;
        }
    }
}

} // namespace
