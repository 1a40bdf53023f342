// The heap the own client's transport needs for one listing, 32,767 files held open on the
// private test server, straight (no proxy: memory does not depend on the link). The transport
// is the srvsvc call on an open, bound pipe: its READs in flight, their fragments and the
// answer's stub put together. Reports the stub's bytes, the most heap in use during the call
// beyond what was in use before it, and their ratio (target: at most 2). Also the same high
// water across a whole first listing of SmbOpenFileSource (connection, login, records as
// texts), for scale. The heap is counted by HeapPeak.cpp, linked into this binary only.

#include "GssLogin.h"
#include "HeapPeak.h"
#include "RpcPipe.h"
#include "ServerBench.h"
#include "SmbOpenFileSource.h"
#include "Smb2Connection.h"
#include "SrvsvcCalls.h"


#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

void BM_transportMemory(benchmark::State& state)
{
    const int files = static_cast<int>(state.range(0));
    for (auto _ : state) {
        try {
            (void)heldShareFiles(files);
            const std::string host = environment("TARNWICK_SMB_ADDRESS");
            const std::u16string server = u"\\\\" + std::u16string(host.begin(), host.end());

            std::unique_ptr<smb2::Connection> connection = smb2::Connection::open({.host = host});
            const std::string password = adminPassword();
            smb2::GssLogin login = smb2::GssLogin::withPassword(
                host, {environment("TARNWICK_SMB_ADMIN_USER"), "", "", password.c_str()});
            connection->logIn(login);
            std::unique_ptr<PipeTransport> pipe = connection->openPipe(u"srvsvc");
            rpc::RpcPipe rpc(*pipe);
            rpc.bind(srvsvc::interfaceId);
            const Bytes request = srvsvc::encodeFileEnum(server, std::nullopt);

            heapPeak::reset();
            const std::size_t before = heapPeak::inUse();
            const BytePieces stub = rpc.call(srvsvc::opNetrFileEnum, request);
            const std::size_t transportPeak = heapPeak::peak() - before;
            if (srvsvc::decodeFileEnum(stub).files.size() != static_cast<std::size_t>(files))
                throw std::runtime_error("the answer does not hold the files held");
            state.counters["stub_bytes"] = static_cast<double>(stub.size());
            state.counters["fragments"] = static_cast<double>(rpc.readsSent() + 1);
            state.counters["reads_in_flight"] = static_cast<double>(rpc.maxReadsInFlight());
            state.counters["transport_peak_bytes"] = static_cast<double>(transportPeak);
            state.counters["peak_per_stub"] = static_cast<double>(transportPeak) / static_cast<double>(stub.size());

            SmbOpenFileSource source;
            heapPeak::reset();
            const std::size_t sourceBefore = heapPeak::inUse();
            const OpenFileList list = source.enumerate(QString::fromStdString("\\\\" + host));
            if (list.records.size() != static_cast<std::size_t>(files))
                throw std::runtime_error("the source did not list the files held");
            state.counters["source_first_peak_bytes"] = static_cast<double>(heapPeak::peak() - sourceBefore);
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            break;
        }
    }
}

} // namespace

BENCHMARK(BM_transportMemory)->ArgName("files")->Arg(32767)->Iterations(1)->Unit(benchmark::kMillisecond);
