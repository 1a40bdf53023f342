// Listing the private test server from far away: the server behind the delay proxy at 20, 60
// and 150 ms round trip, 1,000, 10,000 and 32,767 files held open on it. In one run, per cell:
// the project's own client's first listing (a new source object: connect, negotiate, log in,
// bind, list) and next listing (the same object, its connection kept), libnetapi's listing on
// a new connection (and at 1,000 files on its kept one), and Samba's `net rpc file`, a whole
// process. Each with its seconds and the network round trips the proxy counted.
//
// The proxy listens on TARNWICK_BENCH_PROXY_ADDRESS; the administrator's credentials reach
// both sources as USER and PASSWD_FILE, and `net` through an authentication file (-A).
// Repetitions: five of the own client's listings, three of the slow ones at 1,000 files and a
// single one above (those take minutes at 150 ms).

#include "NetApiOpenFileSource.h"
#include "ProxyProcess.h"
#include "ServerBench.h"
#include "SlowLinkBench.h"
#include "SmbOpenFileSource.h"
#include "Stopwatch.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int ownRepetitions = 5;
constexpr int slowRepetitionsAtFewFiles = 3;
constexpr int fewFiles = 1000;
constexpr int netCommandLimitMs = 20 * 60 * 1000;

struct Sample {
    double seconds = 0;
    double roundTrips = 0;
};

// One listing through the proxy, which must answer exactly the `expected` files held.
Sample measure(ProxyProcess& proxy, int expected, const std::function<std::size_t()>& list)
{
    const std::uint64_t before = proxy.roundTrips();
    std::size_t files = 0;
    const double seconds = secondsOf([&] { files = list(); });
    const std::uint64_t after = proxy.roundTrips();
    if (files != static_cast<std::size_t>(expected))
        throw std::runtime_error("a listing answered " + std::to_string(files) + " files, not "
                                 + std::to_string(expected));
    return {seconds, static_cast<double>(after - before)};
}

void report(benchmark::State& state, const std::string& name, const std::vector<Sample>& samples)
{
    if (samples.empty())
        return;
    std::vector<double> seconds;
    std::vector<double> roundTrips;
    for (const Sample& sample : samples) {
        seconds.push_back(sample.seconds);
        roundTrips.push_back(sample.roundTrips);
    }
    state.counters[name + "_s"] = median(seconds);
    state.counters[name + "_rt"] = median(roundTrips);
}

std::size_t listed(OpenFileSource& source, const QString& server)
{
    const OpenFileList list = source.enumerate(server);
    if (list.status.outcome != SourceOutcome::done)
        throw std::runtime_error("the listing failed with status " + std::to_string(list.status.code));
    return list.records.size();
}

// `net rpc file` against the proxy, the administrator's credentials in a file of a private
// directory; answers the files it printed (lines with the share's folder of held files).
class NetCommand {
public:
    NetCommand()
    {
        if (!m_directory.isValid())
            throw std::runtime_error("no temporary directory for net's authentication file");
        QFile authentication(authenticationFile());
        if (!authentication.open(QIODevice::WriteOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            throw std::runtime_error("cannot write net's authentication file");
        authentication.write("username = " + QByteArray::fromStdString(environment("TARNWICK_SMB_ADMIN_USER"))
                             + "\npassword = " + QByteArray::fromStdString(adminPassword()) + "\n");
    }

    std::size_t list(const QString& server) const
    {
        QProcess net;
        net.setProcessChannelMode(QProcess::SeparateChannels);
        net.start(QStringLiteral("net"), {QStringLiteral("rpc"), QStringLiteral("file"), QStringLiteral("-S"), server,
                                          QStringLiteral("-A"), authenticationFile()});
        if (!net.waitForFinished(netCommandLimitMs)) {
            net.kill();
            net.waitForFinished();
            throw std::runtime_error("net rpc file did not end in time");
        }
        if (net.exitStatus() != QProcess::NormalExit || net.exitCode() != 0)
            throw std::runtime_error("net rpc file failed: " + net.readAllStandardError().toStdString());
        std::size_t files = 0;
        for (const QByteArray& line : net.readAllStandardOutput().split('\n'))
            files += line.contains("bench") ? 1 : 0;
        return files;
    }

private:
    QString authenticationFile() const { return m_directory.filePath(QStringLiteral("net.auth")); }

    QTemporaryDir m_directory;
};

void BM_slowLink(benchmark::State& state)
{
    const int files = static_cast<int>(state.range(0));
    const int roundTripMs = static_cast<int>(state.range(1));
    const SlowLinkSources sources = slowLinkSources();
    for (auto _ : state) {
        try {
            (void)heldShareFiles(files);
            const QString proxyAddress = QString::fromStdString(environment("TARNWICK_BENCH_PROXY_ADDRESS"));
            const QString server = QStringLiteral("\\\\") + proxyAddress;
            ProxyProcess proxy({proxyAddress, QString::fromStdString(environment("TARNWICK_SMB_ADDRESS")),
                                QString::number(roundTripMs)});
            const int slowRepetitions = files <= fewFiles ? slowRepetitionsAtFewFiles : 1;

            if (sources.ownClient) {
                std::vector<Sample> first;
                std::vector<Sample> next;
                for (int i = 0; i < ownRepetitions; ++i) {
                    SmbOpenFileSource source;
                    first.push_back(measure(proxy, files, [&] { return listed(source, server); }));
                    next.push_back(measure(proxy, files, [&] { return listed(source, server); }));
                }
                report(state, "own_first", first);
                report(state, "own_next", next);
            }
            if (sources.netApi) {
                // libnetapi keeps one connection per server in the process; the proxy before
                // this one has ended with its connection, so the first listing here opens one.
                NetApiOpenFileSource source;
                std::vector<Sample> first{measure(proxy, files, [&] { return listed(source, server); })};
                std::vector<Sample> next;
                for (int i = 1; i < slowRepetitions; ++i)
                    next.push_back(measure(proxy, files, [&] { return listed(source, server); }));
                report(state, "netapi_first", first);
                report(state, "netapi_next", next);
            }
            if (sources.netCommand) {
                const NetCommand net;
                std::vector<Sample> runs;
                for (int i = 0; i < slowRepetitions; ++i)
                    runs.push_back(measure(proxy, files, [&] { return net.list(proxyAddress); }));
                report(state, "net", runs);
            }
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            break;
        }
    }
}

} // namespace

// The files held vary slowest, since the holder only grows (ArgsProduct would vary them fastest).
void slowLinkCells(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgNames({"files", "rtt_ms"});
    for (const int files : {1000, 10000, 32767})
        for (const int roundTripMs : {20, 60, 150})
            benchmark->Args({files, roundTripMs});
}

BENCHMARK(BM_slowLink)->Apply(slowLinkCells)->Iterations(1)->Unit(benchmark::kSecond);
