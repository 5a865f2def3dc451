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

#include <mutex>

using namespace e2e;

namespace {

const char* const ROWS[] = {"Easy", "Medium", "Hard", "Airport", "Basement"};

// Stands at the address the game posts to. With a target port it passes requests on to the score
// server there and records both sides (what the game sent, what it got); without, it sends a
// page's first rows, then nothing more.
class Relay : public testsrv::Http {
  public:
    explicit Relay(int target = 0) {
        svr.Post(R"(/.*)", [this, target](const httplib::Request& req, httplib::Response& res) {
            if (target == 0)
                return res.set_chunked_content_provider("text/html",
                                                        [this](size_t, httplib::DataSink& s) {
                                                            nap(1.5); // the placeholder meanwhile
                                                            s.write(DRIP_HEAD, strlen(DRIP_HEAD));
                                                            nap(60);
                                                            return false;
                                                        });
            auto r = httplib::Client("127.0.0.1", target)
                         .Post(req.path, req.body, req.get_header_value("Content-Type"));
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

    // The start of a dripping page: a 40 x 20 magenta picture, a band with the picture as its
    // CSS background repeated across, and a green first row.
    static constexpr const char* DRIP_HEAD =
        "<body style='margin:0;background:#000'><img src='/pic.png' style='display:block'>"
        "<div style='height:20px;background:url(/pic.png) repeat-x'></div>"
        "<div style='height:30px;background:#00ff00'></div>";
    std::mutex lock;
    std::vector<std::pair<std::string, std::string>> seen;
};

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
        bad += !near(png.at(i % 320, y0 + i / 320), want, 8);
    }
    return bad;
}

} // namespace

// Through a relay to the reference server, to a server that is down, and with none configured
// (the game then serves the boards itself from the data folder, moving one that cannot be read
// aside), from the first level with a best of 25: "No" to the first prompt, "Yes" to the second
// at step 210 (a 1 s pause under the spinner, then the page at once), at step 1400 "Back" under
// the board or "Ok" under the error. "submitted" is stored only once a server took the score,
// and the level ticks again. Through the relay, the run goes on to the score menu and opens each
// level's board in turn, Back after a look.
TEST(OnlineGame, SubmissionsToAServerToOneDownAndToNoneThenEveryLevelsBoard) {
    testscores::Process server(FLINGO_SCORES_EXE, testrun::tempDir() + "/scores.db");
    Relay relay(server.port), down;
    down.stop();
    const std::string junk(3000, 'j'),
        data[] = {dataWithBest(25), dataWithBest(25), dataWithBest(25)};
    testrun::writeFile(data[2] + "/scores.db", junk);
    const std::vector<std::string> shots = {
        "--frames",     "1500",           "--location",       "48.8,2.3",      "--analytics-log",
        "@a.jsonl",     "--screenshot",   "240:@spinner.png", "--screenshot",  "1300:@board.png",
        "--screenshot", "165:@level.png", "--screenshot",     "1480:@back.png"};
    std::vector<std::string> extra[] = {shots, shots, shots};
    extra[1].insert(extra[1].end(), {"--score-server", down.url()});
    // The relay's run goes on (its --frames wins) and opens every board in turn from the menu.
    constexpr int FIRST = 1600, EACH = 400;
    std::string boards = "1500 key escape\n1530 press \"Scores\"\n";
    extra[0].insert(extra[0].end(), {"--frames", "3600", "--score-server", relay.url()});
    for (int i = 0, t = FIRST; i < fg::LEVEL_COUNT; ++i, t += EACH) {
        boards += std::to_string(t) + " press \"" + ROWS[i] + "\"\n" + std::to_string(t + 330) +
                  " press \"Back\"\n";
        extra[0].insert(extra[0].end(), {"--screenshot", std::to_string(t + 300) + ":@board" +
                                                             std::to_string(i) + ".png"});
    }
    std::vector<GameRun> runs;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        runs.push_back(runGame(data[i],
                               "130 press \"Easy\"\n170 press \"Submit\"\n180 press \"No\"\n200 "
                               "press \"Submit\"\n210 press \"Yes\"\n1400 press \"" +
                                   std::string(i == 1 ? "Ok" : "Back") + "\"\n" +
                                   (i == 0 ? boards : ""),
                               extra[i]));
        EXPECT_GT(logFrame(runs[i].trace, i == 1 ? "score 25 of level 0 not submitted"
                                                 : "score 25 of level 0 submitted"),
                  260);
        EXPECT_EQ(stored(data[i], 0, true), i == 1 ? 0 : 25);
        EXPECT_GT(countBetween(runs[i].trace, "onFrame", 1420, 1500), 50);
        // The Submit button red while the score is unsent, greyed once a server took it.
        EXPECT_EQ(redPixels(runs[i].path("back.png"), 12, 110, 69, 131) > 10, i == 1);
    }
    EXPECT_GT(logFrame(runs[1].trace, "The score server could not be reached."), 260);
    EXPECT_EQ(logFrame(runs[2].trace, "Error loading webpage"), -1);
    EXPECT_EQ(testrun::readFile(data[2] + "/scores.db.unreadable"), junk);
    EXPECT_GT(logFrame(runs[2].trace, "moved aside as"), 0);

