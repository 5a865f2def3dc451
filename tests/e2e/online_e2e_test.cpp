// SPDX-License-Identifier: MIT
// The whole game, headless, against the reference score server on 127.0.0.1: a submission from
// a level, every level's board, and pages that go wrong. A relay of ours stands between the game
// and the server, recording what the game sends and what it gets, or misbehaving on purpose.
// Replies come in real time while the headless steps run as fast as they can, so the scripts
// leave the network hundreds of steps.
#include "e2e.h"
#include "online/boards.h"
#include "online/page.h"
#include "online/submission.h"
#include "support/scores_server.h"
#include "support/servers.h"
#include "ui/panel.h"

#include <gtest/gtest.h>
#include <mutex>

using namespace e2e;

namespace {

struct Exchange {
    std::string body, reply;
};

// Stands at the address the game posts to; its n-th request is answered the n-th way of the
// plan (the last way for all later ones). Forward passes the request on to the score server and
// records both sides; Hang never answers; Drip sends a page's first rows, then nothing more.
class Relay : public testsrv::Http {
  public:
    enum Mode { Forward, Hang, Drip };

    explicit Relay(std::vector<Mode> plan, int target = 0) {
        svr.Post(R"(/.*)",
                 [this, plan, target](const httplib::Request& req, httplib::Response& res) {
                     const Mode mode = plan[std::min<size_t>(asked++, plan.size() - 1)];
                     if (mode == Hang) return nap(60);
                     if (mode == Drip)
                         return res.set_chunked_content_provider(
                             "text/html", [this](size_t, httplib::DataSink& s) {
                                 s.write(DRIP_HEAD, strlen(DRIP_HEAD));
                                 nap(60);
                                 return false;
                             });
                     httplib::Client c("127.0.0.1", target);
                     c.set_read_timeout(10, 0);
                     auto r = c.Post(req.path, req.body, req.get_header_value("Content-Type"));
                     res.status = r ? r->status : 502;
                     if (r) res.set_content(r->body, "text/html; charset=utf-8");
                     std::lock_guard<std::mutex> hold(lock);
                     seen.push_back({req.body, res.body});
                 });
        svr.Get("/pic.png", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(testrun::solidPng(40, 20, 0xff00ff), "image/png");
        });
        start();
    }
    ~Relay() { stop(); } // before the records the handlers write go
    std::vector<Exchange> exchanges() {
        std::lock_guard<std::mutex> hold(lock);
        return seen;
    }

    // The start of a dripping page: a 40 x 20 magenta picture, a band with the picture as its
    // CSS background repeated across, and a green first row.
    static constexpr const char* DRIP_HEAD =
        "<body style='margin:0;background:#000'><img src='/pic.png' style='display:block'>"
        "<div style='height:20px;background:url(/pic.png) repeat-x'></div>"
        "<div style='height:30px;background:#00ff00'></div>";
    std::atomic<size_t> asked{0};
    std::mutex lock;
    std::vector<Exchange> seen;
};

int submittedIn(const std::string& dir, int level) {
    useDataFolder(dir);
    const int s = fg::scores::readSubmitted(level);
    evt::publish("onShutdown");
    return s;
}

std::vector<uint8_t> barPixels(const std::string& title) {
    panel::Image img;
    panel::Rect back;
    panel::navBar(title, "Back", img, back);
    return img.rgba;
}

std::vector<uint8_t> pagePixels(const std::string& html, int rows = 436) {
    page::Page* p = page::create(html, 320);
    std::vector<uint8_t> px;
    page::draw(p, 0, rows, px);
    page::destroy(p);
    return px;
}

// Pixels of the screenshot that differ by more than 8 from an RGBA picture 320 wide whose row 0
// lies at screen row y0: 0 for the bar, 44 for the page under it (-1: no screenshot).
int mismatches(const std::string& shot, const std::vector<uint8_t>& rgba, int y0) {
    const testrun::Png png = testrun::readPng(shot);
    int bad = png.w == 320 ? 0 : -1;
    for (size_t i = 0; bad >= 0 && i < rgba.size() / 4; ++i) {
        const long want = (long(rgba[i * 4]) << 16) | (rgba[i * 4 + 1] << 8) | rgba[i * 4 + 2];
        bad += !testrun::near(png.at(i % 320, y0 + i / 320), want, 8);
    }
    return bad;
}

// Pure red pixels (the active Submit button's colour) around the first level's Submit button.
int redSubmit(const std::string& shot) {
    const Vector3<float> at = level(0).hudSubmitPos;
    const int x = static_cast<int>(at.x), y = 480 - static_cast<int>(at.y);
    return testrun::readPng(shot).count(x - 28, y - 10, x + 29, y + 11, [](long p) {
        return (p >> 16) > 150 && ((p >> 8) & 255) < 60 && (p & 255) < 60;
    });
}

