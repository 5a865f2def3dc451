// SPDX-License-Identifier: MIT
// The whole game, headless, against the reference score server on 127.0.0.1: a submission from
// a level, every level's board, and pages that go wrong. A relay of ours stands between the game
// and the server, recording what the game sends and what it gets, or misbehaving on purpose.
// Replies come in real time while the headless steps run as fast as they can, so the scripts
// leave the network hundreds of steps.
#include "../support/scores_server.h"
#include "core/evt.h"
#include "core/platform.h"
#include "game/level_defs.h"
#include "online/boards.h"
#include "online/page.h"
#include "ui/panel.h"
#include "online/submission.h"
#include "save/savedata.h"
#include "save/scores.h"
#include "testrun.h"

#include <httplib.h>

#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <png.h>
#include <thread>

using testrun::TraceLine;

namespace {

const std::string resources = std::string(FLINGO_BUILD_DIR) + "/resources";
const char* const LOADING_HTML = "<body style=\"background-color:#000000;color:#07FF6D;\">"
                                 "<center><h1>loading...</h1></center></body>";

// The reference server on a free port with a fresh database.
struct ScoreServer : testscores::Process {
    ScoreServer() : Process(FLINGO_SCORES_EXE, testrun::tempDir() + "/scores.db") {}
};

struct Exchange {
    std::string path, body, content_type;
    int status = 0;
    std::string reply;
};

// Stands at the address the game posts to. Forward: passes requests on to the score server and
// records both sides. The other modes answer by themselves.
class Relay {
  public:
    enum Mode { Forward, Empty500, Garbage, Huge, HugeHeader, Hang, Drip };

    explicit Relay(Mode m, int target = 0) : mode(m), target_port(target) {
        auto handle = [this](const httplib::Request& req, httplib::Response& res) {
            Exchange x{req.path, req.body, req.get_header_value("Content-Type"), 0, ""};
            switch (mode) {
            case Forward: {
                httplib::Client c("127.0.0.1", target_port);
                c.set_read_timeout(10, 0);
                if (auto r = c.Post(req.path.c_str(), req.body,
                                    req.get_header_value("Content-Type").c_str())) {
                    res.status = r->status;
                    res.set_content(r->body, "text/html; charset=utf-8");
                } else {
                    res.status = 502;
                }
                break;
            }
            case Empty500:
                res.status = 500;
                break;
            case Garbage:
                for (uint32_t v = 12345, i = 0; i < 3000; ++i)
                    res.body += static_cast<char>((v = v * 1103515245u + 12345u) >> 24);
                res.set_header("Content-Type", "text/html");
                break;
            case Huge:
                res.set_content(std::string(5 * 1024 * 1024, 'x'), "text/html");
                break;
            case HugeHeader:
                res.set_header("X-Filler", std::string(1 << 20, 'h'));
                res.set_content("<body>x</body>", "text/html");
                break;
            case Drip: // the first rows, then nothing more until the game gives up
                res.set_chunked_content_provider("text/html", [this](size_t, httplib::DataSink& s) {
                    s.write(DRIP_HEAD, strlen(DRIP_HEAD));
                    while (!stopping)
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    return false;
                });
                break;
            case Hang:
                while (!stopping)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return;
            }
            x.status = res.status;
            x.reply = res.body;
            std::lock_guard<std::mutex> hold(lock);
            seen.push_back(x);
        };
        svr.Post(R"(/.*)", handle);
        svr.Get("/pic.png", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(picture(), "image/png");
        });
        port = svr.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { svr.listen_after_bind(); });
        // A stop before the server runs would be lost and the join would wait for ever.
        while (!svr.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Relay() {
        stopping = true;
        svr.stop();
        thread.join();
    }
    std::vector<Exchange> exchanges() {
        std::lock_guard<std::mutex> hold(lock);
        return seen;
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port); }

