// SPDX-License-Identifier: MIT
// The whole game, built as `flingo`, run headless with scripts: its trace, its analytics log,
// its data folder and its screenshots. Places on screen come from the game's own tables.
#include "e2e.h"

#include <algorithm>
#include <filesystem>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

// Points of a 9-pixel grid where two pictures differ, from row top down, left of x right or
// above row bottom.
int mismatches(const std::string& shot, const std::string& image, int top = 0, int right = 320,
               int bottom = 480) {
    const testrun::Png a = testrun::readPng(shot), b = testrun::readPng(image);
    int bad = 0;
    for (int y = top + 4; y < 480; y += 9)
        for (int x = 4; x < 320; x += 9)
            bad += (x < right || y < bottom) && !near(a.at(x, y), b.at(x, y), 4);
    return bad;
}

// Whether part occurs in text, once.
bool once(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos && text.find(part) == text.rfind(part);
}
// A flick from the ball at step 170 that scores in the first level with seed 7.
const std::string SCORING_FLICK = "170 down 160 448\n171 move 200 380\n171 up 200 380\n";
} // namespace

TEST(Game, AFreshStartAThrowANewBestTheLevelResumedSeededRepeatsAndSigtermEndsCleanly) {
    const std::string data = testrun::tempDir();
    const Vector3<float> button = level(0).menuButtonPos;
    std::string script = "105 down 160 240\n106 up 160 240\n"; // the menu slides in: no one hears
    script += tap(130, button.x, button.y);                    // the level slides in: 131 .. 148
    script += "135 key escape\n";                              // mid-slide: no way back yet
    script += SCORING_FLICK;                                   // in the basket, applause at 280
    script += "350 key escape\n";                              // back to the menu: 350 .. 367
    script += tap(355, button.x, button.y);                    // mid-slide: the menu is not active
    script += tap(400, button.x, button.y);
    GameRun r = runGame(data, script,
                        {"--frames", "440", "--analytics-log", "@a.jsonl", "--screenshot",
                         "50:@start.png", "--screenshot", "125:@menu.png", "--screenshot",
                         "104:@s104.png", "--screenshot", "106:@s106.png", "--screenshot",
                         "349:@before.png", "--screenshot", "440:@after.png"});

    // Launch: the stored sound setting (on, fresh), the menu's track, the ads last of all. The
    // start-up screen stays 2 s: the frame timer ticks from step 101 (each tick updates, and the
    // game is drawn once, where the slide puts it), and the game is activated (ads asked for the
    // view) when the 0.35 s push from step 100 is over, at step 118, once. The level is in place on
    // the slide's 17th moving frame; back on the menu, its banner is asked for again.
    const std::string levelTrack = std::string("\"") + level(0).backgroundSound + "\"";
    EXPECT_EQ(story(r.trace,
                    [](const TraceLine& t) {
                        const bool tick = t.event == "onFrame" || t.event == "render";
                        return t.frame < 125 &&
                               (!noise(t.event) || (tick && (t.frame <= 101 || t.frame == 120)));
                    }),
              (Story{"0 setSound true", "0 releaseBackgroundMusic null",
                     "0 setBackgroundSound \"OfficeNoise.mp3\"",
                     "0 playBackgroundMusic \"OfficeNoise.mp3\"", "0 registerAds null",
                     "101 onFrame 0.020000000000000018", "101 render null", "118 getMainView null",
                     "120 onFrame 0.020000000000000018", "120 render null"}));
    EXPECT_EQ(
        story(r.trace,
              [](const TraceLine& t) {
                  return t.frame >= 130 && !noise(t.event, {"onPtrDown", "onPtrUp"});
              }),
        (Story{"131 gotoLevel 0", "131 setBackgroundSound " + levelTrack, "148 getMainView null",
               "171 onTutorialShown null", "280 setBest 1", "350 gotoMenu null",
               "350 setBackgroundSound \"OfficeNoise.mp3\"", "367 getMainView null",
               "401 gotoLevel 0", "401 setBackgroundSound " + levelTrack, "418 getMainView null",
               "440 onShutdown null", "440 releaseBackgroundMusic null", "440 onShutdown null"}));
    // The start-up screen shows the start-up image; the menu does not. While the menu slides in
    // from the right, the start-up image moves out at the left.
    const std::string image = resources + "/Default.png";
    EXPECT_EQ(mismatches(r.path("start.png"), image), 0);
    EXPECT_GT(mismatches(r.path("menu.png"), image), 200);
    EXPECT_GT(mismatches(r.path("s104.png"), r.path("s106.png"), 0, 150, 0), 50);
    // USER_START carries the device id kept in the data folder, then each level opened.
    const std::string start =
        "{\"event\":\"USER_START\",\"parameters\":{\"ID\":\"" + deviceIn(data) + "\"}}\n";
    EXPECT_EQ(testrun::readFile(r.path("a.jsonl")),
              start + "{\"event\":\"goto_level_0\"}\n{\"event\":\"goto_level_0\"}\n");
    // The level as left: score, best, wind and ball, below the banner, away from the turning fan.
    EXPECT_EQ(mismatches(r.path("before.png"), r.path("after.png"), 60, 230, 310), 0);

    // Two restarts with the same input, no ads, a look while the ball flies, a script's quit: no
    // banner view, the tutorial stays away, the landing sound, the same score is no new best over
    // the stored one, the runs repeat exactly, and the quit ends each at its step, before that
    // step's tick.
    GameRun later[2];
    for (GameRun& l : later)
        l = runGame(data, tap(130, button.x, button.y) + SCORING_FLICK + "300 quit\n",
                    {"--no-ads", "--screenshot", "200:@p.png"});
    EXPECT_EQ(story(later[0].trace,
                    [](const TraceLine& t) {
                        return t.event == "getMainView" || t.event == "onTutorialShown" ||
                               t.event == "setBest" || t.event == "onShutdown" ||
                               (t.event == "flingoPlaySound" && t.frame > 171);
                    }),
              (Story{"246 flingoPlaySound \"In.wav\"", "280 flingoPlaySound \"Applause.wav\"",
                     "300 onShutdown null", "300 onShutdown null"}));
    EXPECT_EQ(countBetween(later[0].trace, "onFrame", 298, 999), 1); // at 299
    for (const char* file : {"t.jsonl", "p.png"})
        EXPECT_EQ(testrun::readFile(later[0].path(file)), testrun::readFile(later[1].path(file)));
    EXPECT_GT(testrun::readPng(later[0].path("p.png")).w, 0);

    // Every effect played was asked for when its screen opened, for the loader to decode ahead.
    std::set<std::string> asked;
    for (const TraceLine& t : later[0].trace) {
        if (t.event == "prepareSound") asked.insert(t.payload);
        EXPECT_TRUE(t.event != "playSound" || asked.count(t.payload)) << t.payload << t.frame;
    }
    // The next run, the same device id, stopped by SIGTERM (whenever it comes), shuts down
    // cleanly: its last events are the shutdown's.
    GameRun next = runGame(data, "", {"--analytics-log", "@a.jsonl"},
                           {"/usr/bin/timeout", "--preserve-status", "-s", "TERM", "6"});
    EXPECT_EQ(testrun::readFile(next.path("a.jsonl")), start);
    std::string end;
    for (const TraceLine& t : next.trace)
        end += noise(t.event) ? "" : t.event + " ";
    EXPECT_TRUE(end.ends_with(" onShutdown releaseBackgroundMusic onShutdown ")) << end;
}