    // The prompt answered "No" posts nothing; the one answered "Yes" does. The server got the
    // best, the given position and this machine's id, and took it.
    const GameRun& r = runs[0];
    EXPECT_EQ(story(r.trace, [](const TraceLine& t) { return t.event == "postScore"; }),
              Story{"210 postScore null"});
    relay.stop(); // its handlers are done: what they recorded may be read
    const auto& seen = relay.seen;
    ASSERT_EQ(seen.size(), 6u) << r.result.stderr_text;
    EXPECT_EQ(seen[0].first, online::submissionBody(0, 25, 48.8, 2.3, deviceIn(data[0])));
    EXPECT_NE(seen[0].second.find("Score submitted!"), std::string::npos);
    EXPECT_NE(testrun::readFile(r.path("a.jsonl")).find("\"post_score_level_0\""),
              std::string::npos);

    // A known position does not wait: the page is up right after the 1 s pause (step 260), the
    // game stopped ticking under it and started again after Back, not activated again (its
    // menu's sounds not reloaded), and with no jump for the time spent on the page.
    EXPECT_GT(countBetween(r.trace, "onFrame", 215, 255), 30) << "ticks in the pause";
    EXPECT_EQ(countBetween(r.trace, "onFrame", 300, 1400), 0) << "none under the page";
    EXPECT_EQ(countBetween(r.trace, "preloadSound", 1400, 1500), 0);
    const auto after = std::find_if(r.trace.begin(), r.trace.end(), [](const TraceLine& t) {
        return t.frame > 1400 && t.event == "onFrame";
    });
    ASSERT_TRUE(after != r.trace.end() && after->frame < 1500);
    EXPECT_LT(std::atof(after->payload.c_str()), 0.05) << after->frame;

    // On screen: Submit red before, the spinner over the level during the pause (no bar yet),
    // then the board under its bar.
    EXPECT_GT(redPixels(r.path("level.png"), 12, 110, 69, 131), 10);
    EXPECT_GT(mismatches(r.path("spinner.png"), barPixels(" Easy Level Scores"), 0), 1000);
    EXPECT_EQ(mismatches(r.path("board.png"), barPixels(" Easy Level Scores"), 0), 0);
    EXPECT_EQ(mismatches(r.path("board.png"), pagePixels(seen[0].second), 44), 0);

