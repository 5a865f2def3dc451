// The shell run as a program: the harness application (a start-up image, then a GL view pushed
// over it) driven headless by scripts; the trace, the screenshots and the exit status checked.
#include "testrun.h"

#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using testrun::TraceLine;

namespace {

struct HarnessRun {
    std::string dir;
    testrun::Result result;
    std::vector<TraceLine> trace;
    std::string path(const std::string& name) const { return dir + "/" + name; }
};

// A headless harness run with the given script and extra arguments. Default.png is solid green.
HarnessRun runHarness(const std::string& script, std::vector<std::string> extra) {
    HarnessRun r;
    r.dir = testrun::tempDir();
    testrun::writeSolidPng(r.path("Default.png"), 320, 480, 0, 255, 0);
    testrun::writeFile(r.path("s.txt"), script);
    std::vector<std::string> argv = {SHELL_HARNESS, "--headless",     "--resource-dir",
                                     r.dir,         "--script",       r.path("s.txt"),
                                     "--trace",     r.path("t.jsonl")};
    for (std::string& a : extra) {
        if (a.find("@") != std::string::npos) a.replace(a.find('@'), 1, r.dir + "/");
        argv.push_back(a);
    }
    r.result = testrun::run(argv);
    r.trace = testrun::readTrace(r.path("t.jsonl"));
    return r;
}

double number(const std::string& s) {
    return std::stod(s);
}

} // namespace

TEST(ShellRun, TicksPublishFrameThenRenderWithMillisecondDtAndActivateOnce) {
    HarnessRun r = runHarness("", {"--frames", "40"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    // The start-up image stays 0.2 s (10 steps); the push starts the timer, whose first tick
    // comes one interval later, at step 11, and then one every step.
    std::vector<TraceLine> frames = testrun::events(r.trace, "onFrame");
    ASSERT_EQ(frames.size(), 30u);
    EXPECT_EQ(frames.front().frame, 11);
    EXPECT_EQ(frames.back().frame, 40);
    for (const TraceLine& f : frames)
        EXPECT_NEAR(number(f.payload), 0.02, 1e-9) << f.frame;

    // "render" follows each "onFrame" in the same step.
    int renders = 0;
    for (size_t i = 0; i < r.trace.size(); ++i) {
        if (r.trace[i].event != "onFrame") continue;
        ASSERT_LT(i + 1, r.trace.size());
        EXPECT_EQ(r.trace[i + 1].event, "render");
        EXPECT_EQ(r.trace[i + 1].frame, r.trace[i].frame);
        ++renders;
    }
    EXPECT_EQ(renders, 30);

    // The push takes 0.35 s: the view counts as shown at step 28 (0.56 s), and only once.
    int shown = 0;
    for (const TraceLine& t : r.trace) {
        if (t.log.rfind("shown", 0) == 0) {
            ++shown;
            EXPECT_EQ(t.log, "shown 1");
            EXPECT_EQ(t.frame, 28);
        }
    }
    EXPECT_EQ(shown, 1);

    // The end: "onShutdown" at the last step, from the termination and again from the
    // delegate's destruction.
    std::vector<TraceLine> downs = testrun::events(r.trace, "onShutdown");
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0].frame, 40);
}

