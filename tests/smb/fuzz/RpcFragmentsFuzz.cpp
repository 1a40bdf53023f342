// Drives a bound RpcPipe through one call whose answer the input writes: the bind_ack, then
// the fragments the transceive and the READs answer, each as a 16-bit length and its bytes (a
// length of 0 is a READ answered "not now"). The first byte picks the fragment size asked.
// The same fragments also go to a FragmentAssembler alone. Every outcome is a stub within the
// limit, RpcFault or ProtocolError (or the script running out, as a server that stops
// answering would), a window of at least one READ while the answer is incomplete, and sizes
// never above what was asked.
#include "FragmentAssembler.h"
#include "RpcPipe.h"
#include "RpcTestPdus.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ByteReader input(ByteView(data, size));
    std::vector<Bytes> answers;
    std::uint16_t asked = 5840;
    try {
        const std::uint16_t sizes[] = {5840, 4280, 1432, 65535};
        asked = sizes[input.u8() % 4];
        while (input.remaining() >= 2) {
            const std::uint16_t length = input.u16();
            const ByteView bytes = input.bytes(std::min<std::size_t>(length, input.remaining()));
            answers.emplace_back(bytes.begin(), bytes.end());
        }
    } catch (const ProtocolError&) {
        return 0;
    }

    // The assembler alone, fed the same fragments one by one.
    try {
        rpc::FragmentAssembler answer(2, 0, asked);
        for (const Bytes& fragment : answers) {
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
    rpctest::ScriptedPipe pipe;
    pipe.script(std::move(answers));
    rpc::RpcPipe rpc(pipe);
    try {
        rpc.bind(rpctest::srvsvc, asked);
        if (rpc.fragmentSize() > asked || rpc.transmitFragmentSize() > asked)
            std::abort();
        const BytePieces stub = rpc.call(9, Bytes{1, 2, 3, 4});
        if (stub.size() > rpc::maxAnswerBytes)
            std::abort();
    } catch (const rpc::RpcFault&) {
    } catch (const ProtocolError&) {
    } catch (const rpctest::ScriptExhausted&) {
    }
    return 0;
}
