// SPDX-License-Identifier: MIT
// flingo-scores under load on loopback: several clients (libcurl, as the game) post board requests
// and submissions, a bounded number each, on kept-alive connections or on a fresh connection per
// request. Reports requests per second and the 50th and 99th percentile latency.
#include "../../tests/support/scores_server.h"
#include "online/boards.h"
#include "online/submission.h"

#include <curl/curl.h>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace {

std::string tempDb() {
    char dir[] = "/tmp/flingo-load-XXXXXX";
    return std::string(mkdtemp(dir)) + "/scores.db";
}

struct Server : testscores::Process {
    Server() : Process(FLINGO_SCORES_EXE, tempDb()) {}
};

void BM_ServerLoad(benchmark::State& state) {
    Server srv;
    if (srv.port <= 0) {
        state.SkipWithError("flingo-scores did not start");
        return;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const int clients = static_cast<int>(state.range(0));
    const int per_client = static_cast<int>(state.range(1));
    const bool keep_alive = state.range(2) != 0;
    std::vector<double> all;
    double seconds = 0;
    long failures = 0;
    for (auto _ : state) {
        std::vector<std::vector<double>> lat(static_cast<size_t>(clients));
        std::vector<long> failed(static_cast<size_t>(clients));
        const auto t0 = std::chrono::steady_clock::now();
        std::vector<std::thread> threads;
        for (int c = 0; c < clients; ++c)
            threads.emplace_back([&, c] {
                CURL* cli = curl_easy_init();
                std::string reply;
                curl_easy_setopt(
                    cli, CURLOPT_WRITEFUNCTION, +[](char* p, size_t n, size_t m, void* u) {
                        static_cast<std::string*>(u)->append(p, n * m);
                        return n * m;
                    });
                curl_easy_setopt(cli, CURLOPT_WRITEDATA, &reply);
                curl_easy_setopt(cli, CURLOPT_FORBID_REUSE, keep_alive ? 0L : 1L);
                const std::string base = "http://127.0.0.1:" + std::to_string(srv.port);
                const std::string uid = "load-client-" + std::to_string(c);
                for (int i = 0; i < per_client; ++i) {
                    const int level = i % online::BOARD_COUNT;
                    // Every fourth request a submission, the others board views.
                    const bool submit = i % 4 == 0;
                    const std::string body = submit
                                                 ? online::submissionBody(level, i, 48.8, 2.3, uid)
                                                 : online::boardBody(level, uid);
                    const auto s = std::chrono::steady_clock::now();
                    const std::string url =
                        base + (submit ? "/scores/submitScore" : "/users/profile");
                    reply.clear();
                    curl_easy_setopt(cli, CURLOPT_URL, url.c_str());
                    curl_easy_setopt(cli, CURLOPT_POSTFIELDS, body.c_str());
                    const CURLcode rc = curl_easy_perform(cli);
                    long status = 0;
                    curl_easy_getinfo(cli, CURLINFO_RESPONSE_CODE, &status);
                    lat[static_cast<size_t>(c)].push_back(std::chrono::duration<double, std::milli>(
                                                              std::chrono::steady_clock::now() - s)
                                                              .count());
                    if (rc != CURLE_OK || status != 200) ++failed[static_cast<size_t>(c)];
                }
                curl_easy_cleanup(cli);
            });
        for (auto& t : threads)
            t.join();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        for (size_t c = 0; c < lat.size(); ++c) {
            all.insert(all.end(), lat[c].begin(), lat[c].end());
            failures += failed[c];
        }
    }
    std::sort(all.begin(), all.end());
    auto pct = [&](double p) {
        return all.empty() ? 0.0
                           : all[std::min(all.size() - 1, static_cast<size_t>(p * all.size()))];
    };
    state.counters["req_per_s"] = static_cast<double>(all.size()) / seconds;
    state.counters["p50_ms"] = pct(0.50);
    state.counters["p99_ms"] = pct(0.99);
    state.counters["failed"] = static_cast<double>(failures);
}
// Arguments: clients, requests per client, kept-alive connections (1) or one per request (0).
BENCHMARK(BM_ServerLoad)
    ->Args({1, 1000, 1})
    ->Args({8, 250, 1})
    ->Args({1, 1000, 0})
    ->Args({8, 250, 0})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