// A submission from the first level with a best of 25: "No" to the first prompt, "Yes" to the
// second at step 210; "press" at step 1400 ("Back" under a board, "Ok" under an error).
GameRun submitFromLevel(const std::string& data, const std::string& server, const char* press) {
    const fg::LevelInfo& l0 = level(0);
    std::string script = tap(130, l0.menuButtonPos.x, l0.menuButtonPos.y); // level in by 149
    script += tap(170, l0.hudSubmitPos.x, l0.hudSubmitPos.y);              // "Submit Score?"
    script += "180 press \"No\"\n";                                        // nothing happens
    script += tap(200, l0.hudSubmitPos.x, l0.hudSubmitPos.y);
    script += "210 press \"Yes\"\n"; // 1 s pause under the spinner, then the page at once
    script += "1400 press \"" + std::string(press) + "\"\n";
    std::vector<std::string> extra = {"--frames",        "1500",    "--location", "48.8,2.3",
                                      "--analytics-log", "@a.jsonl"};
    for (const char* shot :
         {"165:@level.png", "240:@spinner.png", "1300:@board.png", "1480:@back.png"})
        extra.insert(extra.end(), {"--screenshot", shot});
    if (!server.empty()) extra.insert(extra.end(), {"--score-server", server});
    return runGame(data, script, extra);
}

// Taps the menu's Scores button at step 130, then the rows of the levels given at their steps.
std::string boardsScript(const std::vector<std::pair<int, int>>& rows) {
    level(0); // fills the tables
    const Vector2<int> scores = fg::menu_info.scoresButtonPos;
    std::string script = tap(130, static_cast<float>(scores.x), static_cast<float>(scores.y));
    for (auto [step, i] : rows)
        script += tap(step, static_cast<float>(level(i).scoreRowPos.x),
                      static_cast<float>(level(i).scoreRowPos.y));
    return script;
}

// Bests that unlock every level.
std::string unlockedData() {
    std::vector<int> b;
    for (int i = 0; i < fg::LEVEL_COUNT; ++i)
        b.push_back(std::max(level(i).unlockScore, 1) + 3 + i);
    return dataWithBests(b);
}

} // namespace

TEST(OnlineGame, SubmissionFromALevelPostsEveryFieldAndShowsTheBoard) {
    testscores::Process server(FLINGO_SCORES_EXE, testrun::tempDir() + "/scores.db");
    Relay relay({Relay::Forward}, server.port);
    const std::string data = dataWithBests({25});
    GameRun r = submitFromLevel(data, relay.url(), "Back");
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    // The prompt answered "No" posts nothing; the one answered "Yes" does. The server got the
    // best, the given position and this machine's id, and took it.
    EXPECT_EQ(story(r.trace, [](const TraceLine& t) { return t.event == "postScore"; }),
              Story{"210 postScore null"});
    const auto seen = relay.exchanges();
    ASSERT_EQ(seen.size(), 1u) << r.result.stderr_text;
    ASSERT_FALSE(deviceIn(data).empty());
    EXPECT_EQ(seen[0].body, online::submissionBody(0, 25, 48.8, 2.3, deviceIn(data)));
    EXPECT_NE(seen[0].reply.find("Score submitted!"), std::string::npos);
    EXPECT_NE(testrun::readFile(r.path("a.jsonl")).find("\"post_score_level_0\""),
              std::string::npos);

    // "submitted" stored once the server took it. A known position does not wait: the page is
    // up right after the 1 s pause (step 260), the game stopped ticking under it and started
    // again after Back, not activated again (its menu's sounds not reloaded), and with no jump
    // for the time spent on the page.
    EXPECT_EQ(submittedIn(data, 0), 25);
    EXPECT_GT(testrun::logFrame(r.trace, "score 25 of level 0 submitted"), 260);
    EXPECT_GT(testrun::countBetween(r.trace, "onFrame", 215, 255), 30) << "ticks in the pause";
    EXPECT_EQ(testrun::countBetween(r.trace, "onFrame", 300, 1400), 0) << "none under the page";
    EXPECT_GT(testrun::countBetween(r.trace, "onFrame", 1420, 1500), 50) << "again after Back";
    EXPECT_EQ(testrun::countBetween(r.trace, "preloadSound", 1400, 1500), 0);
    const Story after = story(r.trace, [](const TraceLine& t) {
        return t.frame > 1400 && t.frame < 1500 && t.event == "onFrame";
    });
    ASSERT_FALSE(after.empty());
    EXPECT_LT(std::atof(after[0].substr(after[0].rfind(' ')).c_str()), 0.05) << after[0];

    // On screen: the spinner over the level during the pause (no bar yet), the board under its
    // bar, the Submit button red before and greyed after.
    EXPECT_GT(mismatches(r.path("spinner.png"), barPixels(" Easy Level Scores"), 0), 1000);
    EXPECT_EQ(mismatches(r.path("board.png"), barPixels(" Easy Level Scores"), 0), 0);
    EXPECT_EQ(mismatches(r.path("board.png"), pagePixels(seen[0].reply), 44), 0);
    EXPECT_GT(redSubmit(r.path("level.png")), 10) << "Submit in red before";
    EXPECT_EQ(redSubmit(r.path("back.png")), 0) << "Submit greyed after";

    // The same to a server that is down: an alert that says so, "Ok" back to the level, nothing
    // stored as submitted and Submit still red.
    relay.stop();
    const std::string again = dataWithBests({25});
    GameRun down = submitFromLevel(again, relay.url(), "Ok");
    ASSERT_EQ(down.result.status, 0) << down.result.stderr_text;
    EXPECT_GT(testrun::logFrame(down.trace, "The score server could not be reached."), 260);
    EXPECT_GT(testrun::logFrame(down.trace, "score 25 of level 0 not submitted"), 260);
    EXPECT_EQ(submittedIn(again, 0), 0);
    EXPECT_GT(redSubmit(down.path("back.png")), 10) << "Submit still red";
    EXPECT_GT(testrun::countBetween(down.trace, "onFrame", 1420, 1500), 50) << "in the level";
}