    // The start of a dripping page: a picture, a band with the picture as its CSS background
    // repeated across, and a green first row.
    static constexpr const char* DRIP_HEAD =
        "<body style='margin:0;background:#000'><img src='/pic.png' style='display:block'>"
        "<div style='height:20px;background:url(/pic.png) repeat-x'></div>"
        "<div style='height:30px;background:#00ff00'></div>";
    // A 40 x 20 magenta PNG.
    static std::string picture() {
        std::vector<uint8_t> rgb(40 * 20 * 3);
        for (size_t i = 0; i < rgb.size(); i += 3)
            rgb[i] = 255, rgb[i + 1] = 0, rgb[i + 2] = 255;
        png_image img{};
        img.version = PNG_IMAGE_VERSION;
        img.width = 40, img.height = 20, img.format = PNG_FORMAT_RGB;
        std::string out(4096, '\0');
        png_alloc_size_t n = out.size();
        if (!png_image_write_to_memory(&img, out.data(), &n, 0, rgb.data(), 0, nullptr)) n = 0;
        out.resize(n);
        return out;
    }

    Mode mode;
    int target_port;
    httplib::Server svr;
    int port = 0;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::mutex lock;
    std::vector<Exchange> seen;
};

std::map<std::string, std::string> formFields(const std::string& body) {
    std::map<std::string, std::string> out;
    for (size_t at = 0; at < body.size();) {
        const size_t amp = std::min(body.find('&', at), body.size()), eq = body.find('=', at);
        out[body.substr(at, std::min(eq, amp) - at)] =
            eq < amp ? body.substr(eq + 1, amp - eq - 1) : "";
        at = amp + 1;
    }
    return out;
}

void useDataFolder(const std::string& dir) {
    platform::setBasePath((resources + "/").c_str());
    platform::setDataPath((dir + "/").c_str());
    savedata::load();
    fg::scores::init();
}

// A data folder with the given best scores (unsent), the tutorial already seen.
std::string dataWithBests(const std::vector<int>& bests) {
    const std::string dir = testrun::tempDir();
    useDataFolder(dir);
    for (size_t i = 0; i < bests.size(); ++i)
        fg::scores::saveBest(bests[i], static_cast<int>(i));
    savedata::write(true, "tutorial_shown");
    savedata::save();
    evt::publish("onShutdown");
    return dir;
}

int submittedIn(const std::string& dir, int level) {
    useDataFolder(dir);
    const int s = fg::scores::readSubmitted(level);
    evt::publish("onShutdown");
    return s;
}

// Bests that unlock every level.
std::vector<int> unlockingBests() {
    fg::initializeData();
    std::vector<int> b;
    for (int i = 0; i < fg::LEVEL_COUNT; ++i)
        b.push_back(std::max(fg::level_info[i].unlockScore, 1) + 3 + i);
    return b;
}

struct GameRun {
    std::string dir;
    testrun::Result result;
    std::vector<TraceLine> trace;
    std::string path(const std::string& name) const { return dir + "/" + name; }
};

// Runs the game headless; "@" in an argument stands for the run's own folder.
GameRun runGame(const std::string& data, const std::string& script, std::vector<std::string> extra,
                const std::vector<std::string>& env = {}) {
    GameRun r;
    r.dir = testrun::tempDir();
    testrun::writeFile(r.path("s.txt"), script);
    std::vector<std::string> argv = {"/usr/bin/env"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.insert(argv.end(), {FLINGO_EXE, "--headless", "--seed", "7", "--data-dir", data,
                             "--script", "@s.txt", "--trace", "@t.jsonl"});
    argv.insert(argv.end(), extra.begin(), extra.end());
    for (std::string& a : argv)
        if (size_t at = a.find('@'); at != std::string::npos) a.replace(at, 1, r.dir + "/");
    r.result = testrun::run(argv, 300);
    r.trace = testrun::readTrace(r.path("t.jsonl"));
    return r;
}

std::string tap(int n, float x, float y) {
    const std::string p = std::to_string(x) + " " + std::to_string(480 - y) + "\n";
    return std::to_string(n) + " down " + p + std::to_string(n + 1) + " up " + p;
}

long countBetween(const std::vector<TraceLine>& t, const std::string& event, long from, long to) {
    long n = 0;
    for (const TraceLine& l : t)
        if (l.event == event && l.frame > from && l.frame < to) ++n;
    return n;
}
long logFrame(const std::vector<TraceLine>& t, const std::string& part, long from = 0) {
    for (const TraceLine& l : t)
        if (l.event.empty() && l.frame >= from && l.log.find(part) != std::string::npos)
            return l.frame;
    return -1;
}

// A 320 x 480 PNG screenshot as RGB rows, row 0 at the top; empty when unreadable.
std::vector<uint8_t> readRgb(const std::string& path) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> rgb;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return rgb;
    img.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr) || img.width != 320 ||
        img.height != 480)
        rgb.clear();
    return rgb;
}

