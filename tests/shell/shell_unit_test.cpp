// SPDX-License-Identifier: MIT
// The shell's pieces that need no window: the command line, scripts, trace formatting, the
// start-up timing, navigation and analytics. (Timers: the GL view's ticks show them.)
#include "core/clock.h"
#include "core/events.h"
#include "core/platform.h"
#include "shell/analytics.h"
#include "shell/options.h"
#include "shell/script.h"
#include "shell/startup.h"
#include "shell/trace.h"
#include "support/run.h"
#include "ui/views.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

TEST(Options, ScreenshotPathsKeepTheirColonsAndBadValuesNameTheOption) {
    shell::Options o;
    std::string err;
    auto parse = [&](std::vector<const char*> args) {
        o = {};
        args.insert(args.begin(), "flingo");
        return shell::parseOptions(static_cast<int>(args.size()), args.data(), o, err);
    };
    ASSERT_TRUE(parse({"--screenshot", "20:dir/b:c.png", "--seed", "-7", "--scale", "1.75"}))
        << err;
    ASSERT_EQ(o.screenshots.size(), 1u);
    EXPECT_EQ(std::to_string(o.screenshots[0].step) + " " + o.screenshots[0].path + " " +
                  std::to_string(o.seed) + " " + std::to_string(o.scale),
              "20 dir/b:c.png -7 1.750000");
    // Each case: an option and its value (none when null).
    const char* bad[][2] = {
        {"--frames", "0"},           {"--frames", "ten"},       {"--frames", nullptr},
        {"--scale", "2x"},           {"--seed", "99999999999"}, {"--screenshot", "a.png"},
        {"--screenshot", "0:a.png"}, {"--screenshot", "5:"},    {"--headless=yes", nullptr},
        {"--data-dir", ""},          {"--what", nullptr},       {"--scale", "0.1"},
        {"--scale", "nan"}};
    for (const auto& [opt, value] : bad) {
        EXPECT_FALSE(value ? parse({opt, value}) : parse({opt})) << opt;
        EXPECT_NE(err.find(std::string(opt).substr(0, 6)), std::string::npos) << err;
    }
}

// (An unknown command, named with its line, is a whole-game run's case.)
TEST(Script, GrammarAndBadLinesNamedWithTheirNumber) {
    std::vector<shell::Command> cmds;
    std::string err;
    ASSERT_TRUE(
        shell::parseScript("# a throw\n\n  12 down 160 400   # on the ball\n"
                           "3 press \"Yes # not a comment\"\n14\tup 161 200\r\n"
                           "13 cancel -1 2e1\n12 key F11\n15 key Space up\n15 pad 2 righty -0.5\n",
                           "s", cmds, err))
        << err;
    // Ordered by step; file order kept within a step. Step, kind, x, y, text, line.
    std::vector<std::string> got;
    for (const shell::Command& c : cmds)
        got.push_back(std::to_string(c.step) + " " + std::to_string(c.kind) + " " +
                      std::to_string(c.x) + " " + std::to_string(c.y) + " " + c.text + " " +
                      std::to_string(c.line));
    EXPECT_EQ(got, (std::vector<std::string>{
                       "3 4 0.000000 0.000000 Yes # not a comment 4",
                       "12 0 160.000000 400.000000  3", "12 5 0.000000 0.000000 f11 7",
                       "13 3 -1.000000 20.000000  6", "14 2 161.000000 200.000000  5",
                       "15 5 2.000000 0.000000 space 8", // let go
                       "15 6 2.000000 -0.500000 righty 9"}));
    for (const auto& [text, want] : std::vector<std::pair<std::string, std::string>>{
             {"-3 up 1 2\n", "s:1: expected a step number"},
             {"1 up 1 nan\n", "s:1: expected two numbers"},
             {"1 up 1 2 3\n", "s:1: unexpected text"},
             {"1 key tab\n", "s:1: unknown key 'tab' (known: escape, f11, return, space, up,"},
             {"1 key space held\n", "s:1: expected 'down' or 'up' after the key"},
             {"1 pad 5 attach\n", "s:1: expected a pad number 1 to 4"},
             {"1 pad 1 rightz 0\n", "s:1: unknown pad control 'rightz'"},
             {"1 pad 1 rightx 1.5\n", "s:1: expected a value from -1 to 1 after 'rightx'"},
             {"1 pad 1 a\n", "s:1: expected 'down' or 'up' after the button"},
             {"1 focus away\n", "s:1: expected 'lost' or 'gained'"},
             {"1\n", "s:1: expected a command"},
             {"1 press Yes\n", "s:1: expected a quoted label"}}) {
        EXPECT_FALSE(shell::parseScript(text, "s", cmds, err)) << text;
        EXPECT_EQ(err.rfind(want, 0), 0u) << err;
    }
    // Files that cannot be scripts: the file and why.
    const std::string dir = testrun::tempDir();
    testrun::writeFile(dir + "/long.txt", "1 quit #" + std::string(2000, '-') + "\n");
    for (const auto& [path, want] : std::vector<std::pair<std::string, std::string>>{
             {"/nonexistent/s.txt", "/nonexistent/s.txt"},
             {dir, dir + ": Is a directory"},
             {"/dev/zero", "/dev/zero is larger than"},
             {dir + "/long.txt", "long.txt:1: line longer than"}}) {
        EXPECT_FALSE(shell::loadScript(path, cmds, err)) << path;
        EXPECT_NE(err.find(want), std::string::npos) << err;
    }
}

