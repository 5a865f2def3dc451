// SPDX-License-Identifier: MIT
// The whole game, built as `flingo`, run headless with scripts: its trace, its analytics log,
// its data folder and its screenshots. Places on screen come from the game's own tables.
#include "game/level_defs.h"
#include "game/menu.h"
#include "shell/png_file.h"
#include "testrun.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <thread>

using testrun::TraceLine;
namespace fs = std::filesystem;

namespace {

const std::string resources = std::string(FLINGO_BUILD_DIR) + "/resources";

using GameRun = testrun::ScriptedRun;

// Runs the game headless with a seed; '@' in an argument stands for the run's folder.
GameRun runGame(const std::string& data, const std::string& script,
                const std::vector<std::string>& extra) {
    return testrun::runScripted({FLINGO_EXE, "--headless", "--seed", "7", "--data-dir", data},
                                script, extra);
}

// Script lines tapping a point given in game space (y up), at step n (down) and n + 1 (up).
std::string tap(int n, float x, float y) {
    const std::string p = std::to_string(x) + " " + std::to_string(480 - y) + "\n";
    return std::to_string(n) + " down " + p + std::to_string(n + 1) + " up " + p;
}

const fg::LevelInfo& level(int i) {
    static bool filled = false;
    if (!filled) fg::initializeData();
    filled = true;
    return fg::level_info[i];
}

std::vector<TraceLine> nonFrame(const std::vector<TraceLine>& trace) {
    std::vector<TraceLine> out;
    for (const TraceLine& t : trace)
        if (!t.event.empty() && t.event != "onFrame" && t.event != "render" &&
            t.event != "sizeGl" && t.event.find("Fireworks") == std::string::npos)
            out.push_back(t);
    return out;
}

// Compares screenshot pixels against the start-up image at a grid of points.
int startupMismatches(const std::string& shot, const std::string& image) {
    int bad = 0;
    for (int y = 10; y < 480; y += 47)
        for (int x = 7; x < 320; x += 39)
            if (!testrun::near(testrun::pixel(shot, x, y), testrun::pixel(image, x, y), 4)) ++bad;
    return bad;
}

} // namespace

TEST(Game, FreshStartLaunchesInOrderAndActivatesOnceAfterTheStartupScreen) {
    const std::string data = testrun::tempDir();
    GameRun r = runGame(data, "",
                        {"--frames", "125", "--analytics-log", "@a.jsonl", "--screenshot",
                         "50:@start.png", "--screenshot", "125:@menu.png"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    // Launch (step 0): the stored sound setting (on, fresh), the menu's track, then the ads,
    // last of all.
    std::vector<TraceLine> launch;
    for (const TraceLine& t : r.trace)
        if (t.frame == 0 && !t.event.empty()) launch.push_back(t);
    ASSERT_GE(launch.size(), 3u);
    const int sound = testrun::find(launch, "setSound");
    const int track = testrun::find(launch, "setBackgroundSound");
    ASSERT_GE(sound, 0);
    ASSERT_GE(track, 0);
    EXPECT_EQ(launch[sound].payload, "true");
    EXPECT_EQ(launch[track].payload, "\"OfficeNoise.mp3\"");
    EXPECT_LT(sound, track);
    EXPECT_EQ(launch.back().event, "registerAds");

    // The start-up screen stays 2 s: the frame timer starts with the push at step 100, ticks
    // from step 101, and the game is activated (ads asked for the view) when the 0.35 s push
    // is over, at step 118, once.
    std::vector<TraceLine> frames = testrun::events(r.trace, "onFrame");
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front().frame, 101);
    std::vector<TraceLine> views = testrun::events(r.trace, "getMainView");
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0].frame, 118);

    // The start-up screen shows the start-up image; the menu does not.
    const std::string image = resources + "/Default.png";
    EXPECT_EQ(startupMismatches(r.path("start.png"), image), 0);
    EXPECT_GT(startupMismatches(r.path("menu.png"), image), 20);
    // Five level buttons: white labels, each with its own coloured mark on the left.
    std::set<long> marks;
    for (int i = 0; i < fg::LEVEL_COUNT; ++i) {
        const int y = 480 - static_cast<int>(level(i).menuButtonPos.y);
        EXPECT_TRUE(testrun::near(testrun::pixel(r.path("menu.png"), 192, y), 0xfffbf7, 8)) << i;
        marks.insert(testrun::pixel(r.path("menu.png"), 152, y));
    }
    EXPECT_EQ(marks.size(), 5u);
    EXPECT_FALSE(marks.count(0xfffbf7));

    // USER_START carries the device id kept in the data folder, the same on the next run.
    std::string id = testrun::readFile(data + "/device_id");
    ASSERT_FALSE(id.empty());
    id.pop_back();
    EXPECT_EQ(testrun::readFile(r.path("a.jsonl")),
              "{\"event\":\"USER_START\",\"parameters\":{\"ID\":\"" + id + "\"}}\n");
    GameRun again = runGame(data, "", {"--frames", "2", "--analytics-log", "@a.jsonl"});
    EXPECT_EQ(testrun::readFile(again.path("a.jsonl")), testrun::readFile(r.path("a.jsonl")));
}