// Pixels of the screenshot's rows [y0, y0 + rows) that differ by more than 8 from an RGBA
// picture of width 320 whose row 0 lies at screen row y0 (-1: no screenshot).
int mismatches(const std::string& shot, const std::vector<uint8_t>& rgba, int y0, int rows) {
    const std::vector<uint8_t> rgb = readRgb(shot);
    if (rgb.empty()) return -1;
    int bad = 0;
    for (int i = 0; i < rows * 320; ++i)
        for (int c = 0; c < 3; ++c)
            if (std::abs(rgb[(static_cast<size_t>(y0) * 320 + i) * 3 + c] - rgba[i * 4 + c]) > 8) {
                ++bad;
                break;
            }
    return bad;
}

// Pure red pixels (the active Submit button's colour) in a box around a screen point.
int redPixels(const std::string& shot, int cx, int cy) {
    const std::vector<uint8_t> rgb = readRgb(shot);
    if (rgb.empty()) return -1;
    int n = 0;
    for (int y = std::max(0, cy - 10); y <= std::min(479, cy + 10); ++y)
        for (int x = std::max(0, cx - 28); x <= std::min(319, cx + 28); ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * 320 + x) * 3];
            n += p[0] > 150 && p[1] < 60 && p[2] < 60;
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
    fg::initializeData();
    const fg::LevelInfo& l0 = fg::level_info[0];
    std::string script = tap(130, l0.menuButtonPos.x, l0.menuButtonPos.y); // level in by 149
    script += tap(170, l0.hudSubmitPos.x, l0.hudSubmitPos.y);              // "Submit Score?"
    script += "180 press \"No\"\n";                                        // nothing happens
    script += tap(200, l0.hudSubmitPos.x, l0.hudSubmitPos.y);
    script += "210 press \"Yes\"\n"; // 1 s pause under the spinner, then the page at once
    script += "1400 press \"" + std::string(press) + "\"\n";
    std::vector<std::string> extra = {"--frames",        "1500",
                                      "--location",      "48.8,2.3",
                                      "--analytics-log", "@a.jsonl",
                                      "--screenshot",    "165:@level.png",
                                      "--screenshot",    "240:@spinner.png",
                                      "--screenshot",    "1300:@board.png",
                                      "--screenshot",    "1480:@back.png"};
    if (!server.empty()) extra.insert(extra.end(), {"--score-server", server});
    return runGame(data, script, extra);
}

