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
using testrun::tap;
using testrun::TraceLine;

namespace {

const char* const LOADING_HTML = "<body style=\"background-color:#000000;color:#07FF6D;\">"
                                 "<center><h1>loading...</h1></center></body>";

struct Exchange {
    std::string path, body, content_type;
    int status = 0;
    std::string reply;
};

// Stands at the address the game posts to. Forward: passes requests on to the score server and
// records both sides. The other modes answer by themselves.
class Relay : public testsrv::Http {
  public:
    enum Mode { Forward, Hang, Drip };

    explicit Relay(Mode mode, int target = 0) {
        svr.Post(R"(/.*)", [this, mode, target](const httplib::Request& req,
                                                httplib::Response& res) {
            if (mode == Forward) {
                httplib::Client c("127.0.0.1", target);
                c.set_read_timeout(10, 0);
                auto r = c.Post(req.path, req.body, req.get_header_value("Content-Type"));
                res.status = r ? r->status : 502;
                if (r) res.set_content(r->body, "text/html; charset=utf-8");
            } else if (mode == Drip) { // the first rows, then nothing more until the game gives up
                res.set_chunked_content_provider("text/html", [this](size_t, httplib::DataSink& s) {
                    s.write(DRIP_HEAD, strlen(DRIP_HEAD));
                    nap(60);
                    return false;
                });
            } else {
                return nap(60);
            }
            std::lock_guard<std::mutex> hold(lock);
            seen.push_back(
                {req.path, req.body, req.get_header_value("Content-Type"), res.status, res.body});
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
    std::mutex lock;
    std::vector<Exchange> seen;
};

int submittedIn(const std::string& dir, int level) {
    useDataFolder(dir);
    const int s = fg::scores::readSubmitted(level);
    evt::publish("onShutdown");
    return s;
}

// Bests that unlock every level.
std::vector<int> unlockingBests() {
    std::vector<int> b;
    for (int i = 0; i < fg::LEVEL_COUNT; ++i)
        b.push_back(std::max(level(i).unlockScore, 1) + 3 + i);
    return b;
}

// Pixels of the screenshot's rows [y0, y0 + rows) that differ by more than 8 from an RGBA
// picture of width 320 whose row 0 lies at screen row y0 (-1: no screenshot).
int mismatches(const std::string& shot, const std::vector<uint8_t>& rgba, int y0, int rows) {
    const testrun::Png png = testrun::readPng(shot);
    if (png.w != 320) return -1;
    int bad = 0;
    for (int i = 0; i < rows * 320; ++i) {
        const long want = (long(rgba[i * 4]) << 16) | (rgba[i * 4 + 1] << 8) | rgba[i * 4 + 2];
        bad += !testrun::near(png.at(i % 320, y0 + i / 320), want, 8);
    }
    return bad;
}

// Pure red pixels (the active Submit button's colour) in a box around a screen point.
int redPixels(const std::string& shot, int cx, int cy) {
    const testrun::Png png = testrun::readPng(shot);
    int n = 0;
    for (int y = cy - 10; y <= cy + 10; ++y)
        for (int x = cx - 28; x <= cx + 28; ++x) {
            const long p = png.at(x, y);
            n += p >= 0 && (p >> 16) > 150 && ((p >> 8) & 255) < 60 && (p & 255) < 60;
        }
    return n;
}

std::vector<uint8_t> barPixels(const std::string& title) {
    panel::Image img;
    panel::Rect back;
    panel::navBar(title, "Back", img, back);
    return img.rgba;
}

std::vector<uint8_t> pagePixels(const std::string& html, int rows) {
    page::Page* p = page::create(html, 320);
    std::vector<uint8_t> px;
    page::draw(p, 0, rows, px);
    page::destroy(p);
    return px;
}

} // namespace

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

TEST(OnlineGame, SubmissionFromALevelPostsEveryFieldAndShowsTheBoard) {
    testscores::Process server(FLINGO_SCORES_EXE, testrun::tempDir() + "/scores.db");
    Relay relay(Relay::Forward, server.port);
    const std::string data = dataWithBests({25});
    GameRun r = submitFromLevel(data, relay.url(), "Back");
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
    const fg::LevelInfo& l0 = level(0);

    // The prompt answered "No" posts nothing; the one answered "Yes" does.
    const auto posts = testrun::events(r.trace, "postScore");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].frame, 210);

