// The instant filter: a key release in the filter box rebuilds the rows from the inventory's
// last answer at once; the fresh listing it asks for is held until the timing ends. Timed from
// the key release to the rows on screen (the pending model reset and the paint included). The
// inventory's rebuild alone, timed on an inventory of its own, is kept as a counter.

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

void filterInstantly(benchmark::State& state, const QString& filter)
{
    const auto source = std::make_shared<SyntheticOpenFileSource>(static_cast<std::int32_t>(state.range(0)));
    const std::unique_ptr<frmMain> shown = shownWindow([source] { return source; }, QStringLiteral("bench"));
    frmMain& window = *shown;
    window.txtFiltro->setText(filter);
    window.txtFiltro->setFocus();
    QTest::keyClick(window.txtFiltro, Qt::Key_End);
    waitForAnswers(window); // the last answer, every icon drawn

    clsNetFile inventory(source);
    inventory.server(QStringLiteral("bench"));
    inventory.load(filter);
    double rebuildTotal = 0;
    for (auto _ : state) {
        source->setHeld(true);
        state.SetIterationTime(secondsOf([&] {
            QTest::keyClick(window.txtFiltro, Qt::Key_End);
            QApplication::processEvents();
        }));
        rebuildTotal += secondsOf([&] { inventory.rebuild(filter); });
        source->setHeld(false);
        waitForAnswers(window);
    }
    state.counters["rebuild_ms"] = benchmark::Counter(rebuildTotal * 1e3, benchmark::Counter::kAvgIterations);
}

void BM_filter_blank(benchmark::State& state) { filterInstantly(state, QString()); }
void BM_filter_tenth(benchmark::State& state) { filterInstantly(state, tenthFilter()); }

} // namespace

BENCHMARK(BM_filter_blank)->Arg(1000)->Arg(10000)->Arg(32767)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_filter_tenth)->Arg(1000)->Arg(10000)->Arg(32767)->UseManualTime()->Unit(benchmark::kMillisecond);