TEST(OnlineGame, SubmissionFromALevelPostsEveryFieldAndShowsTheBoard) {
    ScoreServer server;
    ASSERT_GT(server.port, 0);
    Relay relay(Relay::Forward, server.port);
    const std::string data = dataWithBests({25});
    GameRun r = submitFromLevel(data, relay.url(), "Back");
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
    const fg::LevelInfo& l0 = fg::level_info[0];

    // The prompt answered "No" posts nothing; the one answered "Yes" does.
    const auto posts = testrun::events(r.trace, "postScore");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].frame, 210);

    // What the server got: every field, the position with six decimals, the check value.
    const auto seen = relay.exchanges();
    ASSERT_EQ(seen.size(), 1u) << r.result.stderr_text;
    EXPECT_EQ(seen[0].path, "/scores/submitScore");
    EXPECT_EQ(seen[0].content_type, "application/x-www-form-urlencoded");
    std::string device = testrun::readFile(data + "/device_id");
    device.erase(device.find_last_not_of(" \n") + 1);
    const int gid = online::rankora_game_ids[0];
    EXPECT_EQ(formFields(seen[0].body),
              (std::map<std::string, std::string>{
                  {"token", online::rankora_tokens[0]},
                  {"gid", std::to_string(gid)},
                  {"lat", "48.800000"},
                  {"lng", "2.300000"},
                  {"uid", device},
                  {"total", "25"},
                  {"cid", std::to_string(48 * 2 * ((gid + 25) % 13 + 7))}}));
    EXPECT_FALSE(device.empty());
    EXPECT_EQ(seen[0].status, 200) << seen[0].reply;
    EXPECT_NE(seen[0].reply.find("Score submitted!"), std::string::npos);

    EXPECT_NE(testrun::readFile(r.path("a.jsonl")).find("\"post_score_level_0\""),
              std::string::npos);

    // "submitted" stored once the server took it. A known position does not wait: the page is
    // up right after the 1 s pause (step 260), the game stopped ticking under it and started
    // again after Back.
    EXPECT_EQ(submittedIn(data, 0), 25);
    EXPECT_GT(logFrame(r.trace, "score 25 of level 0 submitted"), 260);
    EXPECT_GT(countBetween(r.trace, "onFrame", 215, 255), 30) << "ticking through the pause";
    EXPECT_EQ(countBetween(r.trace, "onFrame", 300, 1400), 0) << "no ticks under the page";
    EXPECT_GT(countBetween(r.trace, "onFrame", 1420, 1500), 50) << "ticking again after Back";
    for (const TraceLine& t : testrun::events(r.trace, "onFrame"))
        if (t.frame > 1400) { // no jump for the time spent on the page
            EXPECT_LT(std::atof(t.payload.c_str()), 0.05) << "first tick after at " << t.frame;
            break;
        }

    // On screen: the spinner on its dark plate in the middle during the pause, the board under
    // its bar, the Submit button greyed after.
    const std::vector<uint8_t> wait = readRgb(r.path("spinner.png"));
    int light = 0; // the spokes, whichever way the spinner has turned
    for (int y = 222; y < 258 && !wait.empty(); ++y)
        for (int x = 142; x < 178; ++x)
            light += wait[(y * 320 + x) * 3] > 200 && wait[(y * 320 + x) * 3 + 2] > 200;
    EXPECT_GT(light, 40) << "no spinner";
    const long plate = testrun::pixel(r.path("spinner.png"), 100, 290);
    EXPECT_TRUE(plate >= 0 && (plate >> 16) < 80 && ((plate >> 8) & 255) < 80 && (plate & 255) < 80)
        << "no dark plate: " << std::hex << plate;
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
    const std::string url = relay.url();
    relay.svr.stop();
    const std::string again = dataWithBests({25});
    GameRun down = submitFromLevel(again, url, "Ok");
    ASSERT_EQ(down.result.status, 0) << down.result.stderr_text;
    EXPECT_GT(logFrame(down.trace, "The score server could not be reached."), 260);
    EXPECT_GT(logFrame(down.trace, "score 25 of level 0 not submitted"), 260);
    EXPECT_EQ(submittedIn(again, 0), 0);
    EXPECT_GT(redPixels(down.path("back.png"), sx, sy), 10) << "Submit still red";
    EXPECT_GT(countBetween(down.trace, "onFrame", 1420, 1500), 50) << "back in the level";
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
        EXPECT_EQ(logFrame(r.trace, "Error loading webpage"), -1) << r.result.stderr_text;
        EXPECT_GT(logFrame(r.trace, "score 25 of level 0 submitted"), 260);
        EXPECT_EQ(submittedIn(data, 0), 25);
        EXPECT_EQ(testrun::readFile(data + "/scores.db.unreadable"), damaged ? junk : "");
        EXPECT_EQ(logFrame(r.trace, "moved aside as") > 0, damaged);

        // The board the player saw is the one the reference server makes from that database:
        // this machine's player with the score just sent.
        testscores::Process server(FLINGO_SCORES_EXE, data + "/scores.db");
        ASSERT_GT(server.port, 0);
        std::string device = testrun::readFile(data + "/device_id");
        device.erase(device.find_last_not_of(" \n") + 1);
        httplib::Client c("127.0.0.1", server.port);
        auto reply = c.Post("/scores/submitScore", online::submissionBody(0, 25, 48.8, 2.3, device),
                            "application/x-www-form-urlencoded");
        ASSERT_TRUE(reply);
        EXPECT_NE(reply->body.find("Your best: <b>25</b>, rank 1"), std::string::npos)
            << reply->body;
        EXPECT_EQ(mismatches(r.path("board.png"), pagePixels(reply->body, 436), 44, 436), 0);
    }
}

