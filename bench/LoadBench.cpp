// The inventory's load alone: enumeration of an in-memory source, filtering, derived texts.

#include "SyntheticInventory.h"
#include "clsNetFile.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void loadWithFilter(benchmark::State& state, const QString& filter)
{
    const auto count = static_cast<std::int32_t>(state.range(0));
    clsNetFile inventory(std::make_shared<SyntheticOpenFileSource>(count));
    inventory.server(QStringLiteral("bench"));
    for (auto _ : state) {
        inventory.load(filter);
        benchmark::DoNotOptimize(inventory.count());
    }
    state.counters["kept"] = inventory.count();
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_load_blankFilter(benchmark::State& state) { loadWithFilter(state, QString()); }
void BM_load_tenthFilter(benchmark::State& state) { loadWithFilter(state, tenthFilter()); }

} // namespace

BENCHMARK(BM_load_blankFilter)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_load_tenthFilter)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);
