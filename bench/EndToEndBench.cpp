// The whole refresh against the private Samba test server, next to the server's own answer.
// Holds 10,000 files of the server's share open as an ordinary user, then times the bare
// NetFileEnum call (the floor no refresh can beat) and refreshConnections through a key release
// in the filter box, alternately, and reports each one's median and their ratio.
//
// The server comes from the environment that tests/samba/test-server writes to server.env;
// the administrator's credentials reach libnetapi as USER and PASSWD_FILE.

#include "AnswerWait.h"
#include "FileHolder.h"
#include "NetApiOpenFileSource.h"
#include "SyntheticInventory.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QUrl>

#include <benchmark/benchmark.h>
#include <netapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t heldFiles = 10000;
constexpr std::uint32_t maxPreferredLength = 0xFFFFFFFFu;  // everything in one answer

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        throw std::runtime_error(std::string("missing environment variable ") + name);
    return value;
}

// The synthetic paths, without their drive and share root, as files of the test share (the
// process's usual umask leaves them readable by the server's users).
QStringList createShareFiles()
{
    const QString shareDir = QString::fromStdString(environment("TARNWICK_SMB_SHARE_DIR"));
    QStringList relativePaths;
    for (const auto& record : syntheticRecords(heldFiles)) {
        QString path = record.pathName->mid(QStringLiteral("C:\\Shares\\").size());
        path.replace(u'\\', u'/');
        path = QStringLiteral("bench/") + path;
        const QString full = shareDir + u'/' + path;
        QDir().mkpath(full.section(u'/', 0, -2));
        QFile file(full);
        if (!file.exists() && !file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot create " + full.toStdString());
        relativePaths << path;
    }
    return relativePaths;
}

std::unique_ptr<FileHolder> holdShareFiles()
{
    auto holder = std::make_unique<FileHolder>(environment("TARNWICK_SMB_ALICE_USER"),
                                               environment("TARNWICK_SMB_ALICE_PASSWORD"));
    const std::string root = "smb://" + environment("TARNWICK_SMB_ADDRESS") + "/" + environment("TARNWICK_SMB_SHARE") + "/";
    for (const QString& path : createShareFiles())
        holder->open(root + QUrl::toPercentEncoding(path, "/").toStdString(), FileHolder::Access::readOnly);
    return holder;
}

using Clock = std::chrono::steady_clock;

double millisecondsOf(const std::function<void()>& step)
{
    const auto start = Clock::now();
    step();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
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
    std::unique_ptr<FileHolder> holder;
    try {
        holder = holdShareFiles();
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    const std::string server = environment("TARNWICK_SMB_ADDRESS");
    frmMain window([] { return std::make_shared<NetApiOpenFileSource>(); });
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    window.txtPc->setText(QString::fromStdString(server));
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
