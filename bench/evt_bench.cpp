// SPDX-License-Identifier: MIT
// The cost of the frame loop's busiest event: "onFrame" with a frame time, to three subscribers.
#include "alloc_counter.h"
#include "core/evt.h"

#include <benchmark/benchmark.h>

namespace {

double total = 0;
void onFrame(void*, void* payload) { total += *static_cast<double*>(payload); }

struct Screen {
    double seen = 0;
    void update(void* payload) { seen += *static_cast<double*>(payload); }
};

void BM_PublishOnFrame(benchmark::State& state) {
    static Screen a, b;
    evt::subscribe("onFrame", evt::Callback(&onFrame, nullptr));
    evt::subscribe("onFrame", evt::Callback(&a, &Screen::update));
    evt::subscribe("onFrame", evt::Callback(&b, &Screen::update));
    double dt = 0.02;
    evt::doPublish("onFrame", &dt); // warm: the list exists
    uint64_t before = bench::allocations();
    for (auto _ : state) {
        evt::doPublish("onFrame", &dt);
        benchmark::ClobberMemory();
    }
    state.counters["allocs_per_publish"] =
        double(bench::allocations() - before) / double(state.iterations());
    benchmark::DoNotOptimize(total);
}
BENCHMARK(BM_PublishOnFrame);

} // namespace

BENCHMARK_MAIN();
