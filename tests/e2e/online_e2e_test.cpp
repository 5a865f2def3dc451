// The whole game, headless, against the reference score server on 127.0.0.1: a submission from
// a level, every level's board, and pages that go wrong. A relay of ours stands between the game
// and the server, recording what the game sends and what it gets, or misbehaving on purpose.
// Replies come in real time while the headless steps run as fast as they can, so the scripts
// leave the network hundreds of steps.
#include "core/evt.h"
#include "core/platform.h"
#include "game/level_defs.h"
#include "online/boards.h"
#include "online/page.h"
#include "online/panel.h"
#include "online/submission.h"
#include "save/savedata.h"
#include "save/scores.h"
#include "testrun.h"

#include <httplib.h>

#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <png.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using testrun::TraceLine;

namespace {

const std::string resources = std::string(FLINGO_BUILD_DIR) + "/resources";
const char* const LOADING_HTML = "<body style=\"background-color:#000000;color:#07FF6D;\">"
                                 "<center><h1>loading...</h1></center></body>";

// The reference server as a process of its own, on a free port, with a fresh database.
class ScoreServer {
  public:
    ScoreServer() {
        db = testrun::tempDir() + "/scores.db";
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            execl(FLINGO_SCORES_EXE, FLINGO_SCORES_EXE, "--port", "0", "--db", db.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* f = fdopen(out[0], "r");
        char line[256] = {};
        if (fgets(line, sizeof line, f)) {
            const std::string s = line;
            port = std::atoi(s.substr(s.rfind(':') + 1).c_str());
        }
        fclose(f);
    }
    ~ScoreServer() {
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    pid_t pid = -1;
    int port = 0;
    std::string db;
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
    enum Mode { Forward, Empty500, Garbage, Huge, Hang };

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
            case Garbage: {
                std::string junk;
                uint32_t v = 12345;
                for (int i = 0; i < 3000; ++i) {
                    v = v * 1103515245u + 12345u;
                    junk += static_cast<char>(v >> 24);
                }
                res.set_content(junk, "text/html");
                break;
            }
            case Huge:
                res.set_content(std::string(5 * 1024 * 1024, 'x'), "text/html");
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
    size_t at = 0;
    while (at < body.size()) {
        size_t amp = body.find('&', at);
        if (amp == std::string::npos) amp = body.size();
        const std::string pair = body.substr(at, amp - at);
        const size_t eq = pair.find('=');
        out[pair.substr(0, eq)] = eq == std::string::npos ? "" : pair.substr(eq + 1);
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

GameRun runGame(const std::string& data, const std::string& script,
                const std::vector<std::string>& extra, const std::vector<std::string>& env = {}) {
    GameRun r;
    r.dir = testrun::tempDir();
    testrun::writeFile(r.path("s.txt"), script);
    std::vector<std::string> argv;
    if (!env.empty()) {
        argv.push_back("/usr/bin/env");
        argv.insert(argv.end(), env.begin(), env.end());
    }
    const std::vector<std::string> base = {
        FLINGO_EXE, "--headless", "--seed",        "7",       "--data-dir",
        data,       "--script",   r.path("s.txt"), "--trace", r.path("t.jsonl")};
    argv.insert(argv.end(), base.begin(), base.end());
    for (std::string a : extra) {
        if (size_t at = a.find('@'); at != std::string::npos) a.replace(at, 1, r.dir + "/");
        argv.push_back(a);
    }
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

// Reads a PNG screenshot as RGB rows, row 0 at the top.
bool readRgb(const std::string& path, int& w, int& h, std::vector<uint8_t>& rgb) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return false;
    img.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(img));
    w = static_cast<int>(img.width);
    h = static_cast<int>(img.height);
    return png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr) != 0;
}

// Pixels of the screenshot's rows [y0, y0 + rows) that differ by more than tol from an RGBA
// picture of width 320 whose row 0 lies at screen row y0.
int mismatches(const std::string& shot, const std::vector<uint8_t>& rgba, int y0, int rows,
               int tol = 8) {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    if (!readRgb(shot, w, h, rgb) || w != 320 || h != 480) return -1;
    int bad = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < 320; ++x)
            for (int c = 0; c < 3; ++c) {
                const int a = rgb[(static_cast<size_t>(y0 + y) * 320 + x) * 3 + c];
                const int b = rgba[(static_cast<size_t>(y) * 320 + x) * 4 + c];
                if (std::abs(a - b) > tol) {
                    ++bad;
                    break;
                }
            }
    return bad;
}

// Pure red pixels (the active Submit button's colour) in a box around a screen point.
int redPixels(const std::string& shot, int cx, int cy) {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    if (!readRgb(shot, w, h, rgb)) return -1;
    int n = 0;
    for (int y = std::max(0, cy - 10); y <= std::min(h - 1, cy + 10); ++y)
        for (int x = std::max(0, cx - 28); x <= std::min(w - 1, cx + 28); ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            if (p[0] > 150 && p[1] < 60 && p[2] < 60) ++n;
        }
    return n;
}

std::vector<uint8_t> barPixels(const std::string& title) {
    panel::Image img;
    panel::Rect back;
    panel::navBar(title, "Back", img, back);
    return img.rgba;
}

std::vector<uint8_t> pagePixels(const std::string& html, int rows, int scroll = 0) {
    page::Page* p = page::create(html, 320);
    std::vector<uint8_t> px;
    page::draw(p, std::min(scroll, std::max(0, page::height(p) - rows)), rows, px);
    page::destroy(p);
    return px;
}

} // namespace

TEST(OnlineGame, SubmissionFromALevelPostsEveryFieldAndShowsTheBoard) {
    ScoreServer server;
    ASSERT_GT(server.port, 0);
    Relay relay(Relay::Forward, server.port);
    const std::string data = dataWithBests({25});
    fg::initializeData();
    const fg::LevelInfo& l0 = fg::level_info[0];

    std::string script = tap(130, l0.menuButtonPos.x, l0.menuButtonPos.y); // level in by 149
    script += tap(170, l0.hudSubmitPos.x, l0.hudSubmitPos.y);              // "Submit Score?"
    script += "180 press \"No\"\n";                                        // nothing happens
    script += tap(200, l0.hudSubmitPos.x, l0.hudSubmitPos.y);
    script += "210 press \"Yes\"\n"; // chain: 1 s, then 10 s with the spinner, then the page
    script += "1400 press \"Back\"\n";
    GameRun r = runGame(data, script,
                        {"--frames", "1500", "--score-server", relay.url(), "--location",
                         "48.8,2.3", "--analytics-log", "@a.jsonl", "--screenshot",
                         "165:@level.png", "--screenshot", "400:@spinner.png", "--screenshot",
                         "1300:@board.png", "--screenshot", "1480:@back.png"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    // One prompt answered "No", one answered "Yes": only the second publishes "postScore".
    ASSERT_EQ(testrun::events(r.trace, "scorePrompt").size(), 2u);
    const auto posts = testrun::events(r.trace, "postScore");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].frame, 210);
    EXPECT_GE(logFrame(r.trace, "alert \"Submit Score?\": Would you like to submit your best score "
                                "for this level to the online high score board?"),
              170);

    // What the server got: every field, the position with six decimals, the check value.
    const auto seen = relay.exchanges();
    ASSERT_EQ(seen.size(), 1u) << r.result.stderr_text;
    EXPECT_EQ(seen[0].path, "/scores/submitScore");
    EXPECT_EQ(seen[0].content_type, "application/x-www-form-urlencoded");
    auto f = formFields(seen[0].body);
    EXPECT_EQ(f.size(), 7u) << seen[0].body;
    EXPECT_EQ(f["token"], online::rankora_tokens[0]);
    EXPECT_EQ(f["gid"], std::to_string(online::rankora_game_ids[0]));
    EXPECT_EQ(f["lat"], "48.800000");
    EXPECT_EQ(f["lng"], "2.300000");
    EXPECT_EQ(f["total"], "25");
    EXPECT_EQ(f["cid"], std::to_string(48 * 2 * ((online::rankora_game_ids[0] + 25) % 13 + 7)));
    std::string device = testrun::readFile(data + "/device_id");
    while (!device.empty() && isspace(static_cast<unsigned char>(device.back())))
        device.pop_back();
    EXPECT_FALSE(device.empty());
    EXPECT_EQ(f["uid"], device) << "the player id is the device's";
    EXPECT_EQ(seen[0].status, 200) << seen[0].reply;
    EXPECT_NE(seen[0].reply.find("Score submitted!"), std::string::npos);

    EXPECT_NE(testrun::readFile(r.path("a.jsonl")).find("\"post_score_level_0\""),
              std::string::npos);

    // "submitted" stored, the game stopped ticking under the page and started again after Back.
    EXPECT_EQ(submittedIn(data, 0), 25);
    EXPECT_GT(countBetween(r.trace, "onFrame", 700, 770), 0) << "ticking through the wait";
    EXPECT_EQ(countBetween(r.trace, "onFrame", 800, 1400), 0) << "no ticks under the page";
    EXPECT_GT(countBetween(r.trace, "onFrame", 1420, 1500), 50) << "ticking again after Back";
    const auto frames = testrun::events(r.trace, "onFrame");
    for (const TraceLine& t : frames)
        if (t.frame > 1400) {
            EXPECT_LT(std::atof(t.payload.c_str()), 0.05)
                << "first tick after the page at " << t.frame;
            break;
        }

    // On screen: the spinner in the middle during the wait, the board under its bar, the
    // Submit button greyed after.
    const long spinner_px = testrun::pixel(r.path("spinner.png"), 160, 228);
    EXPECT_TRUE(testrun::near(spinner_px, 0xffffff, 40)) << std::hex << spinner_px;
    EXPECT_EQ(mismatches(r.path("board.png"), barPixels(" Easy Level Scores"), 0, 44), 0);
    EXPECT_EQ(mismatches(r.path("board.png"), pagePixels(seen[0].reply, 436), 44, 436), 0);
    const int sx = static_cast<int>(l0.hudSubmitPos.x),
              sy = 480 - static_cast<int>(l0.hudSubmitPos.y);
    EXPECT_GT(redPixels(r.path("level.png"), sx, sy), 10) << "Submit in red before";
    EXPECT_EQ(redPixels(r.path("back.png"), sx, sy), 0) << "Submit greyed after";
    // The page was not up yet during the wait: the spinner over the level, no bar.
    EXPECT_GT(mismatches(r.path("spinner.png"), barPixels(" Easy Level Scores"), 0, 44), 1000);
}

// Two confirmations in a row start two chains; a position that cannot be read is logged and the
// score goes out with 0, 0 and check 0. The second post loads over the page already up, one Back
// leaves it, and the busy indicator is gone once both chains are done.
TEST(OnlineGame, TwoChainsWithAnUnreadablePositionSendZerosAndLeaveNoSpinner) {
    ScoreServer server;
    ASSERT_GT(server.port, 0);
    Relay relay(Relay::Forward, server.port);
    const std::string data = dataWithBests({31});
    fg::initializeData();
    const fg::LevelInfo& l0 = fg::level_info[0];

    std::string script = tap(130, l0.menuButtonPos.x, l0.menuButtonPos.y);
    script += tap(170, l0.hudSubmitPos.x, l0.hudSubmitPos.y);
    script += "180 press \"Yes\"\n"; // posts at about 730
    script += tap(200, l0.hudSubmitPos.x, l0.hudSubmitPos.y);
    script += "210 press \"Yes\"\n"; // posts at about 760, over the page of the first
    script += "1400 press \"Back\"\n";
    GameRun r = runGame(data, script,
                        {"--frames", "1500", "--score-server", relay.url(), "--screenshot",
                         "165:@level.png", "--screenshot", "1300:@board.png", "--screenshot",
                         "1480:@back.png"},
                        {"FLINGO_LOCATION=nowhere"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    EXPECT_EQ(testrun::events(r.trace, "postScore").size(), 2u);
    EXPECT_GE(logFrame(r.trace, "ERROR : cannot read the position \"nowhere\""), 230);
    const auto seen = relay.exchanges();
    ASSERT_FALSE(seen.empty()) << r.result.stderr_text;
    for (const Exchange& x : seen) {
        auto f = formFields(x.body);
        EXPECT_EQ(f["lat"], "0.000000");
        EXPECT_EQ(f["lng"], "0.000000");
        EXPECT_EQ(f["cid"], "0");
        EXPECT_EQ(f["total"], "31");
    }
    EXPECT_EQ(submittedIn(data, 0), 31);
    EXPECT_EQ(mismatches(r.path("board.png"), barPixels(" Easy Level Scores"), 0, 44), 0);
    EXPECT_EQ(mismatches(r.path("board.png"), pagePixels(seen.back().reply, 436), 44, 436), 0);
    // One Back is enough: the page was not pushed twice.
    EXPECT_GT(countBetween(r.trace, "onFrame", 1420, 1500), 50);
    // No busy indicator left turning over the level: its square looks as before the chains.
    int w = 0, h = 0;
    std::vector<uint8_t> before, after;
    ASSERT_TRUE(readRgb(r.path("level.png"), w, h, before));
    ASSERT_TRUE(readRgb(r.path("back.png"), w, h, after));
    int changed = 0;
    for (int y = 220; y < 260; ++y)
        for (int x = 140; x < 180; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(before[(static_cast<size_t>(y) * 320 + x) * 3 + c] -
                             after[(static_cast<size_t>(y) * 320 + x) * 3 + c]) > 24) {
                    ++changed;
                    break;
                }
    EXPECT_LT(changed, 20);
}

TEST(OnlineGame, EveryLevelsBoardOpensUnderItsTitleAndBackReturns) {
    ScoreServer server;
    ASSERT_GT(server.port, 0);
    Relay relay(Relay::Forward, server.port);
    const std::string data = dataWithBests(unlockingBests());
    const fg::MenuInfo& menu = fg::menu_info;
    // Enough players on the last board that its page scrolls.
    {
        httplib::Client c("127.0.0.1", server.port);
        for (int i = 0; i < 25; ++i) {
            auto res = c.Post("/scores/submitScore",
                              online::submissionBody(4, 100 + i, 0, 0, "p" + std::to_string(i)),
                              "application/x-www-form-urlencoded");
            ASSERT_TRUE(res && res->status == 200);
        }
    }

    constexpr int FIRST = 200, EACH = 400;
    std::string script = tap(130, static_cast<float>(menu.scoresButtonPos.x),
                             static_cast<float>(menu.scoresButtonPos.y));
    std::vector<std::string> extra = {"--frames", std::to_string(FIRST + 5 * EACH),
                                      "--score-server", relay.url()};
    for (int i = 0; i < fg::LEVEL_COUNT; ++i) {
        const int t = FIRST + i * EACH;
        const Vector2<int> row = fg::level_info[i].scoreRowPos;
        script += tap(t, static_cast<float>(row.x), static_cast<float>(row.y));
        script += std::to_string(t + 330) + " press \"Back\"\n";
        if (i == 4) // drag the page up by 150 points: 20 to pass the tap slop, then 130 more
            for (const char* step : {"200 down 160 400", "201 move 160 380", "202 move 160 300",
                                     "203 move 160 250", "204 up 160 250"})
                script += std::to_string(t + std::atoi(step)) + std::string(step).substr(3) + "\n";
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
        EXPECT_EQ(f.size(), 3u);
        EXPECT_EQ(f["token"], online::rankora_tokens[i]);
        EXPECT_EQ(f["gid"], std::to_string(online::rankora_game_ids[i]));
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
        EXPECT_EQ(mismatches(shot, pagePixels(x.reply, 436, i == 4 ? 150 : 0), 44, 436), 0);
        if (i == 4) {
            EXPECT_GT(mismatches(shot, pagePixels(x.reply, 436), 44, 436), 1000) << "scrolled";
        }
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

TEST_P(OnlineTrouble, ErrorAlertOrPageTheLoopRunsAndBackWorks) {
    const Trouble& c = GetParam();
    const std::string data = dataWithBests(unlockingBests());
    auto relay = std::make_unique<Relay>(c.mode);
    const std::string url = relay->url();
    if (c.down) relay.reset();
    const Vector2<int> row = fg::level_info[1].scoreRowPos;
    const bool hang = c.mode == Relay::Hang && !c.down;
    // A reply that never comes is given up after 1 s of real time; leave it plenty of steps.
    const int wait = hang ? 4000 : 600;
    std::string script = tap(130, static_cast<float>(fg::menu_info.scoresButtonPos.x),
                             static_cast<float>(fg::menu_info.scoresButtonPos.y));
    script += tap(200, static_cast<float>(row.x), static_cast<float>(row.y));
    script += std::to_string(200 + wait) + " press \"Ok\"\n";
    script += std::to_string(210 + wait) + " press \"Back\"\n";
    GameRun r = runGame(data, script,
                        {"--frames", std::to_string(300 + wait), "--score-server", url,
                         "--screenshot", "225:@early.png", "--screenshot", "230:@early2.png",
                         "--screenshot", std::to_string(195 + wait) + ":@late.png"},
                        {"FLINGO_HTTP_TIMEOUT=1"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    const long alert = logFrame(r.trace, "alert \"Error loading webpage\"");
    if (c.alert) {
        ASSERT_GT(alert, 200) << r.result.stderr_text;
        EXPECT_GE(logFrame(r.trace, c.alert, 200), 200) << r.result.stderr_text;
        EXPECT_GE(logFrame(r.trace, "\"Ok\" tapped", 200), 200 + wait);
        // The alert over the page: the dimmed screen still shows the bar's title.
        EXPECT_GT(mismatches(r.path("late.png"), barPixels(" Medium Level Scores"), 0, 44), 1000);
    } else {
        EXPECT_EQ(alert, -1) << "a page that arrived is shown, not an error";
        EXPECT_EQ(mismatches(r.path("late.png"), barPixels(" Medium Level Scores"), 0, 44), 0);
    }
    if (hang) {
        // Still waiting at the start: the placeholder page under the bar, the spinner turning.
        EXPECT_EQ(mismatches(r.path("early.png"), pagePixels(LOADING_HTML, 150), 44, 150), 0);
        int w = 0, h = 0;
        std::vector<uint8_t> a, b;
        ASSERT_TRUE(readRgb(r.path("early.png"), w, h, a));
        ASSERT_TRUE(readRgb(r.path("early2.png"), w, h, b));
        EXPECT_TRUE(a != b) << "the spinner turns while the page loads";
    }
    // Back took the player to the score menu and the game ticks again.
    EXPECT_GT(countBetween(r.trace, "onFrame", 240 + wait, 300 + wait), 30);
    EXPECT_EQ(countBetween(r.trace, "onFrame", 240, 190 + wait), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, OnlineTrouble,
    testing::Values(Trouble{"ServerDown", Relay::Forward, true, "Couldn't connect"},
                    Trouble{"EmptyHttp500", Relay::Empty500, false, "error 500"},
                    Trouble{"GarbageBody", Relay::Garbage, false, nullptr},
                    Trouble{"FiveMegabytes", Relay::Huge, false, "too large"},
                    Trouble{"NeverReplies", Relay::Hang, false, "imed out"}),
    [](const testing::TestParamInfo<Trouble>& i) { return std::string(i.param.name); });
