// The whole refresh against the private Samba test server, next to the server's own answer.
// Holds 10,000 files of the server's share open as an ordinary user, then times the bare
// NetFileEnum call (the floor no refresh can beat) and refreshConnections through a key release
// in the filter box, alternately, and reports each one's median and their ratio.
//
// The administrator's credentials reach libnetapi as USER and PASSWD_FILE.

#include "BenchWindow.h"
#include "NetApiOpenFileSource.h"
#include "ServerBench.h"
#include "Stopwatch.h"
#include "frmMain.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>

#include <benchmark/benchmark.h>
#include <netapi.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t maxPreferredLength = 0xFFFFFFFFu;  // everything in one answer

double millisecondsOf(const std::function<void()>& step)
{
    return 1000 * secondsOf(step);
}

// The bare call, as the source makes it, without turning the answer into records; whether it
// answered every held file.
bool enumerateRaw(const std::string& server)
{
    std::uint8_t* buffer = nullptr;
    std::uint32_t entriesRead = 0;
    std::uint32_t totalEntries = 0;
    std::uint32_t resumeHandle = 0;
    const auto status = NetFileEnum(server.c_str(), nullptr, nullptr, 3, &buffer, maxPreferredLength, &entriesRead,
                                    &totalEntries, &resumeHandle);
    NetApiBufferFree(buffer);
    return status == 0 && entriesRead >= static_cast<std::uint32_t>(heldFiles);
}

// The bare call and the whole refresh alternate, so that both meet the server in the same
// state; each is reported as its median over the iterations.
void BM_refreshAgainstNetFileEnum(benchmark::State& state)
{
    try {
        (void)heldShareFiles();
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    const std::string server = environment("TARNWICK_SMB_ADDRESS");
    const std::unique_ptr<frmMain> shown =
        shownWindow([] { return std::make_shared<NetApiOpenFileSource>(); }, QString::fromStdString(server));
    frmMain& window = *shown;
    window.txtFiltro->setFocus();
    const auto refresh = [&] {
        QTest::keyClick(window.txtFiltro, Qt::Key_End);
        waitForAnswers(window);
    };
    refresh();  // logs in and draws every extension's icon once
    if (!window.frameConn->title().startsWith(QStringLiteral(" %1 open connections").arg(heldFiles))) {
        state.SkipWithError(("unexpected caption: " + window.frameConn->title()).toStdString().c_str());
        return;
    }

    // The source's enumeration alone shows what turning the answer into records costs.
    NetApiOpenFileSource source;
    const QString sourceServer = QStringLiteral("\\\\") + QString::fromStdString(server);
    std::vector<double> rawTimes;
    std::vector<double> sourceTimes;
    std::vector<double> refreshTimes;
    for (auto _ : state) {
        bool answered = false;
        rawTimes.push_back(millisecondsOf([&] { answered = enumerateRaw(server); }));
        if (!answered) {
            state.SkipWithError("NetFileEnum failed or answered too few files");
            break;
        }
        sourceTimes.push_back(millisecondsOf([&] { benchmark::DoNotOptimize(source.enumerate(sourceServer)); }));
        refreshTimes.push_back(millisecondsOf(refresh));
    }
    if (state.error_occurred())
        return;
    const double rawMedian = median(rawTimes);
    const double refreshMedian = median(refreshTimes);
    state.counters["NetFileEnum_ms"] = rawMedian;
    state.counters["source_ms"] = median(sourceTimes);
    state.counters["refresh_ms"] = refreshMedian;
    state.counters["ratio"] = refreshMedian / rawMedian;
}

} // namespace

BENCHMARK(BM_refreshAgainstNetFileEnum)->Iterations(15)->Unit(benchmark::kMillisecond);
