// The shell's pieces that need no window: the command line, scripts, trace formatting, timers,
// the start-up timing, navigation and analytics.
#include "core/platform.h"
#include "core/vector.h"
#include "shell/analytics.h"
#include "shell/options.h"
#include "shell/script.h"
#include "shell/startup.h"
#include "shell/timer.h"
#include "shell/trace.h"
#include "shell/views.h"
#include "testrun.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace {

bool parse(std::vector<const char*> args, shell::Options& o, std::string& err) {
    args.insert(args.begin(), "flingo");
    return shell::parseOptions(static_cast<int>(args.size()), args.data(), o, err);
}

} // namespace

TEST(Options, EveryOptionAndItsValueIsRead) {
    shell::Options o;
    std::string err;
    ASSERT_TRUE(parse({"--headless",
                       "--frames",
                       "120",
                       "--script=s.txt",
                       "--screenshot",
                       "10:a.png",
                       "--screenshot",
                       "20:dir/b:c.png",
                       "--trace",
                       "t.jsonl",
                       "--seed",
                       "-7",
                       "--data-dir",
                       "d",
                       "--resource-dir",
                       "r",
                       "--no-ads",
                       "--scale",
                       "3",
                       "--fullscreen",
                       "--analytics-log",
                       "a.jsonl",
                       "--score-server",
                       "http://127.0.0.1:9",
                       "--location",
                       "1.5,2.5"},
                      o, err))
        << err;
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.frames, 120);
    EXPECT_EQ(o.script, "s.txt");
    ASSERT_EQ(o.screenshots.size(), 2u);
    EXPECT_EQ(o.screenshots[0].step, 10);
    EXPECT_EQ(o.screenshots[0].path, "a.png");
    EXPECT_EQ(o.screenshots[1].path, "dir/b:c.png"); // only the first colon separates
    EXPECT_EQ(o.trace, "t.jsonl");
    EXPECT_TRUE(o.has_seed);
    EXPECT_EQ(o.seed, -7);
    EXPECT_EQ(o.data_dir, "d");
    EXPECT_EQ(o.resource_dir, "r");
    EXPECT_TRUE(o.no_ads);
    EXPECT_EQ(o.scale, 3);
    EXPECT_TRUE(o.fullscreen);
    EXPECT_EQ(o.analytics_log, "a.jsonl");
    EXPECT_EQ(o.score_server, "http://127.0.0.1:9");
    EXPECT_EQ(o.location, "1.5,2.5");

    ASSERT_TRUE(parse({}, o, err));
    EXPECT_FALSE(o.headless);
    EXPECT_FALSE(o.has_seed);
    EXPECT_EQ(o.frames, 0);
    EXPECT_EQ(o.scale, 0);
}

TEST(Options, BadValuesAreRefusedWithTheOptionNamed) {
    const std::vector<std::vector<const char*>> bad = {
        {"--frames", "0"},         {"--frames", "ten"},         {"--frames"},
        {"--scale", "0"},          {"--scale", "2.5"},          {"--seed", "99999999999"},
        {"--screenshot", "a.png"}, {"--screenshot", "0:a.png"}, {"--screenshot", "5:"},
        {"--headless=yes"},        {"--data-dir", ""},          {"--what"},
    };
    for (const auto& args : bad) {
        shell::Options o;
        std::string err;
        EXPECT_FALSE(parse(args, o, err)) << args[0];
        EXPECT_NE(err.find(std::string(args[0]).substr(0, 6)), std::string::npos) << err;
    }
}

