// Drives a bound RpcPipe through one call whose answer the input writes: the bind_ack, then
// the fragments the transceive and the READs answer, each as a 16-bit length and its bytes (a
// length of 0 is a READ answered "not now"). The first byte picks the fragment size asked.
// The same fragments also go to a FragmentAssembler alone. Every outcome is a stub within the
// limit, RpcFault or ProtocolError (or the script running out, as a server that stops
// answering would), a window of at least one READ while the answer is incomplete, and sizes
// never above what was asked.
#include "FragmentAssembler.h"
#include "RpcPipe.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <stdexcept>
#include <vector>

namespace {

class ScriptExhausted : public std::runtime_error {
public:
    ScriptExhausted() : std::runtime_error("script exhausted") {}
};

class FuzzPipe final : public PipeTransport {
public:
    std::deque<Bytes> answers;

    Bytes transceive(ByteView, std::uint32_t maxReply) override { return next(maxReply); }

    std::vector<Bytes> readMany(std::size_t count, std::uint32_t maxBytes) override
    {
        if (count == 0)
            std::abort();  // a call never asks for no READ
        std::vector<Bytes> results;
        for (std::size_t i = 0; i < count; ++i)
            results.push_back(next(maxBytes));
        return results;
    }

private:
    Bytes next(std::uint32_t maxBytes)
    {
        if (answers.empty())
            throw ScriptExhausted();
        Bytes answer = std::move(answers.front());
        answers.pop_front();
        if (answer.size() > maxBytes)
            answer.resize(maxBytes);
        return answer;
    }
};

const rpc::SyntaxId anyInterface{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 1, 0};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ByteReader input(ByteView(data, size));
    FuzzPipe pipe;
    std::uint16_t asked = 5840;
    try {
        const std::uint16_t sizes[] = {5840, 4280, 1432, 65535};
        asked = sizes[input.u8() % 4];
        while (input.remaining() >= 2) {
            const std::uint16_t length = input.u16();
            const ByteView bytes = input.bytes(std::min<std::size_t>(length, input.remaining()));
            pipe.answers.emplace_back(bytes.begin(), bytes.end());
        }
    } catch (const ProtocolError&) {
        return 0;
    }

    // The assembler alone, fed the same fragments one by one.
    try {
        rpc::FragmentAssembler answer(2, 0, asked);
        for (const Bytes& fragment : pipe.answers) {
            if (fragment.empty()) {
                answer.noteEmptyRead();
                continue;
            }
            answer.add(fragment);
            if (answer.done())
                break;
            if (answer.window() == 0 || answer.window() > rpc::maxAnswerBytes)
                std::abort();
        }
        if (answer.done() && answer.take().size() > rpc::maxAnswerBytes)
            std::abort();
    } catch (const rpc::RpcFault&) {
    } catch (const ProtocolError&) {
    }

    // The pipe, bind and one call.
    rpc::RpcPipe rpc(pipe);
    try {
        rpc.bind(anyInterface, asked);
        if (rpc.fragmentSize() > asked || rpc.transmitFragmentSize() > asked)
            std::abort();
        const BytePieces stub = rpc.call(9, Bytes{1, 2, 3, 4});
        if (stub.size() > rpc::maxAnswerBytes)
            std::abort();
    } catch (const rpc::RpcFault&) {
    } catch (const ProtocolError&) {
    } catch (const ScriptExhausted&) {
    }
    return 0;
}
