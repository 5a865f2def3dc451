// SPDX-License-Identifier: MIT
// The whole game, built as `flingo`, run headless with scripts: its trace, its analytics log,
// its data folder and its screenshots. Places on screen come from the game's own tables.
#include "core/evt.h"
#include "core/platform.h"
#include "game/level_defs.h"
#include "game/menu.h"
#include "save/savedata.h"
#include "save/scores.h"
#include "testrun.h"
#include "ui/png_file.h"

#include <algorithm>
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

// How often `part` occurs in text.
int linesWith(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
        ++n;
    return n;
}

TEST(Game, SpoiltResourcesAndFailedWritesAreNamedOnceAndNoBestIsLost) {
    // A best of 50 on the first level, signed with the build's key.
    const std::string data = testrun::tempDir();
    platform::setBasePath((resources + "/").c_str());
    platform::setDataPath((data + "/").c_str());
    savedata::load();
    fg::scores::init();
    fg::scores::saveBest(50, 0);
    evt::publish("onShutdown");

    // The key damaged past its first 64 bytes, half a font, noise for a sound and a track.
    const std::string res = testrun::tempDir() + "/res";
    fs::copy(resources, res, fs::copy_options::recursive);
    std::string noise(4000, '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>(i * 2654435761u >> 13);
    const std::string key = testrun::readFile(res + "/obf.dat");
    testrun::writeFile(res + "/obf.dat", key.substr(0, 64) + noise.substr(0, key.size() - 64));
    const std::string font = testrun::readFile(res + "/fawn.ttf");
    testrun::writeFile(res + "/fawn.ttf", font.substr(0, font.size() / 2));
    testrun::writeFile(res + "/sounds/Applause.wav", noise);
    testrun::writeFile(res + "/sounds/OfficeNoise.mp3", noise);
    const Vector3<float> button = level(0).menuButtonPos;
    GameRun r = runGame(data, tap(130, button.x, button.y) + scoringFlick(170),
                        {"--frames", "300", "--resource-dir", res, "--screenshot", "125:@m.png"});
    ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
    EXPECT_EQ(testrun::events(r.trace, "setBest").size(), 1u); // it scored, over an unverified 0
    for (const char* file :
         {"/obf.dat'", "/fawn.ttf (", "/sounds/Applause.wav:", "/sounds/OfficeNoise.mp3:"})
        EXPECT_EQ(linesWith(r.result.stderr_text, res + file), 1) << file << r.result.stderr_text;
    // "Sound: on" is still there, red, in another font.
    int red = 0;
    for (int y = 480 - 376 - 10; y < 480 - 376 + 10; ++y)
        for (int x = 283 - 40; x < 283 + 40; ++x)
            red += testrun::near(testrun::pixel(r.path("m.png"), x, y), 0xff0000, 90);
    EXPECT_GT(red, 20);
    // With its own key again, the game finds the best of 50.
    savedata::load();
    fg::scores::init();
    EXPECT_EQ(fg::scores::readBest(0), 50);
    evt::publish("onShutdown");

    // A file-size limit: the saves fail with the file and the reason, and leave no temporary
    // file; the game runs on. (Its stderr goes through a pipe, which the limit does not cut.)
    const std::string small = testrun::tempDir();
    testrun::Result limited = testrun::run(
        {"/bin/bash", "-c",
         "/usr/bin/prlimit --fsize=100 \"$0\" --headless --frames 10 --data-dir \"$1\" 2>&1 | "
         "cat >&2; exit ${PIPESTATUS[0]}",
         FLINGO_EXE, small});
    EXPECT_EQ(limited.status, 0) << limited.stderr_text;
    EXPECT_GE(linesWith(limited.stderr_text, small + "/savedata.plist: File too large"), 1)
        << limited.stderr_text;
    for (const auto& entry : fs::directory_iterator(small))
        EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos)
            << entry.path();
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
    const std::string dir = testrun::tempDir();
    testrun::writeFile(dir + "/s.txt", "10 down 1 2\n11 upp 1 2\n");
    testrun::writeFile(dir + "/long.txt", "1 quit #" + std::string(2000, '-') + "\n");
    // Arguments, the exit status, what stderr says.
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"--frames", "-1"}, 2, "--frames: not"},
        {{"--script", dir + "/s.txt"}, 2, "s.txt:2: unknown command 'upp'"},
        {{"--script", dir}, 2, dir + ": Is a directory"},
        {{"--script", "/dev/zero"}, 2, "/dev/zero is larger than"},
        {{"--script", dir + "/long.txt"}, 2, "long.txt:1: line longer than"},
        {{"--location", "abc"}, 2, "--location"},
        {{"--location", "1,2,3"}, 2, "--location"},
        {{"--location", "48.8"}, 2, "--location"},
        {{"--location", "91,0"}, 2, "--location"},
        {{"--location", "0,inf"}, 2, "--location"},
        {{"--trace", "/dev/full"}, 1, "cannot write the trace /dev/full: No space left on device"},
    };
    for (const auto& [args, status, said] : cases) {
        std::vector<std::string> argv = {FLINGO_EXE, "--headless", "--frames",
                                         "1",        "--data-dir", dir};
        argv.insert(argv.end(), args.begin(), args.end());
        testrun::Result r = testrun::run(argv);
        EXPECT_EQ(r.status, status) << args[1];
        EXPECT_EQ(linesWith(r.stderr_text, said), 1) << r.stderr_text;
    }

    // Starts that cannot work end at once with one line saying why.
    fs::create_directories(dir + "/res");
    std::vector<std::pair<std::vector<std::string>, std::string>> starts = {
        {{"--headless", "--resource-dir", dir + "/none"},
         "flingo: no resource folder at " + dir + "/none/"},
        {{"--headless", "--resource-dir", dir + "/res"},
         "flingo: the resource folder " + dir + "/res/ has no Default.png"},
        {{}, "flingo: No display found: set DISPLAY or WAYLAND_DISPLAY, or use --headless"}};
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
        if (const char* value = getenv(v)) saved.emplace_back(v, value);
        unsetenv(v);
    }
    for (auto& [args, line] : starts) {
        args.insert(args.begin(), FLINGO_EXE);
        args.insert(args.end(), {"--data-dir", dir + "/data"});
        testrun::Result r = testrun::run(args, 10);
        EXPECT_EQ(r.status, 1) << line;
        EXPECT_EQ(r.stderr_text.rfind(line, 0), 0u) << r.stderr_text;
        EXPECT_EQ(std::count(r.stderr_text.begin(), r.stderr_text.end(), '\n'), 1);
    }
    for (const auto& [v, value] : saved)
        setenv(v.c_str(), value.c_str(), 1);
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
        EXPECT_GE(dt, 0.0); // how long a frame took is the machine's business, not the test's
    }
    EXPECT_EQ(testrun::events(trace, "getMainView").size(), 1u);
    EXPECT_EQ(testrun::events(trace, "onShutdown").size(), 2u);
    ui::Image shot;
    ASSERT_TRUE(ui::readPng(dir + "/w.png", shot));
    EXPECT_EQ(shot.width, 651);
    EXPECT_EQ(shot.height, 976);
    // The menu fills the whole screen: no corner of it is left black.
    for (auto [x, y] : {std::pair{20, 20}, {630, 20}, {20, 955}, {630, 955}, {325, 488}})
        EXPECT_NE(testrun::pixel(dir + "/w.png", x, y), 0) << x << "," << y;
}