TEST(Script, GrammarCommentsAndStepOrder) {
    std::vector<shell::Command> cmds;
    std::string err;
    ASSERT_TRUE(shell::parseScript("# a throw\n"
                                   "\n"
                                   "  12 down 160 400   # on the ball\n"
                                   "12 move 160.5 300\n"
                                   "3 press \"Yes # not a comment\"\n"
                                   "14\tup 161 200\r\n"
                                   "13 cancel -1 2e1\n"
                                   "12 key F11\n"
                                   "20 quit\n",
                                   "s", cmds, err))
        << err;
    ASSERT_EQ(cmds.size(), 7u);
    // Ordered by step; file order kept within a step.
    EXPECT_EQ(cmds[0].kind, shell::Command::Press);
    EXPECT_EQ(cmds[0].text, "Yes # not a comment");
    EXPECT_EQ(cmds[0].line, 5);
    EXPECT_EQ(cmds[1].kind, shell::Command::Down);
    EXPECT_EQ(cmds[1].step, 12);
    EXPECT_FLOAT_EQ(cmds[1].x, 160);
    EXPECT_FLOAT_EQ(cmds[1].y, 400);
    EXPECT_EQ(cmds[2].kind, shell::Command::Move);
    EXPECT_FLOAT_EQ(cmds[2].x, 160.5f);
    EXPECT_EQ(cmds[3].kind, shell::Command::Key);
    EXPECT_EQ(cmds[3].text, "f11");
    EXPECT_EQ(cmds[4].kind, shell::Command::Cancel);
    EXPECT_FLOAT_EQ(cmds[4].x, -1);
    EXPECT_FLOAT_EQ(cmds[4].y, 20);
    EXPECT_EQ(cmds[5].kind, shell::Command::Up);
    EXPECT_EQ(cmds[5].line, 6);
    EXPECT_EQ(cmds[6].kind, shell::Command::Quit);
}

TEST(Script, ABadLineIsNamedWithItsNumberAndText) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"1 up 1 2\n2 fling 3 4\n", "s:2: unknown command 'fling': 2 fling 3 4"},
        {"-3 up 1 2\n", "s:1: expected a step number"},
        {"1 up 1 nan\n", "s:1: expected two numbers"},
        {"1 up 1 2 3\n", "s:1: unexpected text"},
        {"1 key space\n", "s:1: unknown key 'space'"},
        {"1\n", "s:1: expected a command"},
        {"1 press Yes\n", "s:1: expected a quoted label"},
    };
    for (const auto& [text, want] : bad) {
        std::vector<shell::Command> cmds;
        std::string err;
        EXPECT_FALSE(shell::parseScript(text, "s", cmds, err)) << text;
        EXPECT_EQ(err.rfind(want, 0), 0u) << err;
    }
    std::vector<shell::Command> cmds;
    std::string err;
    EXPECT_FALSE(shell::loadScript("/nonexistent/script.txt", cmds, err));
    EXPECT_NE(err.find("/nonexistent/script.txt"), std::string::npos);
}

TEST(Trace, PayloadsAreWrittenByTheEventsType) {
    auto fmt = [](const char* event, void* payload) {
        std::string out;
        shell::formatPayload(shell::payloadKind(event), payload, out);
        return out;
    };
    double dt = 0.02;
    Vector2<float> p = {12.5f, 480};
    int offset = -3;
    EXPECT_EQ(fmt("onFrame", &dt), "0.02");
    EXPECT_EQ(fmt("updateFireworks", &dt), "0.02");
    EXPECT_EQ(fmt("onPtrDown", &p), "[12.5,480]");
    EXPECT_EQ(fmt("onPtrUp", &p), "[12.5,480]");
    EXPECT_EQ(fmt("gotoLevel", reinterpret_cast<void*>(intptr_t{3})), "3");
    EXPECT_EQ(fmt("setBest", reinterpret_cast<void*>(intptr_t{-1})), "-1");
    EXPECT_EQ(fmt("setSound", reinterpret_cast<void*>(intptr_t{1})), "true");
    EXPECT_EQ(fmt("setSound", nullptr), "false");
    EXPECT_EQ(fmt("setBackgroundSound", const_cast<char*>("Office \"1\".mp3")),
              "\"Office \\\"1\\\".mp3\"");
    EXPECT_EQ(fmt("setBackgroundSound", nullptr), "null");
    EXPECT_EQ(fmt("gotoUrl", const_cast<char*>("a\\b\n\x01")), "\"a\\\\b\\n\\u0001\"");
    EXPECT_EQ(fmt("sizeGl", nullptr), "null");
    EXPECT_EQ(fmt("sizeGl", &offset), "-3");
    EXPECT_EQ(fmt("render", &dt), "null");
    EXPECT_EQ(fmt("getMainView", &dt), "null");
    EXPECT_EQ(fmt("somethingNew", &dt), "null");
}