    // What the server got: the best, the given position and this machine's id, and it took it.
    const auto seen = relay.exchanges();
    ASSERT_EQ(seen.size(), 1u) << r.result.stderr_text;
    EXPECT_EQ(seen[0].path, "/scores/submitScore");
    EXPECT_EQ(seen[0].content_type, "application/x-www-form-urlencoded");
    ASSERT_FALSE(deviceIn(data).empty());
    EXPECT_EQ(seen[0].body, online::submissionBody(0, 25, 48.8, 2.3, deviceIn(data)));
    EXPECT_EQ(seen[0].status, 200) << seen[0].reply;
    EXPECT_NE(seen[0].reply.find("Score submitted!"), std::string::npos);
    EXPECT_NE(testrun::readFile(r.path("a.jsonl")).find("\"post_score_level_0\""),
              std::string::npos);

    // "submitted" stored once the server took it. A known position does not wait: the page is
    // up right after the 1 s pause (step 260), the game stopped ticking under it and started
    // again after Back.
    EXPECT_EQ(submittedIn(data, 0), 25);
    EXPECT_GT(testrun::logFrame(r.trace, "score 25 of level 0 submitted"), 260);
    EXPECT_GT(testrun::countBetween(r.trace, "onFrame", 215, 255), 30) << "ticks in the pause";
    EXPECT_EQ(testrun::countBetween(r.trace, "onFrame", 300, 1400), 0) << "none under the page";
    EXPECT_GT(testrun::countBetween(r.trace, "onFrame", 1420, 1500), 50) << "again after Back";
    // Back to the game's view, the game is not activated again (its menu's sounds not reloaded).
    EXPECT_EQ(testrun::countBetween(r.trace, "preloadSound", 1400, 1500), 0);
    for (const TraceLine& t : testrun::events(r.trace, "onFrame"))
        if (t.frame > 1400) { // no jump for the time spent on the page
            EXPECT_LT(std::atof(t.payload.c_str()), 0.05) << "first tick after at " << t.frame;
            break;
        }

    // On screen: the spinner on its dark plate in the middle during the pause, the board under
    // its bar, the Submit button greyed after.
    const testrun::Png wait = testrun::readPng(r.path("spinner.png"));
    int light = 0; // the spokes, whichever way the spinner has turned
    for (int y = 222; y < 258; ++y)
        for (int x = 142; x < 178; ++x)
            light +=
                wait.at(x, y) >= 0 && (wait.at(x, y) >> 16) > 200 && (wait.at(x, y) & 255) > 200;
    EXPECT_GT(light, 40) << "no spinner";
    EXPECT_TRUE(testrun::near(wait.at(100, 290), 0x282828, 40)) << "no dark plate";
    EXPECT_EQ(mismatches(r.path("board.png"), barPixels(" Easy Level Scores"), 0, 44), 0);
    EXPECT_EQ(mismatches(r.path("board.png"), pagePixels(seen[0].reply, 436), 44, 436), 0);
    const int sx = static_cast<int>(l0.hudSubmitPos.x),
              sy = 480 - static_cast<int>(l0.hudSubmitPos.y);
    EXPECT_GT(redPixels(r.path("level.png"), sx, sy), 10) << "Submit in red before";
    EXPECT_EQ(redPixels(r.path("back.png"), sx, sy), 0) << "Submit greyed after";
    // The page was not up yet during the pause: the spinner over the level, no bar.
    EXPECT_GT(mismatches(r.path("spinner.png"), barPixels(" Easy Level Scores"), 0, 44), 1000);

