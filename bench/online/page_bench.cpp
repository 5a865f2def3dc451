// SPDX-License-Identifier: MIT
// The in-app page: laying out and drawing a 100-row board, and the cost a page load puts on the
// frames it runs across (the frame loop polls and draws every 20 ms while a slow server drips
// the reply; a frame whose own work passes 20 ms, by the wall clock or by the thread's CPU
// time, is a stalled frame).
#include "drip_server.h"
#include "html.h"
#include "online/page.h"
#include "online/web_page.h"

#include <httplib.h>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>
#include <time.h>

namespace {

std::string board(int rows) {
    std::vector<scores::Entry> top;
    for (int i = 0; i < rows; ++i)
        top.push_back({"player-" + std::to_string(1000 + i), 500 - i});
    return html::board("Easy Level Scores", top, "player-1042", 458, 43, "Score submitted!");
}

void BM_BoardLayoutAndDraw(benchmark::State& state) {
    const std::string html = board(static_cast<int>(state.range(0)));
    std::vector<uint8_t> rgba;
    // The process's first page pays for font set-up; keep it out of the timing.
    page::Page* warm = page::create(html, 320);
    page::draw(warm, 0, 436, rgba);
    page::destroy(warm);
    for (auto _ : state) {
        page::Page* p = page::create(html, 320);
        page::draw(p, 0, 436, rgba);
        benchmark::DoNotOptimize(rgba.data());
        page::destroy(p);
    }
}
BENCHMARK(BM_BoardLayoutAndDraw)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_ScrollRedraw(benchmark::State& state) {
    page::Page* p = page::create(board(100), 320);
    std::vector<uint8_t> rgba;
    int y = 0;
    const int limit = std::max(1, page::height(p) - 436);
    for (auto _ : state) {
        page::draw(p, y, 436, rgba);
        y = (y + 37) % limit;
    }
    page::destroy(p);
}
BENCHMARK(BM_ScrollRedraw)->Unit(benchmark::kMillisecond);

void BM_FramesDuringSlowLoad(benchmark::State& state) {
    DripServer srv(board(100));
    web::WebPage page(320, 436);
    std::vector<uint8_t> rgba;
    page.loadHtml("<body><h1>loading...</h1></body>");
    page.render(rgba);
    long frames = 0, stalled = 0, stalled_cpu = 0;
    double worst = 0, worst_cpu = 0;
    auto cpuMs = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
    };
    for (auto _ : state) {
        http::Request req{"http://127.0.0.1:" + std::to_string(srv.port) + "/users/profile", "POST",
                          "token=t&gid=1&id=x", "application/x-www-form-urlencoded"};
        page.loadRequest(req);
        while (page.loading()) {
            const auto t0 = std::chrono::steady_clock::now();
            const double c0 = cpuMs();
            http::poll();
            page.render(rgba); // the frame's drawing of the page, when it changed
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count();
            const double cpu = cpuMs() - c0;
            worst = std::max(worst, ms);
            worst_cpu = std::max(worst_cpu, cpu);
            if (ms > 20) ++stalled;
            if (cpu > 20) ++stalled_cpu;
            ++frames;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["stalled"] = static_cast<double>(stalled);
    state.counters["stalled_cpu"] = static_cast<double>(stalled_cpu);
    state.counters["worst_ms"] = worst;
    state.counters["worst_cpu_ms"] = worst_cpu;
}
BENCHMARK(BM_FramesDuringSlowLoad)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