TEST(ShellRun, TouchesBecomePointerEventsInGameSpaceOnlyOnTheShownView) {
    HarnessRun r = runHarness("# touches\n"
                              "5 down 10 10      # start-up image: nobody listens\n"
                              "5 up 10 10\n"
                              "20 down 0 0       # mid-slide: ignored\n"
                              "20 up 0 0\n"
                              "30 down 0 0\n"
                              "31 move 0 480\n"
                              "32 up 0 480\n"
                              "33 down 100.5 100\n"
                              "34 cancel 50 60\n"
                              "35 down 160 240\n",
                              {"--frames", "36", "--screenshot", "5:@start.png", "--screenshot",
                               "19:@slide.png", "--screenshot", "35:@touch.png"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    std::vector<std::pair<std::string, std::string>> got;
    for (const TraceLine& t : r.trace)
        if (t.event.rfind("onPtr", 0) == 0)
            got.push_back({t.event + "@" + std::to_string(t.frame), t.payload});
    const std::vector<std::pair<std::string, std::string>> want = {
        {"onPtrDown@30", "[0,480]"},     {"onPtrMove@31", "[0,0]"},  {"onPtrUp@32", "[0,0]"},
        {"onPtrDown@33", "[100.5,380]"}, {"onPtrUp@34", "[50,420]"}, {"onPtrDown@35", "[160,240]"}};
    EXPECT_EQ(got, want);

    // The screen as composed: the start-up image, then both views mid-slide, then the view
    // with the square painted where the pointer event said.
    const long green = 0x00ff00, blue = 0x0000ff, white = 0xffffff;
    EXPECT_TRUE(testrun::near(testrun::pixel(r.path("start.png"), 160, 240), green, 8));
    EXPECT_TRUE(testrun::near(testrun::pixel(r.path("slide.png"), 5, 240), green, 8));
    EXPECT_TRUE(testrun::near(testrun::pixel(r.path("slide.png"), 315, 240), blue, 8));
    EXPECT_TRUE(testrun::near(testrun::pixel(r.path("touch.png"), 160, 240), white, 8));
    EXPECT_TRUE(testrun::near(testrun::pixel(r.path("touch.png"), 160, 250), blue, 8));
    EXPECT_TRUE(testrun::near(testrun::pixel(r.path("touch.png"), 170, 240), blue, 8));
}

TEST(ShellRun, PressTapsALabelledButtonAndKeysReachTheDelegate) {
    HarnessRun r =
        runHarness("30 press \"OK\"\n31 press \"Nope\"\n32 key Escape\n", {"--frames", "33"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
    // "OK" lies at (100, 200, 120 x 40): its centre (160, 220) is (160, 260) in game space.
    std::vector<TraceLine> down = testrun::events(r.trace, "onPtrDown");
    std::vector<TraceLine> up = testrun::events(r.trace, "onPtrUp");
    ASSERT_EQ(down.size(), 1u);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(down[0].payload, "[160,260]");
    EXPECT_EQ(up[0].payload, "[160,260]");
    EXPECT_EQ(down[0].frame, 30);
    EXPECT_TRUE(testrun::hasLog(r.trace, "no button \"Nope\""));
    EXPECT_TRUE(testrun::hasLog(r.trace, "back"));
}

TEST(ShellRun, BadCommandLinesAndScriptsStopBeforeTheRunWithAMessage) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"1 down 1 2\n\n3 jump 4 5\n", "s.txt:3:"},
        {"0 down 1 2\n", "s.txt:1:"},
        {"4 down 1\n", "s.txt:1:"},
        {"2 up 1 2\n4 press OK\n", "s.txt:2:"},
        {"7 press \"OK\n", "s.txt:1:"},
        {"7 key\n", "s.txt:1:"},
        {"8 quit now\n", "s.txt:1:"},
        {"x down 1 2\n", "s.txt:1:"},
    };
    for (const auto& [script, where] : bad) {
        HarnessRun r = runHarness(script, {"--frames", "5"});
        EXPECT_EQ(r.result.status, 2) << script;
        EXPECT_NE(r.result.stderr_text.find(where), std::string::npos)
            << script << " -> " << r.result.stderr_text;
        EXPECT_TRUE(r.trace.empty()) << script; // nothing ran
    }
    HarnessRun unknown = runHarness("", {"--frames", "5", "--bogus"});
    EXPECT_EQ(unknown.result.status, 2);
    EXPECT_NE(unknown.result.stderr_text.find("--bogus"), std::string::npos);
}

TEST(ShellRun, QuitAndSigtermEndTheRunWithTheShutdown) {
    HarnessRun quit = runHarness("15 quit\n", {});
    ASSERT_EQ(quit.result.status, 0) << quit.result.stderr_text;
    std::vector<TraceLine> downs = testrun::events(quit.trace, "onShutdown");
    ASSERT_FALSE(downs.empty());
    EXPECT_EQ(downs[0].frame, 15);
    // The quit comes before the step's tick: the last tick was step 14.
    EXPECT_EQ(testrun::events(quit.trace, "onFrame").back().frame, 14);

    // Without --frames a headless run goes on until told to stop.
    const std::string dir = testrun::tempDir();
    const int pid = testrun::start(
        {SHELL_HARNESS, "--headless", "--resource-dir", dir, "--trace", dir + "/t.jsonl"},
        dir + "/err.txt");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(testrun::waitForStep(dir + "/t.jsonl", 20, 60));
    kill(pid, SIGTERM);
    EXPECT_EQ(testrun::wait(pid, 30), 0);
    std::vector<TraceLine> trace = testrun::readTrace(dir + "/t.jsonl");
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back().event, "onShutdown");
    EXPECT_GT(trace.back().frame, 11); // it did run for a while
    // A missing start-up image is reported and the run goes on.
    EXPECT_TRUE(testrun::hasLog(trace, "Default.png"));
}

TEST(ShellRun, HeadlessRunsRepeatExactly) {
    const std::string script = "30 down 40 50\n31 move 45 70\n33 up 90 100\n";
    HarnessRun a = runHarness(script, {"--frames", "40", "--screenshot", "32:@p.png"});
    HarnessRun b = runHarness(script, {"--frames", "40", "--screenshot", "32:@p.png"});
    ASSERT_EQ(a.result.status, 0);
    ASSERT_EQ(b.result.status, 0);
    EXPECT_EQ(testrun::readFile(a.path("t.jsonl")), testrun::readFile(b.path("t.jsonl")));
    const std::string pa = testrun::readFile(a.path("p.png"));
    EXPECT_FALSE(pa.empty());
    EXPECT_EQ(pa, testrun::readFile(b.path("p.png")));
}