// No score server configured: the game serves the boards itself, from the data folder; one that
// cannot be read is moved aside and the boards start afresh.
TEST(OnlineGame, WithoutAServerTheBoardsAreServedFromTheDataFolder) {
    const std::string data = dataWithBests({25}), junk(3000, 'j');
    testrun::writeFile(data + "/scores.db", junk);
    GameRun r = submitFromLevel(data, "", "Back");
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
    EXPECT_EQ(testrun::logFrame(r.trace, "Error loading webpage"), -1) << r.result.stderr_text;
    EXPECT_GT(testrun::logFrame(r.trace, "score 25 of level 0 submitted"), 260);
    EXPECT_EQ(submittedIn(data, 0), 25);
    EXPECT_EQ(testrun::readFile(data + "/scores.db.unreadable"), junk);
    EXPECT_GT(testrun::logFrame(r.trace, "moved aside as"), 0);

    // The board the player saw is the one the reference server makes from that database: this
    // machine's player with the score just sent.
    testscores::Process server(FLINGO_SCORES_EXE, data + "/scores.db");
    auto reply =
        httplib::Client("127.0.0.1", server.port)
            .Post("/scores/submitScore", online::submissionBody(0, 25, 48.8, 2.3, deviceIn(data)),
                  "application/x-www-form-urlencoded");
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->body.find("Your best: <b>25</b>, rank 1"), std::string::npos) << reply->body;
    EXPECT_EQ(mismatches(r.path("board.png"), pagePixels(reply->body), 44), 0);
}

TEST(OnlineGame, EveryLevelsBoardOpensUnderItsTitleAndBackReturns) {
    testscores::Process server(FLINGO_SCORES_EXE, testrun::tempDir() + "/scores.db");
    Relay relay({Relay::Forward}, server.port);
    const std::string data = unlockedData();
    constexpr int FIRST = 200, EACH = 400;
    std::vector<std::pair<int, int>> rows;
    std::string back;
    std::vector<std::string> extra = {"--frames", std::to_string(FIRST + 5 * EACH),
                                      "--score-server", relay.url()};
    for (int i = 0; i < fg::LEVEL_COUNT; ++i) {
        rows.push_back({FIRST + i * EACH, i});
        back += std::to_string(FIRST + i * EACH + 330) + " press \"Back\"\n";
        extra.push_back("--screenshot");
        extra.push_back(std::to_string(FIRST + i * EACH + 300) + ":@board" + std::to_string(i) +
                        ".png");
    }
    GameRun r = runGame(data, boardsScript(rows) + back, extra);
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    EXPECT_EQ(story(r.trace, [](const TraceLine& t) { return t.event == "showScores"; }),
              (Story{"201 showScores 0", "601 showScores 1", "1001 showScores 2",
                     "1401 showScores 3", "1801 showScores 4"}));
    const auto seen = relay.exchanges();
    ASSERT_EQ(seen.size(), 5u) << r.result.stderr_text;
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE("level " + std::to_string(i));
        EXPECT_EQ(seen[i].body, online::boardBody(static_cast<int>(i), deviceIn(data)));
        std::string title = online::rankora_scoreboard_names[i];
        EXPECT_NE(seen[i].reply.find(title.substr(title.find_first_not_of(' '))),
                  std::string::npos);
        // Under its own title, the page the server sent.
        const std::string shot = r.path("board" + std::to_string(i) + ".png");
        EXPECT_EQ(mismatches(shot, barPixels(title), 0), 0);
        EXPECT_EQ(mismatches(shot, pagePixels(seen[i].reply), 44), 0);
        // Back worked: the game ticks again before the next board.
        const long t = FIRST + static_cast<long>(i) * EACH;
        EXPECT_EQ(testrun::countBetween(r.trace, "onFrame", t + 40, t + 330), 0);
        EXPECT_GT(testrun::countBetween(r.trace, "onFrame", t + 360, t + EACH), 20);
    }
}

