// SPDX-License-Identifier: MIT
// The shell run as a program: the harness application (a start-up image, then a GL view pushed
// over it) driven headless by scripts; the trace, the screenshots and the exit status checked.
#include "testrun.h"

#include <csignal>
#include <gtest/gtest.h>

using testrun::TraceLine;

namespace {

// A headless harness run of the script. Default.png is solid green.
testrun::ScriptedRun runHarness(const std::string& script, const std::vector<std::string>& extra) {
    const std::string dir = testrun::tempDir();
    testrun::writeSolidPng(dir + "/Default.png", 320, 480, 0, 255, 0);
    return testrun::runScripted({SHELL_HARNESS, "--headless", "--resource-dir", dir}, script, extra,
                                dir);
}

} // namespace

TEST(ShellRun, TicksPublishFrameThenRenderAndTheViewIsShownOnce) {
    testrun::ScriptedRun r = runHarness("", {"--frames", "40"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
    // The start-up image stays 0.2 s (10 steps); the push starts the timer, whose first tick
    // comes one interval later, at step 11, and then one every step, each followed by "render".
    std::vector<TraceLine> frames = testrun::events(r.trace, "onFrame");
    ASSERT_EQ(frames.size(), 30u);
    EXPECT_EQ(frames.front().frame, 11);
    for (size_t i = 0; i < r.trace.size(); ++i) {
        if (r.trace[i].event != "onFrame") continue;
        EXPECT_NEAR(std::stod(r.trace[i].payload), 0.02, 1e-9) << r.trace[i].frame;
        ASSERT_LT(i + 1, r.trace.size());
        EXPECT_EQ(r.trace[i + 1].event + std::to_string(r.trace[i + 1].frame),
                  "render" + std::to_string(r.trace[i].frame));
    }
    // The push takes 0.35 s: the view counts as shown at step 28 (0.56 s), and only once.
    std::vector<long> shown;
    for (const TraceLine& t : r.trace)
        if (t.log.rfind("shown", 0) == 0) shown.push_back(t.frame);
    EXPECT_EQ(shown, std::vector<long>{28});
    // "onShutdown" at the last step, from the termination and again from the delegate's end.
    std::vector<TraceLine> downs = testrun::events(r.trace, "onShutdown");
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0].frame, 40);
}

TEST(ShellRun, TouchesBecomePointerEventsInGameSpaceOnlyOnTheShownView) {
    testrun::ScriptedRun r =
        runHarness("# touches\n"
                   "5 down 10 10      # start-up image: nobody listens\n"
                   "5 up 10 10\n"
                   "20 down 0 0       # mid-slide: ignored\n"
                   "20 up 0 0\n"
                   "30 down 0 0\n"
                   "31 move 0 480\n"
                   "32 up 0 480\n"
                   "33 down 100.5 100\n"
                   "34 cancel 50 60\n"
                   "35 down 160 240\n"
                   "36 up 160 240\n"
                   "37 press \"OK\"\n"
                   "38 press \"Nope\"\n"
                   "39 key Escape\n",
                   {"--frames", "40", "--screenshot", "5:@start.png", "--screenshot",
                    "19:@slide.png", "--screenshot", "35:@touch.png"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
    std::vector<std::string> got;
    for (const TraceLine& t : r.trace)
        if (t.event.rfind("onPtr", 0) == 0)
            got.push_back(t.event + "@" + std::to_string(t.frame) + " " + t.payload);
    // "OK" lies at (100, 200, 120 x 40): its centre (160, 220) is (160, 260) in game space.
    EXPECT_EQ(got, (std::vector<std::string>{
                       "onPtrDown@30 [0,480]", "onPtrMove@31 [0,0]", "onPtrUp@32 [0,0]",
                       "onPtrDown@33 [100.5,380]", "onPtrUp@34 [50,420]", "onPtrDown@35 [160,240]",
                       "onPtrUp@36 [160,240]", "onPtrDown@37 [160,260]", "onPtrUp@37 [160,260]"}));
    EXPECT_TRUE(testrun::hasLog(r.trace, "no button \"Nope\""));
    EXPECT_TRUE(testrun::hasLog(r.trace, "back"));

    // The screen as composed: the start-up image, then both views mid-slide, then the view
    // with the square painted where the pointer event said.
    const std::vector<std::tuple<const char*, int, int, long>> at = {
        {"start.png", 160, 240, 0x00ff00}, {"slide.png", 5, 240, 0x00ff00},
        {"slide.png", 315, 240, 0x0000ff}, {"touch.png", 160, 240, 0xffffff},
        {"touch.png", 160, 250, 0x0000ff}, {"touch.png", 170, 240, 0x0000ff}};
    for (const auto& [shot, x, y, colour] : at)
        EXPECT_TRUE(testrun::near(testrun::pixel(r.path(shot), x, y), colour, 8))
            << shot << " " << x << "," << y;
}

TEST(ShellRun, QuitAndSigtermEndTheRunWithTheShutdown) {
    testrun::ScriptedRun quit = runHarness("15 quit\n", {});
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