TEST(Game, SpoiltResourcesAreNamedOnceAndNoBestIsLost) {
    // A best of 50 on the first level, signed with the build's key.
    const std::string data = dataWithBest(50);

    // The key damaged past its first 64 bytes, half a font, noise for a sound and a track, a
    // start-up image that is no picture, and the menu's background gone.
    const std::string res = testrun::tempDir() + "/res";
    fs::copy(resources, res, fs::copy_options::recursive);
    const std::string junk(4000, 'j');
    const std::string key = testrun::readFile(res + "/obf.dat");
    testrun::writeFile(res + "/obf.dat", key.substr(0, 64) + junk.substr(0, key.size() - 64));
    const std::string font = testrun::readFile(res + "/fawn.ttf");
    testrun::writeFile(res + "/fawn.ttf", font.substr(0, font.size() / 2));
    testrun::writeFile(res + "/sounds/Applause.wav", junk);
    testrun::writeFile(res + "/sounds/OfficeNoise.mp3", junk);
    testrun::writeFile(res + "/Default.png", "not a picture");
    const Vector3<float> button = level(0).menuButtonPos; // and the tables filled
    ASSERT_TRUE(fs::remove(res + "/img/" + fg::menu_info.background));
    GameRun r = runGame(data, tap(130, button.x, button.y) + SCORING_FLICK,
                        {"--frames", "300", "--resource-dir", res, "--screenshot", "125:@m.png"});
    EXPECT_EQ(countBetween(r.trace, "setBest", 0, 999), 1); // over an unverified 0
    for (const std::string& file : std::vector<std::string>{
             "/obf.dat'", "/fawn.ttf (", "/sounds/Applause.wav:", "/sounds/OfficeNoise.mp3:",
             "/Default.png", "/img/" + std::string(fg::menu_info.background)})
        EXPECT_TRUE(once(r.result.stderr_text, res + file)) << file << r.result.stderr_text;
    // Only the missing picture goes: the level buttons are drawn as ever, and "Sound: on" is
    // still there, red, in another font.
    const testrun::Png menu = testrun::readPng(r.path("m.png"));
    const int y = 480 - static_cast<int>(button.y);
    EXPECT_TRUE(near(menu.at(192, y), 0xfffbf7, 8));
    EXPECT_TRUE(near(menu.at(152, y), 0x6bbe5a, 8));
    EXPECT_GT(redPixels(r.path("m.png"), 243, 94, 323, 114), 20);
    // With its own key again, the game finds the best of 50.
    EXPECT_EQ(stored(data, 0), 50);
}