TEST(Game, KeysPadsAndTheBackKeyReachEveryScreen) {
    const std::string script =
        "125 focus lost\n127 focus gained\n"
        "130 key down\n131 key return\n" // the ring on "Easy"; pressed
        // A key flick (hold Space, aim up and a little right): it scores.
        "170 key space down\n171 key up down\n171 key right down\n"
        "173 key right up\n176 key up up\n176 key space up\n"
        "330 press \"Submit\"\n332 key escape\n" // the alert says "No"
        // A stick flick (pulled down-left, let go): it scores.
        "340 pad 1 attach\n345 pad 1 rightx -0.5\n345 pad 1 righty 0.85\n"
        "350 pad 1 rightx 0\n350 pad 1 righty 0\n"
        "470 pad 2 attach\n480 pad 2 righty 0.9\n483 pad 2 detach\n" // a second pad, unplugged
                                                                     // mid-flick
        // Escape with the ball held: no later tap is swallowed.
        "500 down 160 448\n501 move 170 420\n502 key escape\n503 up 170 400\n"
        "530 press \"Easy\"\n560 press \"Menu\"\n600 press \"Scores\"\n"
        "630 press \"Back\"\n660 press \"Sound: on\"\n670 press \"Nope\"\n"
        "680 press \"Scores\"\n700 key right\n701 key left\n702 key down\n"
        "703 key pad-a\n" // a row's board: its page fails, an alert
        "760 key escape\n800 key escape\n830 key escape\n";
    // With the score feature, and with its module missing: Submit and the boards then say so in
    // an alert and the game runs on, the same way out.
    for (const bool missing : {false, true}) {
        SCOPED_TRACE(missing ? "module missing" : "module present");
        const std::string data = testrun::tempDir();
        if (missing) setenv("FLINGO_ONLINE_MODULE", (data + "/none.so").c_str(), 1);
        setenv("SDL_AUDIODRIVER", "alsa", 1); // no sound card here: ALSA's complaints stay silent
        GameRun r =
            runGame(data, script, {"--frames", "1000", "--score-server", "http://127.0.0.1:1"});
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("FLINGO_ONLINE_MODULE");
        ASSERT_EQ(r.result.status, 0) << r.result.stderr_text;
        EXPECT_EQ(r.result.stderr_text.find("ALSA lib"), std::string::npos) << r.result.stderr_text;

        std::vector<std::string> got;
        for (const TraceLine& t : r.trace)
            if (t.frame >= 125 &&
                (t.log.find("focus") != std::string::npos ||
                 t.log.find("\" chosen") != std::string::npos ||
                 t.log.find("Nope") != std::string::npos ||
                 (!t.event.empty() && t.event.find("laySound") == std::string::npos &&
                  t.event != "setBackgroundSound" &&
                  t.event.find("Fireworks") == std::string::npos && t.event != "onFrame" &&
                  t.event != "render" && t.event != "sizeGl" && t.event != "onNav" &&
                  t.event != "getMainView" && t.event != "onPtrMove" && t.event != "preloadSound" &&
                  t.event != "prepareSound")))
                got.push_back(std::to_string(t.frame) + " " + t.event + t.payload + t.log);
        // clang-format off
    const std::vector<std::string> want = {
        "126 onSleepnull", "126 focus lost: 1 sounds paused", // read back from the mixer
        "128 onWakenull", "128 focus regained: 0 sounds paused",
        "131 onPtrDown[230,316]", "131 onPtrUp[230,316]", "131 gotoLevel0", // "Easy"
        "170 onPtrDown[160,32]", "176 onPtrUp[176,72]", "176 onTutorialShownnull", "312 setBest1",
        "330 onPtrDown[40,360]", "330 onPtrUp[40,360]", "330 scorePromptnull",
        missing ? "332 alert \"Online Scores\": \"Ok\" chosen by the back key"
                : "332 alert \"Submit Score?\": \"No\" chosen by the back key", // no post
        "346 onPtrDown[160,32]", "351 onPtrUp[189.99908,82.99826]", "460 setBest2",
        "481 onPtrDown[160,32]", "484 onPtrUp[160,32]", // the last point: no flick, no throw
        "500 onPtrDown[160,32]", "502 gotoMenunull", // no release after the escape
        "530 onPtrDown[230,316]", "530 onPtrUp[230,316]", "530 gotoLevel0",
        "560 onPtrDown[48,295]", "560 onPtrUp[48,295]", "560 gotoMenunull",
        "600 onPtrDown[63,343]", "600 onPtrUp[63,343]", "600 gotoScoresnull",
        "630 onPtrDown[269,156]", "630 onPtrUp[269,156]", "630 gotoMenunull",
        "660 onPtrDown[283,376]", "660 onPtrUp[283,376]", "660 setSoundfalse",
        "660 releaseBackgroundMusicnull",
        "670 script line 30: no button \"Nope\" on screen (on screen: \"Easy\", \"Medium\", "
        "\"Hard\", \"Airport\", \"Basement\", \"Scores\", \"Sound: off\")",
        "680 onPtrDown[63,343]", "680 onPtrUp[63,343]", "680 gotoScoresnull",
        "703 onPtrDown[102,247]", "703 onPtrUp[102,247]", "703 showScores3", // by focus
        // The alert (its "Ok" goes back to the score menu), the score menu, out.
        missing ? "760 alert \"Online Scores\": \"Ok\" chosen by the back key"
                : "760 alert \"Error loading webpage\": \"Ok\" chosen by the back key",
        "800 gotoMenunull", "830 onShutdownnull", "830 releaseBackgroundMusicnull",
        "830 onShutdownnull"};
        // clang-format on
        EXPECT_EQ(got, want);
        int said = 0;
        for (const TraceLine& t : r.trace)
            said +=
                t.log.find("Online scores are not available in this build.") != std::string::npos;
        EXPECT_EQ(said, missing ? 2 : 0);
        const size_t why = r.result.stderr_text.find("cannot load " + data + "/none.so");
        EXPECT_EQ(why != std::string::npos, missing) << r.result.stderr_text;
        EXPECT_EQ(why, r.result.stderr_text.rfind("cannot load ")) << "named once";
        const std::string save = testrun::readFile(data + "/savedata.plist");
        EXPECT_NE(
            save.find("<key>level_0_best</key>\n\t<dict>\n\t\t<key>value</key>\n\t\t<integer>2<"),
            std::string::npos);
        EXPECT_NE(save.find("<key>sound</key>\n\t<false/>"), std::string::npos);
    }
}
