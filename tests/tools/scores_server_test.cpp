// SPDX-License-Identifier: MIT
// The reference score service, run as a real process on 127.0.0.1 and spoken to over HTTP.
#include "../support/scores_server.h"
#include "html.h"
#include "online/boards.h"

#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Server : testscores::Process {
    explicit Server(const std::string& db) : Process(FLINGO_SCORES_EXE, db) {}
    ~Server() { EXPECT_TRUE(stop()) << "server did not stop cleanly"; }
    httplib::Result post(const std::string& path, const std::string& body) {
        httplib::Client cli("127.0.0.1", port);
        cli.set_read_timeout(5, 0);
        return cli.Post(path.c_str(), body, "application/x-www-form-urlencoded");
    }
};

std::string tempDb() {
    char tmpl[] = "/tmp/flingo-scores-XXXXXX";
    return std::string(mkdtemp(tmpl)) + "/scores.db";
}

std::string submission(int level, const std::string& uid, int total, double lat, double lng) {
    const int gid = online::rankora_game_ids[level];
    const int cid = online::checkValue(gid, total, lat, lng);
    char body[512];
    snprintf(body, sizeof body, "token=%s&gid=%i&lat=%f&lng=%f&uid=%s&total=%i&cid=%i",
             online::rankora_tokens[level], gid, lat, lng, uid.c_str(), total, cid);
    return body;
}

std::string profile(int level, const std::string& uid) {
    return std::string("token=") + online::rankora_tokens[level] +
           "&gid=" + std::to_string(online::rankora_game_ids[level]) + "&id=" + uid;
}

TEST(ScoresServer, CheckValueRules) {
    double lat = 48.8, lng = 2.3;
    EXPECT_EQ(online::checkValue(14, 25, lat, lng), 672);
    lat = 40.2, lng = -75.5;
    EXPECT_EQ(online::checkValue(14, 25, lat, lng), 40 * 75 * 7);
    lat = 10, lng = 200;
    EXPECT_EQ(online::checkValue(14, 25, lat, lng), 0);
    EXPECT_EQ(lng, 0.0);
    EXPECT_EQ(lat, 10.0);
    lat = 95, lng = 200;
    online::checkValue(14, 25, lat, lng);
    EXPECT_EQ(lat, 0.0);
    lat = 91, lng = 20;
    EXPECT_EQ(online::checkValue(14, 25, lat, lng), 0);
    EXPECT_EQ(lat, 0.0);
    lat = -1e300, lng = 0.0 / 0.0; // garbage positions must not overflow
    online::checkValue(14, 25, lat, lng);
}

TEST(ScoresServer, SubmitKeepsBestAndRanksPlayers) {
    std::string db = tempDb();
    {
        Server srv(db);
        ASSERT_GT(srv.port, 0);
        auto r = srv.post("/scores/submitScore", submission(2, "alice-1", 12, 48.8, 2.3));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200);
        EXPECT_NE(r->body.find("Hard Level Scores"), std::string::npos);
        EXPECT_NE(r->body.find("Score submitted!"), std::string::npos);
        EXPECT_NE(r->body.find("<tr class=\"me\"><td class=\"rank\">1</td><td>You</td>"
                               "<td class=\"score\">12</td>"),
                  std::string::npos);

        ASSERT_EQ(srv.post("/scores/submitScore", submission(2, "bob-22", 20, 0, 0))->status, 200);
        // A lower score does not replace alice's best.
        ASSERT_EQ(srv.post("/scores/submitScore", submission(2, "alice-1", 3, 0, 0))->status, 200);
        auto board = srv.post("/users/profile", profile(2, "alice-1"));
        ASSERT_TRUE(board);
        EXPECT_EQ(board->status, 200);
        EXPECT_NE(board->body.find("Your best: <b>12</b>, rank 2"), std::string::npos);
        EXPECT_LT(board->body.find("Player bob-22"), board->body.find("<td>You</td>"));
        // Boards are separate.
        auto easy = srv.post("/users/profile", profile(0, "alice-1"));
        EXPECT_NE(easy->body.find("no score on this board"), std::string::npos);
    }
    // The scores survive a restart.
    Server again(db);
    auto board = again.post("/users/profile", profile(2, "bob-22"));
    ASSERT_TRUE(board);
    EXPECT_NE(board->body.find("Your best: <b>20</b>, rank 1"), std::string::npos);
}

