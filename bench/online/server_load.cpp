// SPDX-License-Identifier: MIT
// flingo-scores under load on loopback: clients (libcurl, as the game) on kept-alive connections
// ask for boards or submit scores, a bounded number each, against 1,000 / 1,000,000 /
// 10,000,000 stored scores on SQLite or PostgreSQL; optionally while 100 connections trickle a
// byte per second. Reports requests per second and the 50th and 99th percentile latency.
// The stored scores are made by bulk SQL once per engine and size, then kept for the run.
#include "../../tests/support/postgres.h"
#include "../../tests/support/scores_server.h"
#include "online/boards.h"
#include "online/submission.h"
#include "store.h"

#include <curl/curl.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

constexpr int BOARD = 0; // every stored score is on the first level's board
constexpr int MAX_TOTAL = 1000;

testpg::Server& postgres() {
    static testpg::Server server;
    return server;
}

bool run(const std::string& what, bool ok) {
    if (!ok) fprintf(stderr, "bench: %s failed\n", what.c_str());
    return ok;
}

// A database holding `n` scores on the board, players p00000001.. with totals 0..999.
std::string fill(bool pg, long n) {
    const std::string gid = std::to_string(online::rankora_game_ids[BOARD]);
    const std::string count = std::to_string(n);
    const auto t0 = std::chrono::steady_clock::now();
    std::string where, error;
    if (pg) {
        if (!postgres().up) return "";
        where = postgres().database("load_" + count);
        if (!scores::openPostgres(where, error)) return "";
        PGconn* c = PQconnectdb(where.c_str());
        const char* steps[] = {
            "SET maintenance_work_mem = '1GB'",
            "DROP INDEX scores_order",
            "ALTER TABLE scores DROP CONSTRAINT scores_pkey",
            nullptr,
            "ALTER TABLE scores ADD PRIMARY KEY (gid, uid)",
            "CREATE INDEX scores_order ON scores (gid, total, uid)",
            "INSERT INTO histogram SELECT gid, total, COUNT(*) FROM scores GROUP BY gid, total",
            "VACUUM ANALYZE scores",
            "VACUUM ANALYZE histogram",
        };
        const std::string insert = "INSERT INTO scores SELECT " + gid +
                                   ", 'p' || lpad(x::text, 8, '0'), floor(random() * " +
                                   std::to_string(MAX_TOTAL) +
                                   "), 0, 0, 0"
                                   " FROM generate_series(1, " +
                                   count + ") x";
        for (const char* step : steps) {
            PGresult* r = PQexec(c, step ? step : insert.c_str());
            const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
            PQclear(r);
            if (!run(step ? step : "insert", ok)) return "";
        }
        PQfinish(c);
    } else {
        char dir[] = "/tmp/flingo-load-XXXXXX";
        where = std::string(mkdtemp(dir)) + "/scores.db";
        if (!scores::openSqlite(where, error)) return "";
        sqlite3* db = nullptr;
        sqlite3_open(where.c_str(), &db);
        const std::string sql =
            "PRAGMA synchronous=OFF; PRAGMA cache_size=-1000000; BEGIN;"
            "DROP INDEX scores_order;"
            "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < " +
            count + ") INSERT INTO scores SELECT " + gid +
            ", printf('p%08d', x), abs(random()) % " + std::to_string(MAX_TOTAL) +
            ", 0, 0, 0 FROM c;"
            "CREATE INDEX scores_order ON scores (gid, total, uid);"
            "INSERT INTO histogram SELECT gid, total, COUNT(*) FROM scores GROUP BY gid, total;"
            "COMMIT; ANALYZE;";
        const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        if (!run("sqlite fill", ok)) return "";
    }
    fprintf(stderr, "bench: %s scores on %s made in %.1f s\n", count.c_str(),
            pg ? "PostgreSQL" : "SQLite",
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    return where;
}

// A SQLite database's folder, removed after its server has stopped.
struct Sqlite : testscores::Process {
    Sqlite(const std::string& db, std::vector<std::string> flags)
        : Process(FLINGO_SCORES_EXE, db, std::move(flags)), dir(db.substr(0, db.rfind('/'))) {}
    ~Sqlite() {
        stop();
        if (dir.rfind("/tmp/flingo-load-", 0) == 0) std::system(("rm -rf " + dir).c_str());
    }
    std::string dir;
};

// One server per engine and size, kept for the whole run.
testscores::Process* server(bool pg, long n) {
    static std::map<std::pair<bool, long>, std::unique_ptr<testscores::Process>> servers;
    auto& s = servers[{pg, n}];
    if (!s) {
        const std::string db = fill(pg, n);
        if (db.empty()) return nullptr;
        // The default four threads; no access log, no submission limit.
        std::vector<std::string> flags = {
            "--submits-per-minute", "0", "--per-address", "500", "--log", "off", "--threads", "4"};
        if (pg)
            s = std::make_unique<testscores::Process>(FLINGO_SCORES_EXE, db, flags);
        else
            s = std::make_unique<Sqlite>(db, flags);
    }
    return s->port > 0 ? s.get() : nullptr;
}

// Connections that send a request's first bytes and then one byte a second.
struct Tricklers {
    Tricklers(int port, int count) {
        for (int i = 0; i < count; ++i) {
            const int s = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(port));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) fds.push_back(s);
        }
        thread = std::thread([this] {
            while (on) {
                for (int s : fds)
                    send(s, "X", 1, MSG_NOSIGNAL);
                for (int i = 0; i < 10 && on; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    ~Tricklers() {
        on = false;
        thread.join();
        for (int s : fds)
            close(s);
    }
    std::vector<int> fds;
    std::atomic<bool> on{true};
    std::thread thread;
};

// Arguments: engine (0 SQLite, 1 PostgreSQL), stored scores, clients, submit (1) or board (0),
// trickling connections.
void BM_Scores(benchmark::State& state) {
    const bool pg = state.range(0) != 0;
    const long stored = state.range(1);
    const int clients = static_cast<int>(state.range(2));
    const bool submit = state.range(3) != 0;
    testscores::Process* srv = server(pg, stored);
    if (!srv) {
        state.SkipWithError(pg ? postgres().why.c_str() : "flingo-scores did not start");
        return;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::unique_ptr<Tricklers> slow;
    if (state.range(4) > 0) slow = std::make_unique<Tricklers>(srv->port, int(state.range(4)));
    const int per_client = std::max(100, 2000 / clients);
    const auto limit = std::chrono::seconds(30); // each run ends by then, whatever is left
    static int round = 0;
    ++round;
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
                std::mt19937 rng(static_cast<unsigned>(c * 7919 + round));
                CURL* cli = curl_easy_init();
                std::string reply;
                curl_easy_setopt(
                    cli, CURLOPT_WRITEFUNCTION, +[](char* p, size_t n, size_t m, void* u) {
                        static_cast<std::string*>(u)->append(p, n * m);
                        return n * m;
                    });
                curl_easy_setopt(cli, CURLOPT_WRITEDATA, &reply);
                const std::string base = "http://127.0.0.1:" + std::to_string(srv->port);
                const std::string url = base + (submit ? "/scores/submitScore" : "/users/profile");
                curl_easy_setopt(cli, CURLOPT_URL, url.c_str());
                for (int i = 0; i < per_client && std::chrono::steady_clock::now() - t0 < limit;
                     ++i) {
                    char uid[32];
                    if (submit)
                        snprintf(uid, sizeof uid, "n%d-%d-%d", round, c, i);
                    else
                        snprintf(uid, sizeof uid, "p%08ld", long(rng() % stored) + 1);
                    const std::string body =
                        submit
                            ? online::submissionBody(BOARD, int(rng() % MAX_TOTAL), 48.8, 2.3, uid)
                            : online::boardBody(BOARD, uid);
                    reply.clear();
                    curl_easy_setopt(cli, CURLOPT_POSTFIELDS, body.c_str());
                    const auto s = std::chrono::steady_clock::now();
                    const CURLcode rc = curl_easy_perform(cli);
                    long status = 0;
                    curl_easy_getinfo(cli, CURLINFO_RESPONSE_CODE, &status);
                    lat[size_t(c)].push_back(std::chrono::duration<double, std::milli>(
                                                 std::chrono::steady_clock::now() - s)
                                                 .count());
                    if (rc != CURLE_OK || status != 200) ++failed[size_t(c)];
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
    state.counters["requests"] = static_cast<double>(all.size());
    state.counters["failed"] = static_cast<double>(failures);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (long engine : {0, 1})
        for (long stored : {1000L, 1000000L, 10000000L})
            for (long clients : {1, 16})
                for (long submit : {0, 1})
                    b->Args({engine, stored, clients, submit, 0});
    // Ordinary board requests while 100 connections trickle.
    for (long engine : {0, 1})
        b->Args({engine, 10000000L, 16, 0, 100});
}
BENCHMARK(BM_Scores)
    ->Apply(sizes)
    ->ArgNames({"pg", "stored", "clients", "submit", "slow"})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