TEST(OnlineGame, EveryLevelsBoardOpensUnderItsTitleAndBackReturns) {
    ScoreServer server;
    ASSERT_GT(server.port, 0);
    Relay relay(Relay::Forward, server.port);
    const std::string data = dataWithBests(unlockingBests());
    constexpr int FIRST = 200, EACH = 400;
    std::string script = tap(130, static_cast<float>(fg::menu_info.scoresButtonPos.x),
                             static_cast<float>(fg::menu_info.scoresButtonPos.y));
    std::vector<std::string> extra = {"--frames", std::to_string(FIRST + 5 * EACH),
                                      "--score-server", relay.url()};
    for (int i = 0; i < fg::LEVEL_COUNT; ++i) {
        const int t = FIRST + i * EACH;
        const Vector2<int> row = fg::level_info[i].scoreRowPos;
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
    for (int i = 0; i < fg::LEVEL_COUNT; ++i) {
        SCOPED_TRACE("level " + std::to_string(i));
        EXPECT_EQ(asked[static_cast<size_t>(i)].payload, std::to_string(i));
        const Exchange& x = seen[static_cast<size_t>(i)];
        EXPECT_EQ(x.path, "/users/profile");
        EXPECT_EQ(x.content_type, "application/x-www-form-urlencoded");
        auto f = formFields(x.body);
        EXPECT_EQ(x.body, online::boardBody(i, f["id"]));
        EXPECT_FALSE(f["id"].empty());
        EXPECT_EQ(x.status, 200) << x.reply;
        std::string title = online::rankora_scoreboard_names[i];
        title.erase(0, title.find_first_not_of(' '));
        EXPECT_NE(x.reply.find(title), std::string::npos);

        const std::string shot = r.path("board" + std::to_string(i) + ".png");
        EXPECT_EQ(mismatches(shot, barPixels(online::rankora_scoreboard_names[i]), 0, 44), 0);
        // Another level's title would not match.
        EXPECT_GT(mismatches(shot, barPixels(online::rankora_scoreboard_names[(i + 1) % 5]), 0, 44),
                  20);
        EXPECT_EQ(mismatches(shot, pagePixels(x.reply, 436), 44, 436), 0);
        // Back worked: the game ticks again before the next board.
        const long t = FIRST + i * EACH;
        EXPECT_EQ(countBetween(r.trace, "onFrame", t + 40, t + 330), 0);
        EXPECT_GT(countBetween(r.trace, "onFrame", t + 360, t + EACH), 20);
    }
}

namespace {

struct Trouble {
    const char* name;
    Relay::Mode mode;
    bool down;         // nothing listens at the address
    const char* alert; // part of the alert's message, or null when the reply is shown
};

class OnlineTrouble : public testing::TestWithParam<Trouble> {};

} // namespace

TEST_P(OnlineTrouble, ErrorAlertOrPageTheLoopRunsAndOkGoesBack) {
    const Trouble& c = GetParam();
    const std::string data = dataWithBests(unlockingBests());
    auto relay = std::make_unique<Relay>(c.mode);
    const std::string url = relay->url();
    if (c.down) relay.reset();
    const Vector2<int> row = fg::level_info[1].scoreRowPos;
    const bool hang = (c.mode == Relay::Hang || c.mode == Relay::Drip) && !c.down;
    // A reply that never comes is given up after 1 s of real time; leave it plenty of steps.
    const int wait = hang ? 4000 : 600;
    std::string script = tap(130, static_cast<float>(fg::menu_info.scoresButtonPos.x),
                             static_cast<float>(fg::menu_info.scoresButtonPos.y));
    script += tap(200, static_cast<float>(row.x), static_cast<float>(row.y));
    script += std::to_string(200 + wait) + " press \"Ok\"\n";
    if (!c.alert) script += std::to_string(210 + wait) + " press \"Back\"\n";
    std::vector<std::string> extra = {"--frames",       std::to_string(300 + wait),
                                      "--score-server", url,
                                      "--screenshot",   std::to_string(195 + wait) + ":@late.png"};
    // While a page drips in: shots spread from just after the tap to well into the wait.
    const int shots[] = {205, 210, 220, 225, 230, 240, 280, 360, 520, 840};
    for (int n : shots)
        extra.insert(extra.end(),
                     {"--screenshot", std::to_string(n) + ":@s" + std::to_string(n) + ".png"});
    GameRun r = runGame(data, script, extra, {"FLINGO_HTTP_TIMEOUT=1"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    const long alert = logFrame(r.trace, "alert \"Error loading webpage\"");
    if (c.alert) {
        ASSERT_GT(alert, 200) << r.result.stderr_text;
        EXPECT_GE(logFrame(r.trace, "webpage\": " + std::string(c.alert), 200), 200)
            << r.result.stderr_text;
        EXPECT_GE(logFrame(r.trace, "\"Ok\" tapped", 200), 200 + wait);
        // The alert over the page: the dimmed screen still shows the bar's title.
        EXPECT_GT(mismatches(r.path("late.png"), barPixels(" Medium Level Scores"), 0, 44), 1000);
    } else {
        EXPECT_EQ(alert, -1) << "a page that arrived is shown, not an error";
        EXPECT_EQ(mismatches(r.path("late.png"), barPixels(" Medium Level Scores"), 0, 44), 0);
    }
    if (c.mode == Relay::Hang) {
        // Still waiting at the start: the placeholder page under the bar, the spinner turning.
        EXPECT_EQ(mismatches(r.path("s225.png"), pagePixels(LOADING_HTML, 150), 44, 150), 0);
        const auto a = readRgb(r.path("s225.png")), b = readRgb(r.path("s230.png"));
        EXPECT_FALSE(a.empty());
        EXPECT_NE(a, b) << "the spinner turns while the page loads";
    }
    if (c.mode == Relay::Drip) {
        // Before its last byte the page is on screen with its pictures: the <img> at the top
        // left, the CSS background repeated across, the green first row under them.
        int shown = 0;
        for (int n : shots) {
            const std::string shot = r.path("s" + std::to_string(n) + ".png");
            shown += testrun::near(testrun::pixel(shot, 20, 54), 0xff00ff, 8) &&
                     testrun::near(testrun::pixel(shot, 300, 74), 0xff00ff, 8) &&
                     testrun::near(testrun::pixel(shot, 160, 100), 0x00ff00, 8);
        }
        EXPECT_GT(shown, 0) << "no shot shows the first rows of the page";
    }
    // "Ok" (or Back after a page) took the player to the score menu: the game ticks again.
    EXPECT_GT(countBetween(r.trace, "onFrame", 240 + wait, 300 + wait), 30);
    EXPECT_EQ(countBetween(r.trace, "onFrame", 240, 190 + wait), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, OnlineTrouble,
    testing::Values(
        Trouble{"ServerDown", Relay::Forward, true, "The score server could not be reached."},
        Trouble{"EmptyHttp500", Relay::Empty500, false, "The score server sent an error (500)."},
        Trouble{"GarbageBody", Relay::Garbage, false, nullptr},
        Trouble{"FiveMegabytes", Relay::Huge, false, "The reply was too large."},
        Trouble{"MegabyteHeader", Relay::HugeHeader, false, "The reply was too large."},
        Trouble{"NeverReplies", Relay::Hang, false, "The score server did not answer in time."},
        Trouble{"DripsAndStops", Relay::Drip, false, "The score server did not answer in time."}),
    [](const testing::TestParamInfo<Trouble>& i) { return std::string(i.param.name); });
