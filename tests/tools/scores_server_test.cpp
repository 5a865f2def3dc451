// SPDX-License-Identifier: MIT
// The reference score service: its store on both engines, and the server as a real process on
// 127.0.0.1 spoken to over HTTP. PostgreSQL runs from a temporary folder for the test program.
#include "config.h"
#include "html.h"
#include "online/boards.h"
#include "online/submission.h"
#include "store.h"
#include "support/postgres.h"
#include "support/run.h"
#include "support/scores_server.h"

#include <httplib.h>
#include <sqlite3.h>

#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>
#include <thread>

namespace {

std::string submission(int level, const std::string& uid, int total) {
    return online::submissionBody(level, total, 1.5, 2.5, uid);
}

// A server that refuses an oversized body closes the socket under the client's feet.
const bool no_sigpipe = signal(SIGPIPE, SIG_IGN) != SIG_ERR;

testpg::Server& postgres() {
    static testpg::Server server;
    return server;
}

struct Server : testscores::Process {
    Server(const std::string& db, std::vector<std::string> extra = {}, const std::string& log = "")
        : Process(FLINGO_SCORES_EXE, db, std::move(extra), log) {}
    int status(const char* method, const std::string& path, const std::string& body) {
        httplib::Client cli("127.0.0.1", port);
        cli.set_read_timeout(10, 0);
        const char* form = "application/x-www-form-urlencoded";
        auto r = method[0] == 'G' ? cli.Get(path) : cli.Post(path, body, form);
        last = r ? r->body : "";
        return r ? r->status : -1;
    }
    // The player's board page on the level's board.
    std::string page(int level, const std::string& uid) {
        status("POST", "/users/profile", online::boardBody(level, uid));
        return last;
    }
    std::string last; // the last reply's body
};

// Every case runs on SQLite and on PostgreSQL.
class Engines : public testing::TestWithParam<const char*> {
  protected:
    bool pg() const { return GetParam()[0] == 'P'; }
    void SetUp() override {
        if (pg() && !postgres().up) GTEST_SKIP() << "PostgreSQL cases skipped: " << postgres().why;
        static int n = 0;
        db = pg() ? postgres().database("flingo_" + std::to_string(getpid()) + "_" +
                                        std::to_string(++n))
                  : testrun::tempDir() + "/scores.db";
    }
    std::string db;
};

std::string rows(const std::vector<scores::Row>& rs) {
    std::string out;
    for (const auto& r : rs)
        out += (out.empty() ? "" : "|") + std::to_string(r.rank) + " " + r.uid + " " +
               std::to_string(r.total);
    return out;
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST_P(Engines, TiesShareARankBestsOnlyRiseAndTheFirstServersFileIsMigrated) {
    const int32_t g = 41207, other = 41208;
    if (!pg()) { // the first server's file, with scores on the other board
        sqlite3* s = nullptr;
        ASSERT_EQ(sqlite3_open(db.c_str(), &s), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(s,
                               "CREATE TABLE scores (gid, uid, total, lat, lng, ts, PRIMARY KEY "
                               "(gid, uid)); CREATE INDEX by_total ON scores (gid, total DESC);"
                               "INSERT INTO scores VALUES (41208,'x',8,0,0,1),(41208,'y',8,0,0,2),"
                               "(41208,'z',3,0,0,3);",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(s);
    }
    std::string error;
    auto store = pg() ? scores::openPostgres(db, error) : scores::openSqlite(db, error);
    ASSERT_TRUE(store) << error;
    const std::pair<const char*, int> subs[] = {{"a", 30}, {"b", 50}, {"c", 50}, {"d", 10},
                                                {"e", 40}, {"a", 20}, {"d", 45}, {"f", 30},
                                                {"h", 5},  {"i", 1}};
    for (const auto& [uid, total] : subs)
        ASSERT_TRUE(store->submit(g, uid, total, 1.0, 2.0));
    ASSERT_TRUE(store->submit(other, "a", 99, 0, 0));
    // The player's best and rank, the top rows, the rows around the player, and how often the
    // page highlights the player's row.
    const std::vector<std::tuple<const char*, int, std::string>> cases = {
        {"a", 3, "30 #5 top 1 c 50|1 b 50|3 d 45 near 4 e 40|5 f 30|5 a 30|7 h 5|8 i 1 me 1"},
        {"b", 3, "50 #1 top 1 c 50|1 b 50|3 d 45 near  me 1"},
        {"e", 4, "40 #4 top 1 c 50|1 b 50|3 d 45|4 e 40 near  me 1"},
        {"i", 5, "1 #8 top 1 c 50|1 b 50|3 d 45|4 e 40|5 f 30 near 5 a 30|7 h 5|8 i 1 me 1"},
        {"zz", 2, "-1 #0 top 1 c 50|1 b 50 near  me 0"}};
    for (const auto& [uid, n, want] : cases) {
        scores::Board b;
        ASSERT_TRUE(store->board(g, uid, n, b));
        EXPECT_EQ(std::to_string(b.best) + " #" + std::to_string(b.rank) + " top " + rows(b.top) +
                      " near " + rows(b.near) + " me " +
                      std::to_string(count(html::board("Easy", b, uid, ""), "class=\"me\"")),
                  want);
    }
    scores::Board b;
    ASSERT_TRUE(store->board(other, "z", 20, b));
    EXPECT_EQ(rows(b.top), pg() ? "1 a 99" : "1 a 99|2 y 8|2 x 8|4 z 3");
    // Text on a page is escaped, quotes too.
    EXPECT_NE(html::board("<O'Neil & \"Co\">", b, "a", "")
                  .find("&lt;O&#39;Neil &amp; &quot;Co&quot;&gt;"),
              std::string::npos);
}

TEST_P(Engines, AcknowledgedScoresSurviveSigkillAndADatabaseOutage) {
    // Four players send rising scores as fast as they are taken until the server is killed.
    std::atomic<int> acked[4] = {}, total_acks{0};
    {
        Server srv(db, {"--submits-per-minute", "0"});
        std::vector<std::thread> players;
        for (int p = 0; p < 4; ++p)
            players.emplace_back([&, p] {
                httplib::Client cli("127.0.0.1", srv.port);
                for (int t = 1; t < 100000; ++t) {
                    auto r =
                        cli.Post("/scores/submitScore", submission(2, "p" + std::to_string(p), t),
                                 "application/x-www-form-urlencoded");
                    if (!r || r->status != 200) return;
                    acked[p] = t;
                    ++total_acks;
                }
            });
        for (int i = 0; total_acks < 40 && i < 4000; ++i) // players that fail stop early
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(srv.pid, SIGKILL);
        for (auto& t : players)
            t.join();
    } // (the stop at the end of the block finds it dead)
    const std::string log = testrun::tempDir() + "/log";
    Server again(db, {}, log);
    for (int p = 0; p < 4; ++p) {
        const std::string page = again.page(2, "p" + std::to_string(p));
        const size_t at = page.find("Your best: <b>");
        ASSERT_NE(at, std::string::npos) << page;
        EXPECT_GE(std::atoi(page.c_str() + at + 14), acked[p].load()) << "player " << p;
    }
    if (!pg()) return;
    // The database away: every request answered 503 meanwhile, and the log says why, each
    // message on a line of its own.
    const std::string before = again.page(2, "p0");
    ASSERT_TRUE(postgres().stop());
    EXPECT_EQ(again.status("GET", "/healthz", ""), 503);
    EXPECT_EQ(again.status("POST", "/users/profile", online::boardBody(2, "p0")), 503);
    EXPECT_EQ(again.status("POST", "/scores/submitScore", submission(2, "p0", 999999)), 503);
    ASSERT_TRUE(postgres().start());
    EXPECT_EQ(again.status("GET", "/healthz", ""), 200);
    EXPECT_EQ(again.page(2, "p0"), before);
    const std::string text = "\n" + testrun::readFile(log);
    EXPECT_GE(count(text, "cannot reach the database"), 3u);
    EXPECT_EQ(count(text, "\n") - 1,
              count(text, "\nflingo-scores: ") + count(text, "\nGET /") + count(text, "\nPOST /"))
        << text;
}

INSTANTIATE_TEST_SUITE_P(, Engines, testing::Values("SQLite", "PostgreSQL"),
                         [](const auto& info) { return std::string(info.param); });

TEST(ScoresServer, SettingsFromFlagsAndFile) {
    const std::string file = testrun::tempDir() + "/scores.conf";
    testrun::writeFile(file, "# comment\nport = 9000\nsubmits-per-minute = 4\n"
                             "board = 777 tok Cellar Scores\nboard = 778 tok2 Roof Scores\n");
    // The arguments; whether they are taken, and then the port, the limit, the boards.
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--port", "abc"}, "refused"},
        {{"--port", "70000"}, "refused"},
        {{"--port"}, "refused"},
        {{"--bogus", "1"}, "refused"},
        {{"--config", "/nonexistent"}, "refused"},
        {{"--config", file.c_str()}, "9000 4 2 777 Cellar Scores"},
        {{"--port", "81", "--threads", "2", "--config", file.c_str()}, "81 4 2 777 Cellar Scores"}};
    for (auto [args, want] : cases) {
        args.insert(args.begin(), "flingo-scores");
        config::Config c;
        std::string error, got = "refused";
        if (config::parse(int(args.size()), args.data(), c, error))
            got = std::to_string(c.http.port) + " " + std::to_string(c.submitsPerMinute) + " " +
                  std::to_string(c.boards.size()) +
                  (c.boards.size() && c.boards[0].gid == 777 ? " 777 " + c.boards[0].title : "");
        EXPECT_EQ(got, want) << args[1] << " " << error;
    }
}

// A raw connection to the server.
int connectTo(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    return connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? s : (close(s), -1);
}

// How many of the connections the server has closed, waiting up to `ms` for all of them.
int closedAmong(const std::vector<int>& fds, int ms) {
    for (int waited = 0;; waited += 50) {
        int closed = 0;
        for (int s : fds) {
            pollfd p{s, POLLIN, 0};
            char c;
            closed += s < 0 || (poll(&p, 1, 0) == 1 && recv(s, &c, 1, MSG_DONTWAIT) <= 0);
        }
        if (closed == int(fds.size()) || waited >= ms) return closed;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// (Bad input is the service's to refuse whatever the engine: SQLite stands for both.)
TEST(ScoresServer, BadInputRefusedWhileSlowAndHostileClientsWait) {
    Server srv(testrun::tempDir() + "/scores.db",
               {"--submits-per-minute", "2", "--per-address", "105", "--deadline-ms", "4000",
                "--idle-seconds", "60"});
    // A hundred connections that send a request's first line and then a byte at a time.
    std::vector<int> slow;
    for (int i = 0; i < 100; ++i) {
        const int s = connectTo(srv.port);
        ASSERT_GT(send(s, "POST /users/profile HTTP/1.1\r\n", 30, 0), 0);
        slow.push_back(s);
    }
    std::atomic<bool> trickling{true};
    std::thread trickle([&] {
        while (trickling) {
            for (int s : slow)
                send(s, "X", 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    });
    // Ordinary clients are answered meanwhile, and bad input refused.
    const std::string good = submission(0, "carol", 5);
    auto with = [&](const char* key, const std::string& value) {
        std::string body = good;
        const size_t at = body.find(std::string(key) + "=") + strlen(key) + 1;
        return body.replace(at, body.find('&', at) - at, value);
    };
    const std::tuple<const char*, const char*, std::string, int> cases[] = {
        {"POST", "/scores/submitScore", good, 200},
        {"POST", "/scores/submitScore", with("token", "zzz"), 403},
        {"POST", "/scores/submitScore", with("gid", "99999"), 404},
        {"POST", "/scores/submitScore", with("cid", "999"), 400},
        {"POST", "/scores/submitScore", with("total", "5x"), 400},
        {"POST", "/scores/submitScore", with("total", "-1"), 400},
        {"POST", "/scores/submitScore", submission(0, "max", 1000001), 400}, // past the highest
        {"POST", "/scores/submitScore", with("lat", "nan"), 400},
        {"POST", "/scores/submitScore", with("uid", std::string(65, 'u')), 400},
        {"POST", "/scores/submitScore", with("uid", "x'%3BDROP+TABLE+scores%3B--"), 400},
        {"POST", "/scores/submitScore", with("token", std::string(300, 't')), 400},
        {"POST", "/scores/submitScore", "gid=41207", 400},
        {"POST", "/users/profile", "%%%&&&===", 400},
        {"POST", "/scores/submitScore", std::string(8192, 'a'), 413},
        {"GET", "/scores/submitScore", "", 405},
        {"POST", "/nothing", good, 404},
        {"POST", "/healthz", "", 405},
        // Refused submissions do not count against the address's limit of two a minute.
        {"POST", "/scores/submitScore", submission(0, "dave", 7), 200},
        {"POST", "/scores/submitScore", submission(0, "erin", 9), 429},
    };
    for (const auto& [method, path, body, status] : cases)
        EXPECT_EQ(srv.status(method, path, body), status)
            << method << " " << path << " " << body.substr(0, 80);
    // Only the two accepted submissions are stored.
    const std::string page = srv.page(0, "carol");
    EXPECT_NE(page.find("Your best: <b>5</b>, rank 2"), std::string::npos) << page;
    EXPECT_EQ(count(page, "<td class=\"rank\">"), 2u);
    EXPECT_NE(srv.page(1, "carol").find("no score on this board"), std::string::npos);
    // The trickling requests are cut at their deadline.
    const int cut = closedAmong(slow, 20000);
    trickling = false;
    trickle.join();
    for (int s : slow)
        close(s);
    EXPECT_EQ(cut, 100);
    // Past the per-address limit new connections are closed at once.
    std::vector<int> idle;
    for (int i = 0; i < 110; ++i)
        idle.push_back(connectTo(srv.port));
    EXPECT_EQ(closedAmong(idle, 1500), 5);
    for (int s : idle)
        close(s);
}

} // namespace