// A flick from the ball that scores in the first level with seed 7.
std::string scoringFlick(int n) {
    return std::to_string(n) + " down 160 448\n" + std::to_string(n + 1) + " move 200 380\n" +
           std::to_string(n + 1) + " up 200 380\n";
}

TEST(Game, AThrowScoresANewBestAndTheLevelResumesUnchangedAfterTheMenu) {
    const std::string data = testrun::tempDir();
    const Vector3<float> button = level(0).menuButtonPos;
    std::string script = tap(130, button.x, button.y); // the level slides in: 131 .. 148
    script += "135 key escape\n";                      // mid-slide: no way back yet
    script += scoringFlick(170);                       // in the basket, applause at 280
    script += "350 key escape\n";                      // back to the menu: 350 .. 367
    script += tap(355, button.x, button.y);            // mid-slide: the menu is not active
    script += tap(400, button.x, button.y);
    GameRun r = runGame(data, script,
                        {"--frames", "440", "--analytics-log", "@a.jsonl", "--screenshot",
                         "349:@before.png", "--screenshot", "440:@after.png"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;

    std::vector<std::string> got;
    for (const TraceLine& t : nonFrame(r.trace))
        if (t.frame >= 130 && t.event != "onPtrDown" && t.event != "onPtrUp" &&
            t.event != "onPtrMove" && t.event.find("laySound") == std::string::npos &&
            t.event != "preloadSound" && t.event != "prepareSound")
            got.push_back(std::to_string(t.frame) + " " + t.event + " " + t.payload);
    const std::string levelTrack = std::string("\"") + level(0).backgroundSound + "\"";
    const std::vector<std::string> want = {
        "131 gotoLevel 0",
        "131 setBackgroundSound " + levelTrack,
        "148 getMainView null", // the slide's 17th moving frame: the level is in place
        "171 onTutorialShown null",
        "280 setBest 1",
        "350 gotoMenu null",
        "350 setBackgroundSound \"OfficeNoise.mp3\"",
        "367 getMainView null", // back on the menu, its banner asked for again
        "401 gotoLevel 0",
        "401 setBackgroundSound " + levelTrack,
        "418 getMainView null",
        "440 onShutdown null",
        "440 releaseBackgroundMusic null",
        "440 onShutdown null",
    };
    EXPECT_EQ(got, want);
    EXPECT_NE(testrun::readFile(data + "/savedata.plist")
                  .find("<key>level_0_best</key>\n\t<dict>\n\t\t<key>value</key>\n\t\t<integer>1<"),
              std::string::npos);
    EXPECT_NE(testrun::readFile(r.path("a.jsonl"))
                  .find("{\"event\":\"goto_level_0\"}\n{\"event\":\"goto_level_0\"}\n"),
              std::string::npos);
    // The level as left: score, best, wind and ball, below the banner, away from the turning fan.
    ASSERT_GE(testrun::pixel(r.path("before.png"), 0, 0), 0);
    ASSERT_GE(testrun::pixel(r.path("after.png"), 0, 0), 0);
    int changed = 0;
    for (int y = 60; y < 480; y += 9)
        for (int x = 3; x < 320; x += 9)
            if ((x < 230 || y < 310) && testrun::pixel(r.path("before.png"), x, y) !=
                                            testrun::pixel(r.path("after.png"), x, y))
                ++changed;
    EXPECT_EQ(changed, 0);

    // A restart: the tutorial stays away, the best stays.
    GameRun later =
        runGame(data, tap(130, button.x, button.y) + scoringFlick(170), {"--frames", "300"});
    EXPECT_TRUE(testrun::events(later.trace, "onTutorialShown").empty());
    // The same score again is no new best over the stored one.
    bool applause = false;
    for (const TraceLine& t : later.trace)
        applause |= t.event == "flingoPlaySound" && t.payload == "\"Applause.wav\"";
    EXPECT_TRUE(applause); // it scored
    EXPECT_TRUE(testrun::events(later.trace, "setBest").empty());
}

TEST(Game, SoundSwitchSurvivesARestart) {
    const std::string data = testrun::tempDir();
    GameRun off =
        runGame(data, tap(130, menu::SOUND_POS.x, menu::SOUND_POS.y), {"--frames", "140"});
    ASSERT_EQ(off.result.status, 0) << off.result.stderr_text;
    std::vector<TraceLine> sets = testrun::events(off.trace, "setSound");
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].payload, "true");
    EXPECT_EQ(sets[1].payload, "false");
    EXPECT_EQ(sets[1].frame, 131);
    EXPECT_TRUE(fs::exists(data + "/savedata.plist"));

    GameRun later = runGame(data, "", {"--frames", "2"});
    sets = testrun::events(later.trace, "setSound");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].frame, 0);
    EXPECT_EQ(sets[0].payload, "false");
}

