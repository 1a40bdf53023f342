// A word typed into the filter box of the real window while the test server, 10,000 files held
// open, sits behind the delay proxy at a 20 ms round trip. The keys come as a window system
// delivers them: posted from another thread at 60 ms a key, queued while the window is busy.
// Reports the listings the word caused, the longest time the window's event loop handled no
// event (a timer ticking on the window's thread) and the most processor time the window's thread
// used within one such gap, and the time from the last key to the rows of the final listing, in
// listing times (the median length of the listings of the run).
//
// The proxy listens on TARNWICK_BENCH_PROXY_ADDRESS; the administrator's credentials reach
// libnetapi as USER and PASSWD_FILE.

#include "BenchWindow.h"
#include "NetApiOpenFileSource.h"
#include "OpenFileSource.h"
#include "ProxyProcess.h"
#include "ServerBench.h"
#include "ListView.h"
#include "frmMain.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int roundTripMs = 20;
constexpr auto keyInterval = std::chrono::milliseconds(60);
const QString word = QStringLiteral("budget");

// The real source, with the start and end of every enumeration, from whichever thread.
class TimedSource final : public OpenFileSource {
public:
    struct Listing {
        Clock::time_point start;
        Clock::time_point end;  // default while in flight
    };

    OpenFileList enumerate(const QString& server) override
    {
        const std::size_t index = record({Clock::now(), {}});
        OpenFileList answer = m_source.enumerate(server);
        const std::scoped_lock lock(m_mutex);
        m_listings[index].end = Clock::now();
        return answer;
    }

    SourceStatus close(const QString& server, std::uint32_t id) override { return m_source.close(server, id); }

    std::vector<Listing> listings() const
    {
        const std::scoped_lock lock(m_mutex);
        return m_listings;
    }

private:
    std::size_t record(Listing listing)
    {
        const std::scoped_lock lock(m_mutex);
        m_listings.push_back(listing);
        return m_listings.size() - 1;
    }

    NetApiOpenFileSource m_source;
    mutable std::mutex m_mutex;
    std::vector<Listing> m_listings;
};

// Processor time the calling thread has used.
Milliseconds windowThreadCpu()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Runs the window's event loop until the condition holds; false when the limit passed first.
// The loop sleeps while no event is due; a timer wakes it to look again.
bool processUntil(const std::function<bool()>& condition, std::chrono::seconds limit)
{
    const auto deadline = Clock::now() + limit;
    QTimer wake;
    wake.start(50);
    while (!condition()) {
        if (Clock::now() >= deadline)
            return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void BM_typeWordThroughDelayProxy(benchmark::State& state)
{
    for (auto _ : state) {
        try {
            (void)heldShareFiles();
            const QString proxyAddress = QString::fromStdString(environment("TARNWICK_BENCH_PROXY_ADDRESS"));
            const ProxyProcess proxy(
                {proxyAddress, QString::fromStdString(environment("TARNWICK_SMB_ADDRESS")), QString::number(roundTripMs)});
            auto source = std::make_shared<TimedSource>();
            const std::unique_ptr<frmMain> shown = shownWindow([source] { return source; }, proxyAddress);
            frmMain& window = *shown;

            // The first listing logs in and draws the icons; the typing starts on a warm window.
            window.txtPc->setFocus();
            QTest::keyClick(window.txtPc, Qt::Key_Return);
            const QString fullCaption = QStringLiteral(" %1 open connections").arg(heldFiles);
            if (!processUntil([&] { return window.frameConn->title().startsWith(fullCaption); },
                    std::chrono::minutes(3)))
                throw std::runtime_error("first listing failed: " + window.frameConn->title().toStdString());
            const std::size_t listingsBefore = source->listings().size();

            // Every change of the rows, however the window makes it.
            std::vector<Clock::time_point> rowChanges;
            const auto noteChange = [&rowChanges] { rowChanges.push_back(Clock::now()); };
            const QAbstractItemModel* rows = window.lst->model();
            QObject::connect(rows, &QAbstractItemModel::modelReset, &window, noteChange);
            QObject::connect(rows, &QAbstractItemModel::layoutChanged, &window, noteChange);
            QObject::connect(rows, &QAbstractItemModel::rowsInserted, &window, noteChange);
            QObject::connect(rows, &QAbstractItemModel::rowsRemoved, &window, noteChange);
            QObject::connect(rows, &QAbstractItemModel::dataChanged, &window, noteChange);
            // The window thread's own processor time within each gap tells its work apart from
            // waiting for a processor on a busy machine.
            Clock::time_point lastTick = Clock::now();
            Clock::duration longestStall{};
            Milliseconds lastCpu = windowThreadCpu();
            Milliseconds longestBusy{};
            QTimer probe;
            probe.setTimerType(Qt::PreciseTimer);
            QObject::connect(&probe, &QTimer::timeout, [&] {
                const auto now = Clock::now();
                const Milliseconds cpu = windowThreadCpu();
                longestStall = std::max(longestStall, now - lastTick);
                longestBusy = std::max(longestBusy, cpu - lastCpu);
                lastTick = now;
                lastCpu = cpu;
            });
            probe.start(5);

            const auto typingStart = Clock::now();
            const auto lastKey = typingStart + (word.size() - 1) * keyInterval;
            std::atomic<bool> typed = false;
            std::thread typist([&] {
                for (qsizetype i = 0; i < word.size(); ++i) {
                    std::this_thread::sleep_until(typingStart + i * keyInterval);
                    const auto key = static_cast<Qt::Key>(Qt::Key_A + (word[i].unicode() - u'a'));
                    QCoreApplication::postEvent(window.txtFiltro, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, word[i]));
                    QCoreApplication::postEvent(window.txtFiltro, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, word[i]));
                }
                typed = true;
            });
            // Done when every key was handled, the last listing started after the last key and
            // has answered, and the rows were rebuilt after that.
            Clock::time_point finalRows{};
            const bool done = processUntil(
                [&] {
                    const auto listings = source->listings();
                    if (!typed || listings.empty() || listings.back().start < lastKey)
                        return false;
                    if (std::any_of(listings.begin(), listings.end(),
                            [](const auto& listing) { return listing.end == Clock::time_point{}; }))
                        return false;
                    const auto change = std::find_if(rowChanges.begin(), rowChanges.end(),
                        [&](Clock::time_point at) { return at >= listings.back().end; });
                    if (change == rowChanges.end())
                        return false;
                    finalRows = *change;
                    return true;
                },
                std::chrono::minutes(5));
            typist.join();
            probe.stop();
            if (!done || window.txtFiltro->text() != word)
                throw std::runtime_error("the typed word never got its own listing");

            const auto listings = source->listings();
            std::vector<double> lengths;
            for (const auto& listing : listings)
                if (listing.end != Clock::time_point{})
                    lengths.push_back(Milliseconds(listing.end - listing.start).count());
            const double listingMs = median(lengths);
            state.counters["listings"] = static_cast<double>(listings.size() - listingsBefore);
            state.counters["longest_stall_ms"] = Milliseconds(longestStall).count();
            state.counters["longest_busy_ms"] = longestBusy.count();
            state.counters["listing_ms"] = listingMs;
            state.counters["final_rows_in_listings"] = Milliseconds(finalRows - lastKey).count() / listingMs;
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            return;
        }
    }
}

} // namespace

BENCHMARK(BM_typeWordThroughDelayProxy)->Iterations(1)->Unit(benchmark::kSecond);
