// SPDX-License-Identifier: MIT
// Frames while a board loads, in a window (run under xvfb-run): the whole game opens level 0's
// board from a slow server of ours that answers after 1 s and drips a 100-row board over another
// second. Every present is stamped; while the page loads the busy indicator turns, so a present
// is due every 20 ms. Reports the presents in that time, the gaps over 30 ms (stalled frames),
// the longest gap, the same for the 1.2 s of game ticks before the request, and how long after
// the last byte the page was on screen.
#include "drip_server.h"
#include "game/level_defs.h"
#include "html.h"
#include "shell/app.h"
#include "shell/flingo_app_delegate.h"
#include "shell/options.h"
#include "shell/script.h"

#include <httplib.h>

#include <SDL.h>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <thread>
#include <time.h>

namespace {

int64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::vector<int64_t> presents;
std::atomic<int64_t> asked{0}, answered{0};

std::string board() {
    std::vector<scores::Entry> top;
    for (int i = 0; i < 100; ++i)
        top.push_back({"player-" + std::to_string(1000 + i), 500 - i});
    return html::board("Easy Level Scores", top, "player-1042", 458, 43, "");
}

struct Gaps {
    long presents = 0, stalled = 0;
    double worst_ms = 0;
};

Gaps gapsBetween(int64_t from, int64_t to) {
    Gaps g;
    int64_t last = 0;
    for (int64_t t : presents) {
        if (t < from || t > to) continue;
        ++g.presents;
        if (last) {
            const double ms = static_cast<double>(t - last) / 1e6;
            g.worst_ms = std::max(g.worst_ms, ms);
            if (ms > 30) ++g.stalled;
        }
        last = t;
    }
    return g;
}

std::string tap(int n, float x, float y) {
    const std::string p = std::to_string(x) + " " + std::to_string(480 - y) + "\n";
    return std::to_string(n) + " down " + p + std::to_string(n + 1) + " up " + p;
}

void BM_FramesWhileABoardLoadsWindowed(benchmark::State& state) {
    if (!getenv("DISPLAY")) {
        state.SkipWithError("no display: run under xvfb-run");
        return;
    }
    DripServer srv(board(), std::chrono::seconds(1));
    srv.onAsked = [] { asked = nowNs(); };
    srv.onAnswered = [] { answered = nowNs(); };
    fg::initializeData();
    const std::string script = tap(150, static_cast<float>(fg::menu_info.scoresButtonPos.x),
                                   static_cast<float>(fg::menu_info.scoresButtonPos.y)) +
                               tap(250, static_cast<float>(fg::level_info[0].scoreRowPos.x),
                                   static_cast<float>(fg::level_info[0].scoreRowPos.y)) +
                               "450 quit\n";
    std::vector<shell::Command> commands;
    std::string error;
    if (!shell::parseScript(script, "bench", commands, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    char dir[] = "/tmp/flingo-online-bench-XXXXXX";
    setenv("FLINGO_ONLINE_MODULE", ONLINE_MODULE, 0);
    for (auto _ : state) {
        presents.reserve(2000);
        shell::Options o;
        o.data_dir = mkdtemp(dir);
        o.score_server = "http://127.0.0.1:" + std::to_string(srv.port);
        auto* app = new FlingoAppDelegate;
        shell::run(*app, o, commands);
        delete app;
    }
    if (!asked || !answered) {
        state.SkipWithError("the board was not loaded");
        return;
    }
    const Gaps before = gapsBetween(asked - 1'400'000'000, asked - 200'000'000);
    const Gaps loading = gapsBetween(asked, answered);
    int64_t shown = 0;
    for (int64_t t : presents)
        if (t > answered) {
            shown = t;
            break;
        }
    state.counters["load_presents"] = static_cast<double>(loading.presents);
    state.counters["load_stalled"] = static_cast<double>(loading.stalled);
    state.counters["load_worst_gap_ms"] = loading.worst_ms;
    state.counters["ticking_stalled"] = static_cast<double>(before.stalled);
    state.counters["ticking_worst_gap_ms"] = before.worst_ms;
    state.counters["page_shown_after_ms"] =
        shown ? static_cast<double>(shown - answered) / 1e6 : -1.0;
}

} // namespace

// Every present of the game passes here first.
extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    static auto real =
        reinterpret_cast<void (*)(SDL_Window*)>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    presents.push_back(nowNs());
    real(window);
}

BENCHMARK(BM_FramesWhileABoardLoadsWindowed)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