TEST(Timer, RepeatingKeepsItsScheduleSkipsMissedAndOneShotsFireOnce) {
    shell::setNowNs(0);
    int ticks = 0, shots = 0;
    shell::Timer* rep = shell::scheduleTimer(0.02, true, [&] { ++ticks; });
    shell::Timer* once = nullptr;
    once = shell::scheduleTimer(0.05, false, [&] {
        ++shots;
        shell::invalidateTimer(once); // harmless from its own handler
    });
    EXPECT_EQ(shell::nextTimerDue(), 20'000'000);

    shell::setNowNs(19'999'999);
    EXPECT_EQ(shell::fireDueTimers(), 0);
    shell::setNowNs(23'000'000); // late: the next firing stays at 40 ms
    EXPECT_EQ(shell::fireDueTimers(), 1);
    EXPECT_EQ(shell::nextTimerDue(), 40'000'000);
    shell::setNowNs(130'000'000); // 40..120 missed: one firing, the next at 140 ms
    EXPECT_EQ(shell::fireDueTimers(), 2);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(shots, 1);
    EXPECT_EQ(shell::nextTimerDue(), 140'000'000);
    shell::setNowNs(1'000'000'000);
    shell::fireDueTimers();
    EXPECT_EQ(shots, 1);
    shell::invalidateTimer(once); // long gone: nothing happens

    // A handler that stops another timer and itself.
    int a = 0, b = 0;
    shell::Timer* tb = nullptr;
    shell::Timer* ta = nullptr;
    ta = shell::scheduleTimer(0.01, true, [&] {
        ++a;
        shell::invalidateTimer(tb);
        shell::invalidateTimer(ta);
    });
    tb = shell::scheduleTimer(0.02, true, [&] { ++b; });
    shell::setNowNs(1'100'000'000);
    shell::fireDueTimers();
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    shell::invalidateTimer(rep);
    EXPECT_EQ(shell::nextTimerDue(), INT64_MAX);
}

TEST(Startup, PromotionWeekIsLocalTimeInclusive) {
    const char* old = getenv("TZ");
    const std::string saved = old ? old : "";
    for (const char* zone : {"UTC", "America/Los_Angeles", "Pacific/Kiritimati"}) {
        setenv("TZ", zone, 1);
        tzset();
        auto at = [](int day, int h, int m, int s) {
            tm t{};
            t.tm_year = 109;
            t.tm_mon = 11;
            t.tm_mday = day;
            t.tm_hour = h;
            t.tm_min = m;
            t.tm_sec = s;
            t.tm_isdst = -1;
            return mktime(&t);
        };
        EXPECT_FALSE(shell::inPromotionWeek(at(12, 23, 59, 59))) << zone;
        EXPECT_TRUE(shell::inPromotionWeek(at(13, 0, 0, 0))) << zone;
        EXPECT_TRUE(shell::inPromotionWeek(at(19, 23, 59, 59))) << zone;
        EXPECT_FALSE(shell::inPromotionWeek(at(20, 0, 0, 0))) << zone;
        EXPECT_EQ(shell::startupSeconds(at(16, 12, 0, 0)), 4.0);
        EXPECT_EQ(shell::startupSeconds(at(16, 12, 0, 0) + 365 * 86400), 2.0);
    }
    EXPECT_EQ(shell::startupSeconds(time(nullptr)), 2.0);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

namespace {

struct Recorder : shell::NavDelegate, shell::View {
    std::vector<std::string> calls;
    std::string name;
    void willShowViewController(shell::NavController&, shell::ViewController* vc,
                                bool animated) override {
        calls.push_back("will " + vc->title + (animated ? " animated" : ""));
    }
    void didShowViewController(shell::NavController&, shell::ViewController* vc, bool) override {
        calls.push_back("did " + vc->title);
    }
    void draw(float) override {}
    void touch(shell::TouchPhase, float x, float y) override {
        calls.push_back("touch " + name + " " + std::to_string(int(x)) + "," +
                        std::to_string(int(y)));
    }
};

} // namespace

TEST(Navigation, PushShowsAfterTheSlideAndTouchesWaitForIt) {
    shell::setNowNs(0);
    Recorder rec, startView, gameView;
    startView.name = "start";
    gameView.name = "game";
    startView.calls.clear();
    shell::ViewController start{&startView, "start"}, game{&gameView, "Back"}, web{nullptr, "web"};
    shell::NavController nav(&start);
    nav.setDelegate(&rec);
    nav.touch(shell::TouchPhase::Began, 1, 2);
    EXPECT_EQ(startView.calls, std::vector<std::string>{"touch start 1,2"});

    nav.push(&game, true);
    EXPECT_EQ(rec.calls, std::vector<std::string>{"will Back animated"});
    EXPECT_TRUE(nav.transitioning());
    EXPECT_TRUE(nav.animating());
    nav.touch(shell::TouchPhase::Began, 3, 4); // nobody gets it mid-slide
    nav.push(&web, true);                      // nor a second push
    EXPECT_EQ(nav.depth(), 2u);
    shell::setNowNs(349'000'000);
    nav.advance();
    EXPECT_EQ(rec.calls.size(), 1u);
    shell::setNowNs(350'000'000);
    nav.advance();
    EXPECT_EQ(rec.calls.back(), "did Back");
    EXPECT_FALSE(nav.transitioning());
    nav.advance(); // only once
    EXPECT_EQ(rec.calls.size(), 2u);
    nav.touch(shell::TouchPhase::Ended, 5, 6);
    EXPECT_EQ(gameView.calls, std::vector<std::string>{"touch game 5,6"});

    nav.push(&web, false);
    EXPECT_EQ(rec.calls[2], "will web");
    EXPECT_EQ(rec.calls[3], "did web");
    nav.pop(true);
    EXPECT_EQ(rec.calls[4], "will Back animated");
    EXPECT_EQ(nav.top(), &game);
    shell::setNowNs(800'000'000);
    nav.advance();
    EXPECT_EQ(rec.calls[5], "did Back");
    nav.pop(false);
    nav.pop(false); // the root stays
    EXPECT_EQ(nav.depth(), 1u);
    EXPECT_EQ(nav.top(), &start);
}

TEST(Analytics, LogLinesAndAPersistentDeviceId) {
    const std::string dir = testrun::tempDir();
    platform::setDataPath(dir.c_str());
    const std::string id = shell::deviceId();
    ASSERT_EQ(id.size(), 36u);
    EXPECT_EQ(id[14], '4'); // a version 4 UUID
    EXPECT_EQ(shell::deviceId(), id);
    EXPECT_EQ(testrun::readFile(dir + "/device_id"), id + "\n");
    testrun::writeFile(dir + "/device_id", "garbage\n"); // a damaged file is replaced
    const std::string fresh = shell::deviceId();
    EXPECT_NE(fresh, id);
    EXPECT_EQ(fresh.size(), 36u);

    {
        shell::LogAnalytics log(dir + "/a.jsonl");
        EXPECT_EQ(log.initializeWithId("KEY"), &log);
        log.logEvent("USER_START", {{"ID", "x\"y"}});
        log.logEvent("goto_level_3");
        log.logError("Uncaught", "Crash!", "boom");
        log.shutdown();
    }
    EXPECT_EQ(testrun::readFile(dir + "/a.jsonl"),
              "{\"event\":\"USER_START\",\"parameters\":{\"ID\":\"x\\\"y\"}}\n"
              "{\"event\":\"goto_level_3\"}\n"
              "{\"error\":\"Uncaught\",\"message\":\"Crash!\",\"exception\":\"boom\"}\n");
    shell::AnalyticsAPI none;
    EXPECT_EQ(none.initializeWithId("KEY"), nullptr);
}

TEST(AnalyticsDeathTest, AnUncaughtExceptionIsReportedBeforeTheProcessEnds) {
    const std::string path = testrun::tempDir() + "/crash.jsonl";
    EXPECT_DEATH(
        {
            auto* log = new shell::LogAnalytics(path);
            log->initializeWithId("KEY");
            shell::analytics_api = log;
            shell::installUncaughtExceptionHandler();
            // Escaping a thread's function: nothing catches it, as in the game's main loop.
            std::thread([] { throw std::runtime_error("the floor gave way"); }).join();
        },
        "");
    EXPECT_EQ(testrun::readFile(path),
              "{\"error\":\"Uncaught\",\"message\":\"Crash!\",\"exception\":\"the floor gave "
              "way\"}\n");
}