// Board pages that never end, given up after 2 s of real time (long after the first shots, long
// before the "Ok" WAIT steps later): the Medium board's reply never comes, the Hard board's stops
// after its first rows. An alert says so over the page, "Ok" goes back to the score menu.
TEST(OnlineGame, PagesThatNeverEndShowWhatCameAndOkGoesBack) {
    Relay relay({Relay::Hang, Relay::Drip});
    constexpr int HANG = 200, WAIT = 4000, DRIP = HANG + WAIT + 300;
    const int shots[] = {5, 10, 20, 25, 30, 40, 80, 160, 320, 640, WAIT - 5};
    std::vector<std::string> extra = {"--frames", std::to_string(DRIP + WAIT + 100),
                                      "--score-server", relay.url()};
    for (int base : {HANG, DRIP})
        for (int n : shots)
            extra.insert(extra.end(), {"--screenshot", std::to_string(base + n) + ":@s" +
                                                           std::to_string(base + n) + ".png"});
    const std::string ok = std::to_string(HANG + WAIT) + " press \"Ok\"\n" +
                           std::to_string(DRIP + WAIT) + " press \"Ok\"\n";
    GameRun r = runGame(unlockedData(), boardsScript({{HANG, 1}, {DRIP, 2}}) + ok, extra,
                        {"FLINGO_HTTP_TIMEOUT=2"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
    const auto shot = [&](int step) { return r.path("s" + std::to_string(step) + ".png"); };

    for (auto [base, title] :
         {std::pair{HANG, " Medium Level Scores"}, {DRIP, " Hard Level Scores"}}) {
        SCOPED_TRACE(title);
        const long alert = testrun::logFrame(
            r.trace, "alert \"Error loading webpage\": The score server did not answer in time.",
            base);
        EXPECT_GT(alert, base) << r.result.stderr_text;
        EXPECT_LT(alert, base + WAIT);
        EXPECT_GE(testrun::logFrame(r.trace, "\"Ok\" tapped", base), base + WAIT);
        // The alert over the page: the dimmed screen still shows the bar's title.
        EXPECT_GT(mismatches(shot(base + WAIT - 5), barPixels(title), 0), 1000);
        // None under the page, again on the score menu after "Ok".
        EXPECT_EQ(testrun::countBetween(r.trace, "onFrame", base + 40, base + WAIT - 10), 0);
        EXPECT_GT(testrun::countBetween(r.trace, "onFrame", base + WAIT + 40, base + WAIT + 100),
                  30);
    }
    // Still waiting at the start: the placeholder page under the bar, the spinner turning.
    EXPECT_EQ(mismatches(shot(HANG + 25),
                         pagePixels("<body style=\"background-color:#000000;color:#07FF6D;\">"
                                    "<center><h1>loading...</h1></center></body>",
                                    150),
                         44),
              0);
    EXPECT_NE(testrun::readPng(shot(HANG + 25)).rgb, testrun::readPng(shot(HANG + 30)).rgb);
    // Before its last byte the dripping page is on screen with its pictures: the <img> at the
    // top left, the CSS background repeated across, the green first row under them (magenta and
    // green by their channels, dimmed or not: the alert may be up already).
    const auto magenta = [](long p) {
        return (p >> 16) > 2 * ((p >> 8) & 255) + 30 && (p & 255) > 2 * ((p >> 8) & 255) + 30;
    };
    int shown = 0;
    for (int n : shots) {
        const testrun::Png s = testrun::readPng(shot(DRIP + n));
        const long green = s.at(160, 100);
        shown += magenta(s.at(20, 54)) && magenta(s.at(300, 74)) &&
                 ((green >> 8) & 255) > 2 * ((green >> 16) + (green & 255)) + 30;
    }
    EXPECT_GT(shown, 0) << "no shot shows the first rows of the page";
}