    // The same to a server that is down: an alert that says so, "Ok" back to the level, nothing
    // stored as submitted and Submit still red.
    relay.stop();
    const std::string again = dataWithBests({25});
    GameRun down = submitFromLevel(again, relay.url(), "Ok");
    ASSERT_EQ(down.result.status, 0) << down.result.stderr_text;
    EXPECT_GT(testrun::logFrame(down.trace, "The score server could not be reached."), 260);
    EXPECT_GT(testrun::logFrame(down.trace, "score 25 of level 0 not submitted"), 260);
    EXPECT_EQ(submittedIn(again, 0), 0);
    EXPECT_GT(redPixels(down.path("back.png"), sx, sy), 10) << "Submit still red";
    EXPECT_GT(testrun::countBetween(down.trace, "onFrame", 1420, 1500), 50) << "in the level";
}

// No score server configured: the game serves the boards itself, from the data folder. A
// database that cannot be read is moved aside and the boards start afresh.
TEST(OnlineGame, WithoutAServerTheBoardsAreServedFromTheDataFolder) {
    for (bool damaged : {false, true}) {
        SCOPED_TRACE(damaged ? "damaged database" : "fresh data folder");
        const std::string data = dataWithBests({25});
        const std::string junk(3000, 'j');
        if (damaged) testrun::writeFile(data + "/scores.db", junk);
        GameRun r = submitFromLevel(data, "", "Back");
        ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
        EXPECT_EQ(testrun::logFrame(r.trace, "Error loading webpage"), -1) << r.result.stderr_text;
        EXPECT_GT(testrun::logFrame(r.trace, "score 25 of level 0 submitted"), 260);
        EXPECT_EQ(submittedIn(data, 0), 25);
        EXPECT_EQ(testrun::readFile(data + "/scores.db.unreadable"), damaged ? junk : "");
        EXPECT_EQ(testrun::logFrame(r.trace, "moved aside as") > 0, damaged);

        // The board the player saw is the one the reference server makes from that database:
        // this machine's player with the score just sent.
        testscores::Process server(FLINGO_SCORES_EXE, data + "/scores.db");
        auto reply = httplib::Client("127.0.0.1", server.port)
                         .Post("/scores/submitScore",
                               online::submissionBody(0, 25, 48.8, 2.3, deviceIn(data)),
                               "application/x-www-form-urlencoded");
        ASSERT_TRUE(reply);
        EXPECT_NE(reply->body.find("Your best: <b>25</b>, rank 1"), std::string::npos)
            << reply->body;
        EXPECT_EQ(mismatches(r.path("board.png"), pagePixels(reply->body, 436), 44, 436), 0);
    }
}

TEST(OnlineGame, EveryLevelsBoardOpensUnderItsTitleAndBackReturns) {
    testscores::Process server(FLINGO_SCORES_EXE, testrun::tempDir() + "/scores.db");
    Relay relay(Relay::Forward, server.port);
    const std::string data = dataWithBests(unlockingBests());
    constexpr int FIRST = 200, EACH = 400;
    const Vector2<int> scores = fg::menu_info.scoresButtonPos;
    std::string script = tap(130, static_cast<float>(scores.x), static_cast<float>(scores.y));
    std::vector<std::string> extra = {"--frames", std::to_string(FIRST + 5 * EACH),
                                      "--score-server", relay.url()};
    for (int i = 0; i < fg::LEVEL_COUNT; ++i) {
        const int t = FIRST + i * EACH;
        const Vector2<int> row = level(i).scoreRowPos;
        script += tap(t, static_cast<float>(row.x), static_cast<float>(row.y));
        script += std::to_string(t + 330) + " press \"Back\"\n";
        extra.push_back("--screenshot");
        extra.push_back(std::to_string(t + 300) + ":@board" + std::to_string(i) + ".png");
    }
    GameRun r = runGame(data, script, extra);
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    const auto asked = testrun::events(r.trace, "showScores");
    ASSERT_EQ(asked.size(), 5u);
    const auto seen = relay.exchanges();
    ASSERT_EQ(seen.size(), 5u) << r.result.stderr_text;
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE("level " + std::to_string(i));
        EXPECT_EQ(asked[i].payload, std::to_string(i));
        const Exchange& x = seen[i];
        EXPECT_EQ(x.path, "/users/profile");
        EXPECT_EQ(x.content_type, "application/x-www-form-urlencoded");
        EXPECT_EQ(x.body, online::boardBody(static_cast<int>(i), deviceIn(data)));
        EXPECT_EQ(x.status, 200) << x.reply;
        std::string title = online::rankora_scoreboard_names[i];
        EXPECT_NE(x.reply.find(title.substr(title.find_first_not_of(' '))), std::string::npos);

        const std::string shot = r.path("board" + std::to_string(i) + ".png");
        EXPECT_EQ(mismatches(shot, barPixels(title), 0, 44), 0);
        // Another level's title would not match.
        EXPECT_GT(mismatches(shot, barPixels(online::rankora_scoreboard_names[(i + 1) % 5]), 0, 44),
                  20);
        EXPECT_EQ(mismatches(shot, pagePixels(x.reply, 436), 44, 436), 0);
        // Back worked: the game ticks again before the next board.
        const long t = FIRST + static_cast<long>(i) * EACH;
        EXPECT_EQ(testrun::countBetween(r.trace, "onFrame", t + 40, t + 330), 0);
        EXPECT_GT(testrun::countBetween(r.trace, "onFrame", t + 360, t + EACH), 20);
    }
}