// The program's own ends: its version, and runs that cannot start, with the exit status and the
// one line that says why (the options and scripts themselves are checked in the shell's tests);
// then a run in a window.
TEST(Game, VersionStartsThatCannotWorkAndAWindowScaledToTheDesktop) {
    const std::string dir = testrun::tempDir();
    testrun::writeFile(dir + "/s.txt", "10 down 1 2\n11 upp 1 2\n");
    fs::create_directories(dir + "/res");
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"--version"}, 0, std::string("flingo ") + FLINGO_VERSION + "\n"},
        {{"--headless", "--frames", "-1"}, 2, "--frames: not"},
        {{"--headless", "--script", dir + "/s.txt"}, 2, "s.txt:2: unknown command 'upp'"},
        {{"--headless", "--trace", "/dev/full"}, 1, "trace /dev/full: No space left on device"},
        {{"--headless", "--resource-dir", dir + "/no"}, 1, "flingo: no resource folder at " + dir},
        {{"--headless", "--resource-dir", dir + "/res"},
         1,
         "flingo: the resource folder " + dir + "/res/ has no Default.png"},
        {{}, 1, "flingo: No display found: set DISPLAY or WAYLAND_DISPLAY, or use --headless"}};
    for (const auto& [args, status, said] : cases) {
        // Nothing from our environment: no display either.
        std::vector<std::string> argv = {"/usr/bin/env", "-i",       FLINGO_EXE, "--data-dir",
                                         dir + "/data",  "--frames", "1"};
        argv.insert(argv.end(), args.begin(), args.end());
        testrun::Result r = testrun::run(argv);
        EXPECT_EQ(r.status, status) << said;
        // Said once; a start that cannot work says that line alone.
        EXPECT_TRUE(once(r.stdout_text + r.stderr_text, said)) << r.stderr_text;
        const long lines = std::count(r.stderr_text.begin(), r.stderr_text.end(), '\n');
        EXPECT_TRUE(said.rfind("flingo: ", 0) != 0 || lines == 1) << r.stderr_text;
    }

    if (!fs::exists("/usr/bin/xvfb-run")) GTEST_SKIP() << "no xvfb-run";
    // A 1280 x 1024 desktop fits the screen 2.03 times (976 of its 1024 - 48 rows): the window
    // takes that real scale. Full screen and back with F11 (on a desktop
    // without a window manager the window keeps its size whatever SDL was asked).
    testrun::writeFile(dir + "/w.txt", "150 key f11\n180 key f11\n");
    testrun::Result r =
        testrun::run({"/usr/bin/xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", FLINGO_EXE,
                      "--fullscreen", "--frames", "400", "--script", dir + "/w.txt", "--data-dir",
                      dir + "/data", "--screenshot", "400:" + dir + "/w.png"});
    ASSERT_EQ(r.status, 0) << r.stderr_text;
    const testrun::Png shot = testrun::readPng(dir + "/w.png");
    EXPECT_EQ(std::pair(shot.w, shot.h), std::pair(651, 976));
    // The menu fills the whole screen: no corner of it is left black.
    for (auto [x, y] : {std::pair{20, 20}, {630, 20}, {20, 955}, {630, 955}, {325, 488}})
        EXPECT_GT(shot.at(x, y), 0) << x << "," << y;

    // In a window the start-up picture is drawn once: the step after the start-up timer's, the
    // second, shows the menu's first frame.
    r = testrun::run({"/usr/bin/xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", FLINGO_EXE,
                      "--scale", "1", "--frames", "2", "--trace", dir + "/w.jsonl", "--data-dir",
                      dir + "/data"});
    ASSERT_EQ(r.status, 0) << r.stderr_text;
    EXPECT_GT(countBetween(readTrace(dir + "/w.jsonl"), "render", 1, 3), 0);
}

