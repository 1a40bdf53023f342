// main() of the slow-link benchmark: Google Benchmark's flags pick the cells (RTT and files
// held), --sources=own,netapi,net (any of them) picks what lists.
//   tarnwick-bench-slowlink --benchmark_filter='BM_slowLink/10000/60' --sources=own,netapi

#include "SlowLinkBench.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

SlowLinkSources& slowLinkSources()
{
    static SlowLinkSources sources;
    return sources;
}

namespace {

// Takes --sources=LIST out of the arguments; false when it names something unknown.
bool takeSources(int& argc, char** argv)
{
    const std::string flag = "--sources=";
    int kept = 0;
    bool known = true;
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        if (i == 0 || argument.rfind(flag, 0) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        SlowLinkSources chosen{false, false, false};
        std::string list = argument.substr(flag.size()) + ",";
        for (std::size_t comma; (comma = list.find(',')) != std::string::npos; list.erase(0, comma + 1)) {
            const std::string name = list.substr(0, comma);
            if (name == "own")
                chosen.ownClient = true;
            else if (name == "netapi")
                chosen.netApi = true;
            else if (name == "net")
                chosen.netCommand = true;
            else
                known = false;
        }
        slowLinkSources() = chosen;
    }
    argc = kept;
    return known;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (!takeSources(argc, argv)) {
        std::fputs("--sources takes a list of own, netapi and net\n", stderr);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