namespace {

// Board pages that go wrong. (Which failure says what is checked against the network layer in
// the online tests; here, that the game shows it and goes on.)
struct Trouble {
    const char* name;
    Relay::Mode mode;
    bool down;         // nothing listens at the address
    const char* alert; // part of the alert's message
};

// Listings and failures name the case rather than print its bytes.
void PrintTo(const Trouble& t, std::ostream* os) {
    *os << t.name;
}

class OnlineTrouble : public testing::TestWithParam<Trouble> {};

} // namespace

TEST_P(OnlineTrouble, ErrorAlertOrPageTheLoopRunsAndOkGoesBack) {
    const Trouble& c = GetParam();
    const std::string data = dataWithBests(unlockingBests());
    Relay relay(c.mode);
    if (c.down) relay.stop();
    const Vector2<int> row = level(1).scoreRowPos;
    const Vector2<int> scores = fg::menu_info.scoresButtonPos;
    // A reply that never comes is given up in real time; leave it plenty of steps.
    const int wait = c.mode == Relay::Hang || c.mode == Relay::Drip ? 4000 : 600;
    std::string script = tap(130, static_cast<float>(scores.x), static_cast<float>(scores.y));
    script += tap(200, static_cast<float>(row.x), static_cast<float>(row.y));
    script += std::to_string(200 + wait) + " press \"Ok\"\n";
    std::vector<std::string> extra = {"--frames",       std::to_string(300 + wait),
                                      "--score-server", relay.url(),
                                      "--screenshot",   std::to_string(195 + wait) + ":@late.png"};
    // While a page drips in: shots spread from just after the tap to well into the wait.
    const int shots[] = {205, 210, 220, 225, 230, 240, 280, 360, 520, 840};
    for (int n : shots)
        extra.insert(extra.end(),
                     {"--screenshot", std::to_string(n) + ":@s" + std::to_string(n) + ".png"});
    // Given up after 2 s of real time: long after the first shots, long before step 200 + wait.
    GameRun r = runGame(data, script, extra, {"FLINGO_HTTP_TIMEOUT=2"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    ASSERT_GT(testrun::logFrame(r.trace, "alert \"Error loading webpage\""), 200)
        << r.result.stderr_text;
    EXPECT_GE(testrun::logFrame(r.trace, "webpage\": " + std::string(c.alert), 200), 200);
    EXPECT_GE(testrun::logFrame(r.trace, "\"Ok\" tapped", 200), 200 + wait);
    // The alert over the page: the dimmed screen still shows the bar's title.
    EXPECT_GT(mismatches(r.path("late.png"), barPixels(" Medium Level Scores"), 0, 44), 1000);
    if (c.mode == Relay::Hang) {
        // Still waiting at the start: the placeholder page under the bar, the spinner turning.
        EXPECT_EQ(mismatches(r.path("s225.png"), pagePixels(LOADING_HTML, 150), 44, 150), 0);
        const testrun::Png a = testrun::readPng(r.path("s225.png"));
        EXPECT_FALSE(a.rgb.empty());
        EXPECT_NE(a.rgb, testrun::readPng(r.path("s230.png")).rgb) << "the spinner turns";
    }
    if (c.mode == Relay::Drip) {
        // Before its last byte the page is on screen with its pictures: the <img> at the top
        // left, the CSS background repeated across, the green first row under them (magenta and
        // green by their channels, dimmed or not: the alert may be up already).
        const auto magenta = [](long p) {
            return (p >> 16) > 2 * ((p >> 8) & 255) + 30 && (p & 255) > 2 * ((p >> 8) & 255) + 30;
        };
        int shown = 0;
        for (int n : shots) {
            const testrun::Png shot = testrun::readPng(r.path("s" + std::to_string(n) + ".png"));
            const long green = shot.at(160, 100);
            shown += magenta(shot.at(20, 54)) && magenta(shot.at(300, 74)) &&
                     ((green >> 8) & 255) > 2 * ((green >> 16) + (green & 255)) + 30;
        }
        EXPECT_GT(shown, 0) << "no shot shows the first rows of the page";
    }
    // "Ok" took the player to the score menu: the game ticks again.
    EXPECT_GT(testrun::countBetween(r.trace, "onFrame", 240 + wait, 300 + wait), 30);
    EXPECT_EQ(testrun::countBetween(r.trace, "onFrame", 240, 190 + wait), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, OnlineTrouble,
    testing::Values(
        Trouble{"ServerDown", Relay::Forward, true, "The score server could not be reached."},
        Trouble{"NeverReplies", Relay::Hang, false, "The score server did not answer in time."},
        Trouble{"DripsAndStops", Relay::Drip, false, "The score server did not answer in time."}),
    [](const testing::TestParamInfo<Trouble>& i) { return std::string(i.param.name); });