TEST(ScoresServer, RefusesBadInput) {
    Server srv(tempDb());
    auto status = [&](const std::string& path, const std::string& body) {
        auto r = srv.post(path, body);
        return r ? r->status : -1;
    };
    std::string good = submission(0, "carol", 5, 1.5, 2.5);
    EXPECT_EQ(status("/scores/submitScore", good), 200);

    std::string wrong_token = good;
    wrong_token.replace(6, 3, "zzz");
    EXPECT_EQ(status("/scores/submitScore", wrong_token), 403);
    EXPECT_EQ(status("/users/profile", "token=x&gid=99999&id=carol"), 404);
    std::string bad_cid = good.substr(0, good.rfind('=') + 1) + "999";
    EXPECT_EQ(status("/scores/submitScore", bad_cid), 400);
    EXPECT_EQ(status("/scores/submitScore", "gid=41207"), 400);
    EXPECT_EQ(status("/scores/submitScore", ""), 400);
    EXPECT_EQ(status("/users/profile", "%%%&&&==="), 400);
    EXPECT_EQ(status("/scores/submitScore", submission(0, "carol", -1, 0, 0)), 400);
    EXPECT_EQ(status("/scores/submitScore", submission(0, "carol", 99999999, 0, 0)), 400);
    EXPECT_EQ(status("/scores/submitScore", std::string(1 << 20, 'a')), 413);
    EXPECT_EQ(status("/nothing", good), 404);

    // SQL and HTML metacharacters in every field are refused or stored as plain text.
    const char* evil[] = {"'", "x'%3BDROP+TABLE+scores%3B--", "%3Cscript%3E", "1%20OR%201%3D1"};
    for (const char* e : evil) {
        std::string uid = std::string("u") + e;
        EXPECT_EQ(status("/scores/submitScore", submission(0, uid, 5, 0, 0)), 400) << e;
        EXPECT_EQ(status("/users/profile", profile(0, uid)), 400) << e;
        std::string body = good;
        EXPECT_EQ(status("/scores/submitScore", body.replace(body.find("total=") + 6, 1, e)), 400);
        body = good;
        EXPECT_EQ(status("/scores/submitScore", body.replace(body.find("lat=") + 4, 0, e)), 400);
        body = good;
        EXPECT_NE(status("/scores/submitScore", body.replace(body.find("token=") + 6, 0, e)), 200);
    }
    auto board = srv.post("/users/profile", profile(0, "carol"));
    ASSERT_TRUE(board);
    EXPECT_NE(board->body.find("Your best: <b>5</b>, rank 1"), std::string::npos);
    EXPECT_EQ(html::escape("<a href=\"x\">'&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
}

TEST(ScoresServer, ManyConcurrentClients) {
    Server srv(tempDb());
    constexpr int CLIENTS = 8, EACH = 25;
    std::atomic<int> ok{0};
    std::vector<std::thread> threads;
    for (int c = 0; c < CLIENTS; ++c) {
        threads.emplace_back([&, c] {
            for (int i = 0; i < EACH; ++i) {
                auto r = srv.post("/scores/submitScore",
                                  submission(1, "p" + std::to_string(c), c * 100 + i, 10, 10));
                if (r && r->status == 200) ++ok;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(ok.load(), CLIENTS * EACH);
    auto board = srv.post("/users/profile", profile(1, "p7"));
    ASSERT_TRUE(board);
    EXPECT_NE(board->body.find("Your best: <b>724</b>, rank 1"), std::string::npos);
    auto low = srv.post("/users/profile", profile(1, "p0"));
    EXPECT_NE(low->body.find("Your best: <b>24</b>, rank 8"), std::string::npos);
}

} // namespace
