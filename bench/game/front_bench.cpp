// SPDX-License-Identifier: MIT
// One whole frame of the game controller ("onFrame" then "render", finished on the GPU) on the
// main menu with its banner, in a level waiting for a throw, and during the slides between the
// menu and the score menu; with the heap allocations each frame makes (none is the aim).
#include "ads/ads.h"
#include "alloc_counter.h"
#include "core/evt.h"
#include "core/platform.h"
#include "game/flingo.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

int fake_view = 0;
void answerMainView(void*, void* payload) {
    *static_cast<void**>(payload) = &fake_view;
}

void frame() {
    double dt = 0.02;
    evt::publish("onFrame", &dt);
    evt::publish("render");
    glFinish();
}

void settle(int n) {
    for (int i = 0; i < n; ++i)
        frame();
}

bool startGame() {
    static bool started = false;
    if (started) return true;
    if (!testgl::init()) return false;
    const char* env = std::getenv("FLINGO_RESOURCE_DIR");
    platform::setBasePath(env && *env ? env : FLINGO_BENCH_RESOURCES);
    static char tmpl[] = "/tmp/flingo-front-bench-XXXXXX";
    platform::setDataPath(mkdtemp(tmpl));
    std::atexit([] { std::filesystem::remove_all(tmpl); });
    evt::subscribe("getMainView", evt::Callback(&answerMainView, nullptr));
    fg::initialize();
    fg::activate();
    settle(30); // the first frame of each new state compiles shaders: keep it out
    started = true;
    return true;
}

void report(benchmark::State& state, uint64_t allocs, int frames) {
    state.counters["allocs/frame"] = double(allocs) / frames;
}

void BM_MenuFrame(benchmark::State& state) {
    if (!startGame()) return state.SkipWithError("no GL context");
    settle(5);
    int frames = 0;
    const uint64_t before = bench::allocations();
    for (auto _ : state) {
        frame();
        ++frames;
    }
    report(state, bench::allocations() - before, frames);
}
BENCHMARK(BM_MenuFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SlideFrame(benchmark::State& state) {
    if (!startGame()) return state.SkipWithError("no GL context");
    settle(5);
    int frames = 0;
    uint64_t allocs = 0;
    for (auto _ : state) {
        // Steady slides: a request starts each one (the request itself is not a frame).
        state.PauseTiming();
        if (fg::getState() == fg::STATE_MENU) evt::publish("gotoScores");
        if (fg::getState() == fg::STATE_SCORES) evt::publish("gotoMenu");
        state.ResumeTiming();
        const uint64_t before = bench::allocations();
        frame();
        allocs += bench::allocations() - before;
        ++frames;
    }
    report(state, allocs, frames);
}
BENCHMARK(BM_SlideFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LevelFrame(benchmark::State& state) {
    if (!startGame()) return state.SkipWithError("no GL context");
    for (int i = 0; i < 80 && fg::getState() != fg::STATE_MENU; ++i) {
        fg::goBack();
        frame();
    }
    evt::publish("gotoLevel", 0);
    settle(40);
    int frames = 0;
    const uint64_t before = bench::allocations();
    for (auto _ : state) {
        frame();
        ++frames;
    }
    report(state, bench::allocations() - before, frames);
    fg::goBack();
    settle(20);
}
BENCHMARK(BM_LevelFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