TEST(Game, SeededRunsWithTheSameInputRepeatExactly) {
    const Vector3<float> button = level(0).menuButtonPos;
    // Into the level, a throw, a look while it flies.
    const std::string script = tap(130, button.x, button.y) + scoringFlick(170);
    GameRun a =
        runGame(testrun::tempDir(), script, {"--frames", "230", "--screenshot", "200:@p.png"});
    GameRun b =
        runGame(testrun::tempDir(), script, {"--frames", "230", "--screenshot", "200:@p.png"});
    ASSERT_EQ(a.result.status, 0) << a.result.stderr_text;
    ASSERT_EQ(b.result.status, 0);
    EXPECT_EQ(testrun::readFile(a.path("t.jsonl")), testrun::readFile(b.path("t.jsonl")));
    const std::string pa = testrun::readFile(a.path("p.png"));
    ASSERT_FALSE(pa.empty());
    EXPECT_EQ(pa, testrun::readFile(b.path("p.png")));
}

TEST(Game, NoAdsAsksForNoBannerView) {
    GameRun r = runGame(testrun::tempDir(), "", {"--frames", "130", "--no-ads"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
    EXPECT_TRUE(testrun::events(r.trace, "getMainView").empty());
    EXPECT_EQ(testrun::events(r.trace, "onFrame").size(), 30u); // the game runs as before
}

TEST(Game, BrokenAndMissingImagesAreReportedAndTheGameRuns) {
    const std::string res = testrun::tempDir() + "/res";
    fs::copy(resources, res, fs::copy_options::recursive);
    testrun::writeFile(res + "/Default.png", "not a picture");
    level(0); // fills the tables
    const std::string menuImage = fg::menu_info.background;
    ASSERT_TRUE(fs::remove(res + "/img/" + menuImage));
    GameRun r = runGame(testrun::tempDir(), "",
                        {"--frames", "130", "--resource-dir", res, "--screenshot", "130:@m.png"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
    EXPECT_TRUE(testrun::hasLog(r.trace, "Default.png"));
    EXPECT_TRUE(testrun::hasLog(r.trace, menuImage));
    EXPECT_EQ(testrun::events(r.trace, "onFrame").size(), 30u);
    // Only the missing picture goes: the level buttons are drawn as ever.
    const int y = 480 - static_cast<int>(level(0).menuButtonPos.y);
    EXPECT_TRUE(testrun::near(testrun::pixel(r.path("m.png"), 192, y), 0xfffbf7, 8));
    EXPECT_TRUE(testrun::near(testrun::pixel(r.path("m.png"), 152, y), 0x6bbe5a, 8));
}

TEST(Game, SigtermEndsTheRunCleanly) {
    const std::string dir = testrun::tempDir();
    const int pid = testrun::start(
        {FLINGO_EXE, "--headless", "--data-dir", dir + "/data", "--trace", dir + "/t.jsonl"},
        dir + "/err.txt");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(testrun::waitForStep(dir + "/t.jsonl", 120, 120)); // past the start-up screen
    kill(pid, SIGTERM);
    EXPECT_EQ(testrun::wait(pid, 30), 0) << testrun::readFile(dir + "/err.txt");
    std::vector<TraceLine> trace = testrun::readTrace(dir + "/t.jsonl");
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ(trace[trace.size() - 3].event, "onShutdown");
    EXPECT_EQ(trace[trace.size() - 2].event, "releaseBackgroundMusic");
    EXPECT_EQ(trace.back().event, "onShutdown");
}

TEST(Game, VersionAndBadArguments) {
    testrun::Result v = testrun::run({FLINGO_EXE, "--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.stdout_text, std::string("flingo ") + FLINGO_VERSION + "\n");
    testrun::Result bad = testrun::run({FLINGO_EXE, "--frames", "-1"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.stderr_text.find("--frames"), std::string::npos);
    const std::string dir = testrun::tempDir();
    testrun::writeFile(dir + "/s.txt", "10 down 1 2\n11 upp 1 2\n");
    testrun::Result script = testrun::run({FLINGO_EXE, "--headless", "--script", dir + "/s.txt"});
    EXPECT_EQ(script.status, 2);
    EXPECT_NE(script.stderr_text.find("s.txt:2: unknown command 'upp'"), std::string::npos)
        << script.stderr_text;
}

TEST(Game, RunsInAWindowScaledToTheDesktop) {
    if (!fs::exists("/usr/bin/xvfb-run")) GTEST_SKIP() << "no xvfb-run";
    const std::string dir = testrun::tempDir();
    // A 1280 x 1024 desktop fits the screen 2.03 times (976 of its 1024 - 48 rows): the window
    // takes that real scale. Full screen and back with F11 (on a desktop
    // without a window manager the window keeps its size whatever SDL was asked).
    testrun::writeFile(dir + "/s.txt", "150 key f11\n180 key f11\n");
    testrun::Result r = testrun::run({"/usr/bin/xvfb-run", "-a", "-s", "-screen 0 1280x1024x24",
                                      FLINGO_EXE, "--fullscreen", "--frames", "400", "--script",
                                      dir + "/s.txt", "--data-dir", dir + "/data", "--trace",
                                      dir + "/t.jsonl", "--screenshot", "400:" + dir + "/w.png"});
    ASSERT_EQ(r.status, 0) << r.stderr_text;
    std::vector<TraceLine> trace = testrun::readTrace(dir + "/t.jsonl");
    std::vector<TraceLine> frames = testrun::events(trace, "onFrame");
    ASSERT_GT(frames.size(), 100u);
    for (const TraceLine& f : frames) {
        const double dt = std::stod(f.payload);
        EXPECT_GE(dt, 0.0);
        EXPECT_LT(dt, 1.0);
    }
    EXPECT_EQ(testrun::events(trace, "getMainView").size(), 1u);
    EXPECT_EQ(testrun::events(trace, "onShutdown").size(), 2u);
    shell::Image shot;
    ASSERT_TRUE(shell::readPng(dir + "/w.png", shot));
    EXPECT_EQ(shot.width, 651);
    EXPECT_EQ(shot.height, 976);
    // The menu fills the whole screen: no corner of it is left black.
    for (auto [x, y] : {std::pair{20, 20}, {630, 20}, {20, 955}, {630, 955}, {325, 488}})
        EXPECT_NE(testrun::pixel(dir + "/w.png", x, y), 0) << x << "," << y;
}