// (Points, flags, numbers and text are in every whole-game run's trace; text is escaped as the
// analytics log escapes it.)
TEST(Trace, PayloadsAreWrittenByTheEventsType) {
    std::string out; // no text, and an event the table does not know (its payload never read)
    shell::formatPayload(events::payloadOf("setBackgroundSound"), nullptr, out);
    shell::formatPayload(events::payloadOf("somethingNew"), reinterpret_cast<void*>(1), out);
    EXPECT_EQ(out, "nullnull");
}

// (The time zone is left as the last case sets it: no test reads the local time after this one.)
TEST(Startup, PromotionWeekIsLocalTimeInclusive) {
    for (const char* zone : {"UTC", "America/Los_Angeles", "Pacific/Kiritimati"}) {
        setenv("TZ", zone, 1);
        tzset();
        auto at = [](int day, int h, int m, int s) { // local time, December 2009
            tm t{s, m, h, day, 11, 109, 0, 0, -1, 0, nullptr};
            return mktime(&t);
        };
        std::string got; // the last second before the week, its first and last, the next
        for (time_t t : {at(12, 23, 59, 59), at(13, 0, 0, 0), at(19, 23, 59, 59), at(20, 0, 0, 0)})
            got += shell::inPromotionWeek(t) ? '1' : '0';
        EXPECT_EQ(got, "0110") << zone;
        EXPECT_EQ(shell::startupSeconds(at(16, 12, 0, 0)), 4.0);
    }
}

// (Views are shown, and the game activated, once each slide is over: the whole-game runs show
// it.)
TEST(Navigation, PushesWaitForTheSlideAndTheRootStays) {
    clk::setNs(0);
    ui::ViewController start{nullptr, "start"}, game{nullptr, "game"}, web{nullptr, "web"};
    ui::NavController nav(&start);
    nav.push(&game, true);
    EXPECT_TRUE(nav.notMovedYet()); // begun: its first frame is the one on screen
    nav.push(&web, true);           // refused mid-slide
    EXPECT_EQ(nav.depth(), 2u);
    clk::setNs(20'000'000);
    EXPECT_FALSE(nav.notMovedYet()); // a step on, it has
    clk::setNs(350'000'000);
    nav.advance(); // the slide is over
    nav.push(&web, false);
    for (int i = 0; i < 3; ++i)
        nav.pop(false); // the root stays
    EXPECT_EQ(std::pair(nav.depth(), nav.top()), std::pair(size_t{1}, &start));
}

TEST(Analytics, ADeviceIdWhateverItsFileAndUncaughtExceptionsLogged) {
    // (A stored id is used again: the whole-game runs show it.) A damaged file is replaced,
    // whole; one that cannot be written keeps its id for the run.
    const std::string dir = testrun::tempDir(), stuck = testrun::tempDir();
    testrun::writeFile(dir + "/device_id", "garbage\n");
    platform::setDataPath(dir.c_str());
    const std::string fresh = shell::deviceId();
    EXPECT_TRUE(fresh.size() == 36 && fresh[14] == '4') << fresh; // a version 4 UUID
    EXPECT_EQ(testrun::readFile(dir + "/device_id"), fresh + "\n");
    std::filesystem::create_directory(stuck + "/device_id");
    platform::setDataPath(stuck.c_str());
    const std::string kept = shell::deviceId();
    EXPECT_TRUE(kept.size() == 36 && shell::deviceId() == kept) << kept;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(stuck), {}), 1); // no temp file
    // (Events' lines are in the whole-game runs' logs.) An uncaught exception is logged, its text
    // escaped (quotes, backslashes, control characters), before the program ends.
    EXPECT_DEATH(
        {
            shell::analytics_api = new shell::LogAnalytics(dir + "/crash.jsonl");
            shell::analytics_api->initializeWithId("KEY");
            shell::installUncaughtExceptionHandler();
            std::thread([] { throw std::runtime_error("the \"floor\"\\ gave\n\x01way"); }).join();
        },
        "");
    EXPECT_EQ(
        testrun::readFile(dir + "/crash.jsonl"),
        "{\"error\":\"Uncaught\",\"message\":\"Crash!\",\"exception\":\"the \\\"floor\\\"\\\\ "
        "gave\\n\\u0001way\"}\n");
}