    // Every level's board under its own title, the page the server sent; Back worked: the game
    // ticks again before the next board.
    EXPECT_EQ(story(r.trace, [](const TraceLine& t) { return t.event == "showScores"; }),
              (Story{"1600 showScores 0", "2000 showScores 1", "2400 showScores 2",
                     "2800 showScores 3", "3200 showScores 4"}));
    for (int i = 0; i < fg::LEVEL_COUNT; ++i) {
        SCOPED_TRACE("level " + std::to_string(i));
        EXPECT_EQ(seen[i + 1].first, online::boardBody(i, deviceIn(data[0])));
        const std::string shot = r.path("board" + std::to_string(i) + ".png");
        EXPECT_EQ(mismatches(shot, barPixels(online::rankora_scoreboard_names[i]), 0), 0);
        EXPECT_EQ(mismatches(shot, pagePixels(seen[i + 1].second), 44), 0);
        const long t = FIRST + static_cast<long>(i) * EACH;
        EXPECT_EQ(countBetween(r.trace, "onFrame", t + 40, t + 330), 0);
        EXPECT_GT(countBetween(r.trace, "onFrame", t + 360, t + EACH), 20);
    }
}

// A board page whose first rows come 1.5 s after the request and no more, given up after 3.5 s
// of real time. The steps run as fast as they can, so nothing waits for a step: the shots are
// spread so that some fall between the first rows and the end, "Ok" is pressed every 50 steps
// (with no "Ok" on screen, a press is only said), and the run ends by SIGTERM after 30 s.
TEST(OnlineGame, APageThatStopsShowsWhatCameAndOkGoesBack) {
    Relay relay;
    std::string script = "130 press \"Scores\"\n200 press \"Medium\"\n";
    for (int n = 250; n < 1000000; n += 50)
        script += std::to_string(n) + " press \"Ok\"\n";
    std::vector<int> shots = {225, 230};
    for (int n = 240; n < 50000; n += n / 4)
        shots.push_back(n);
    std::vector<std::string> extra = {"--score-server", relay.url()};
    for (int n : shots)
        extra.insert(extra.end(),
                     {"--screenshot", std::to_string(n) + ":@s" + std::to_string(n) + ".png"});
    GameRun r = runGame(
        testrun::tempDir(), script, extra,
        {"FLINGO_HTTP_TIMEOUT=3.5", "/usr/bin/timeout", "--preserve-status", "-s", "TERM", "30"});

    // An alert says so; "Ok" goes back to the score menu: no ticks under the page, again after.
    const long alert = logFrame(r.trace, "alert \"Error loading webpage\": The score server did "
                                         "not answer in time.");
    const long ok = logFrame(r.trace, "alert \"Error loading webpage\": \"Ok\" tapped");
    EXPECT_GT(alert, 200);
    EXPECT_GT(ok, alert);
    EXPECT_EQ(countBetween(r.trace, "onFrame", 240, ok), 0);
    EXPECT_GT(countBetween(r.trace, "onFrame", ok, ok + 60), 30);
    // Before the first bytes: the placeholder page under the bar, the spinner turning.
    const std::string placeholder = "<body style=\"background-color:#000000;color:#07FF6D;\">"
                                    "<center><h1>loading...</h1></center></body>";
    EXPECT_EQ(mismatches(r.path("s225.png"), pagePixels(placeholder, 150), 44), 0);
    EXPECT_NE(testrun::readPng(r.path("s225.png")).rgb, testrun::readPng(r.path("s230.png")).rgb);
    // Before its last byte the page is on screen with its pictures: the <img> at the top left,
    // the CSS background repeated across, the green first row under them (magenta and green by
    // their channels, dimmed or not: the alert may be up already).
    const auto magenta = [](long p) {
        return (p >> 16) > 2 * ((p >> 8) & 255) + 30 && (p & 255) > 2 * ((p >> 8) & 255) + 30;
    };
    int shown = 0;
    for (int n : shots) {
        const testrun::Png s = testrun::readPng(r.path("s" + std::to_string(n) + ".png"));
        const long green = s.at(160, 100);
        shown += magenta(s.at(20, 54)) && magenta(s.at(300, 74)) &&
                 ((green >> 8) & 255) > 2 * ((green >> 16) + (green & 255)) + 30;
    }
    EXPECT_GT(shown, 0) << "no shot shows the first rows of the page";
}
