// The fill of a new window: a key release in the filter box asks for the listing, whose answer
// runs the load, the rows, every icon drawn, the column sizing and the caption; timed from the
// key release to the answer on screen. The load is timed alone on an inventory of its own in the
// same iteration and subtracted, so the reported time is the fill; both parts are kept as
// counters. The fill of a window that has listed before is in FilterBench.

#include "BenchWindow.h"
#include "Stopwatch.h"
#include "SyntheticInventory.h"
#include "clsNetFile.h"
#include "frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<frmMain> windowFiltering(const std::shared_ptr<OpenFileSource>& source, const QString& filter)
{
    auto window = shownWindow([source] { return source; }, QStringLiteral("bench"));
    window->txtFiltro->setText(filter);
    window->txtFiltro->setFocus();
    QApplication::processEvents();
    return window;
}

// Seconds from the key release to the answer on screen.
double timedRefresh(frmMain& window)
{
    return secondsOf([&] {
        QTest::keyClick(window.txtFiltro, Qt::Key_End);
        waitForAnswers(window);
        QApplication::processEvents();
    });
}

double timedLoad(clsNetFile& inventory, const QString& filter)
{
    return secondsOf([&] { inventory.load(filter); });
}

void report(benchmark::State& state, double refreshSeconds, double loadSeconds)
{
    state.counters["refresh_ms"] = benchmark::Counter(refreshSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["load_ms"] = benchmark::Counter(loadSeconds * 1e3, benchmark::Counter::kAvgIterations);
}

// Every iteration a new window, so every extension's icon is drawn anew.
void fillFreshIcons(benchmark::State& state, const QString& filter)
{
    const auto source = std::make_shared<SyntheticOpenFileSource>(static_cast<std::int32_t>(state.range(0)));
    clsNetFile inventory(source);
    inventory.server(QStringLiteral("bench"));
    double refreshTotal = 0;
    double loadTotal = 0;
    for (auto _ : state) {
        auto window = windowFiltering(source, filter);
        const double refresh = timedRefresh(*window);
        const double load = timedLoad(inventory, filter);
        state.SetIterationTime(refresh - load);
        refreshTotal += refresh;
        loadTotal += load;
        window.reset();
        QApplication::processEvents();
    }
    report(state, refreshTotal, loadTotal);
}

void BM_fill_freshIcons(benchmark::State& state) { fillFreshIcons(state, QString()); }

} // namespace

BENCHMARK(BM_fill_freshIcons)->Arg(1000)->Arg(10000)->Arg(32767)->UseManualTime()->Unit(benchmark::kMillisecond);