TEST(Game, KeysPadsAndTheBackKeyReachEveryScreen) {
    // Focus lost and regained; the ring on "Easy", pressed; a key flick (hold Space, aim up and a
    // little right) that scores; Submit, the alert answered "No" by the back key; a stick flick
    // (pulled down-left, let go) that scores; a second pad unplugged mid-flick; Escape with the
    // ball held (no later tap is swallowed); buttons by name, one not on screen; a touch the
    // system took back; a row's board by focus (its page fails, an alert); the way out.
    const std::string script =
        "125 focus lost\n127 focus gained\n130 key down\n131 key return\n"
        "170 key space down\n171 key up down\n171 key right down\n173 key right up\n"
        "176 key up up\n176 key space up\n330 press \"Submit\"\n332 key escape\n"
        "340 pad 1 attach\n345 pad 1 rightx -0.5\n345 pad 1 righty 0.85\n350 pad 1 rightx 0\n"
        "350 pad 1 righty 0\n470 pad 2 attach\n480 pad 2 righty 0.9\n483 pad 2 detach\n"
        "500 down 160 448\n501 move 170 420\n502 key escape\n503 up 170 400\n"
        "530 press \"Easy\"\n560 press \"Menu\"\n600 press \"Scores\"\n630 press \"Back\"\n"
        "655 down 300 460\n656 cancel 300 460\n660 press \"Sound: on\"\n670 press \"Nope\"\n"
        "680 press \"Scores\"\n700 key right\n701 key left\n702 key down\n703 key pad-a\n"
        "760 key escape\n800 key escape\n830 key escape\n";
    // No sound card here: ALSA's complaints stay silent.
    const std::string data = testrun::tempDir();
    GameRun r = runGame(data, script, {"--frames", "1000", "--score-server", "http://127.0.0.1:1"},
                        {"SDL_AUDIODRIVER=alsa"});
    EXPECT_EQ(r.result.stderr_text.find("ALSA lib"), std::string::npos) << r.result.stderr_text;

    const Story got = story(r.trace, [&](const TraceLine& t) {
        for (const char* said : {"focus", "\" chosen", "Nope"})
            if (t.log.find(said) != std::string::npos) return t.frame >= 125;
        // Touches where flicks and a taken-back touch are; buttons show by what they do.
        if (t.event == "onPtrDown" || t.event == "onPtrUp")
            return (t.frame >= 170 && t.frame < 510) || t.frame == 655 || t.frame == 656;
        return t.frame >= 125 && !noise(t.event, {"setBackgroundSound", "onNav", "getMainView"});
    });
    // Sounds paused as read back from the mixer; the last point of the unplugged pad's flick
    // makes no throw.
    // clang-format off
    const Story want = {
        "126 onSleep null", "126 focus lost: 1 sounds paused", "128 onWake null",
        "128 focus regained: 0 sounds paused", "131 gotoLevel 0", "170 onPtrDown [160,32]",
        "176 onPtrUp [176,72]", "176 onTutorialShown null", "312 setBest 1",
        "330 onPtrDown [40,360]", "330 onPtrUp [40,360]", "330 scorePrompt null",
        "332 alert \"Submit Score?\": \"No\" chosen by the back key",
        "346 onPtrDown [160,32]", "351 onPtrUp [189.99908,82.99826]", "460 setBest 2",
        "481 onPtrDown [160,32]", "484 onPtrUp [160,32]", "500 onPtrDown [160,32]",
        "502 gotoMenu null", "530 gotoLevel 0", "560 gotoMenu null", "600 gotoScores null",
        "630 gotoMenu null", "655 onPtrDown [300,20]", "656 onPtrUp [300,20]",
        "660 setSound false", "660 releaseBackgroundMusic null",
        "670 script line 32: no button \"Nope\" on screen (on screen: \"Easy\", \"Medium\", "
        "\"Hard\", \"Airport\", \"Basement\", \"Scores\", \"Sound: off\")",
        "680 gotoScores null", "703 showScores 3",
        "760 alert \"Error loading webpage\": \"Ok\" chosen by the back key",
        "800 gotoMenu null", "830 onShutdown null", "830 releaseBackgroundMusic null",
        "830 onShutdown null"};
    // clang-format on
    EXPECT_EQ(got, want);
    EXPECT_EQ(stored(data, 0), 2);

    // The next run starts with the sound off. Its score module missing, Submit (the best is
    // unsent) and a board say so in an alert, the module named once, and the game runs on.
    GameRun next = runGame(data,
                           "130 press \"Easy\"\n160 press \"Submit\"\n162 key escape\n170 key "
                           "escape\n200 press \"Scores\"\n230 press \"Medium\"\n232 key escape\n",
                           {"--frames", "240"}, {"FLINGO_ONLINE_MODULE=" + data + "/none.so"});
    EXPECT_TRUE(once(next.result.stderr_text, "cannot load " + data + "/none.so"));
    const std::string unavailable = " Online scores are not available in this build.";
    EXPECT_EQ(story(next.trace,
                    [](const TraceLine& t) {
                        return t.event == "setSound" || t.log.starts_with("alert \"Online");
                    }),
              (Story{"0 setSound false", "160 alert \"Online Scores\":" + unavailable,
                     "162 alert \"Online Scores\": \"Ok\" chosen by the back key",
                     "230 alert \"Online Scores\":" + unavailable,
                     "232 alert \"Online Scores\": \"Ok\" chosen by the back key"}));
}
