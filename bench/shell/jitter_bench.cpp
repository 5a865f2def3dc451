// SPDX-License-Identifier: MIT
// Tick-interval jitter of the whole game in a window (run under xvfb-run): the game runs its
// start-up screen, slides in the menu and idles there; every "onFrame" is stamped with the host
// clock, and the deviation of each interval from 0.02 s is reported (p50, p99, max in ms).
#include "core/evt.h"
#include "shell/app.h"
#include "shell/flingo_app_delegate.h"
#include "shell/options.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <time.h>
#include <vector>

namespace {

constexpr size_t TICKS = 500;
std::vector<int64_t> stamps;

int64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void stamp(void*, void*) {
    stamps.push_back(nowNs());
    if (stamps.size() >= TICKS) shell::requestQuit();
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

void BM_TickJitterWindowed(benchmark::State& state) {
    if (!getenv("DISPLAY")) {
        state.SkipWithError("no display: run under xvfb-run");
        return;
    }
    for (auto _ : state) {
        stamps.reserve(TICKS);
        // First on "onFrame": the stamp is the moment the tick starts.
        evt::subscribe("onFrame", evt::Callback(&stamp, nullptr));
        shell::Options o;
        o.data_dir = "/tmp/flingo-jitter-bench-data";
        if (const char* s = getenv("FLINGO_BENCH_SCALE")) o.scale = atoi(s);
        auto* app = new FlingoAppDelegate;
        shell::run(*app, o, {});
        delete app;
    }
    std::vector<double> jitter, intervals;
    // The first ticks cover the slide in and its first drawing of each screen; idling starts
    // after them.
    for (size_t i = 51; i < stamps.size(); ++i) {
        const double ms = static_cast<double>(stamps[i] - stamps[i - 1]) / 1e6;
        intervals.push_back(ms);
        jitter.push_back(std::fabs(ms - 20.0));
    }
    if (jitter.empty()) {
        state.SkipWithError("no ticks");
        return;
    }
    double sum = 0;
    for (double ms : intervals)
        sum += ms;
    state.counters["ticks"] = static_cast<double>(intervals.size());
    state.counters["mean_interval_ms"] = sum / static_cast<double>(intervals.size());
    state.counters["jitter_p50_ms"] = percentile(jitter, 0.50);
    state.counters["jitter_p99_ms"] = percentile(jitter, 0.99);
    state.counters["jitter_max_ms"] = percentile(jitter, 1.0);
}

} // namespace

BENCHMARK(BM_TickJitterWindowed)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
