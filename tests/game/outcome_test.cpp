#include "level_driver.h"

#include "core/evt.h"

#include <algorithm>
#include <gtest/gtest.h>

using leveltest::LevelDriver;
using Sounds = std::vector<std::string>;

namespace {

// Ends a throw that left this run score and the ball at x; returns the sounds played.
Sounds endThrow(LevelDriver& d, int score, float x = 160) {
    d.level.score = score;
    d.level.ballPos.x = x;
    d.level.state = Level::PAUSE;
    d.level.stateTimer = 0.5f;
    d.clear();
    d.frame(0.5); // the whole pause in one tick
    EXPECT_EQ(d.level.state, Level::READY);
    return d.sounds();
}

bool in(const char* const (&list)[4], const Sounds& s) {
    return s.size() == 1 && std::any_of(list, list + 4, [&](auto n) { return n && s[0] == n; });
}

bool same(Vector4<float> a, Vector4<float> b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

} // namespace

TEST(Outcome, StreakAwwAndOffScreenSounds) {
    LevelDriver d;
    d.enter(0, 5);
    EXPECT_EQ(endThrow(d, 5), Sounds{"Applause.wav"}); // reaching the best is a streak
    EXPECT_EQ(d.count("setBest"), 0);
    EXPECT_EQ(endThrow(d, 0, -100), Sounds{"Aww.wav"}); // consoled, whatever the side
    EXPECT_FALSE(d.level.onStreak);
    EXPECT_EQ(endThrow(d, 3), Sounds{}); // below the best
    EXPECT_FALSE(d.level.onStreak);
    EXPECT_EQ(endThrow(d, 0, 100), Sounds{});
    EXPECT_EQ(endThrow(d, 0, -32), Sounds{}); // the edges themselves are on screen
    EXPECT_EQ(endThrow(d, 0, 352), Sounds{});
    for (int i = 0; i < 8; ++i) { // picked at random from the side's list
        EXPECT_TRUE(in(d.level.info->leftSounds, endThrow(d, 0, -32.01f)));
        EXPECT_TRUE(in(d.level.info->rightSounds, endThrow(d, 0, 352.01f)));
    }

    fg::LevelInfo info = leveltest::row(0);
    info.celebrationMode = true;
    d.enter(&info, 1);
    EXPECT_EQ(endThrow(d, 2), Sounds{"Applause.wav"});
    EXPECT_EQ(endThrow(d, 3), Sounds{}); // fireworks instead, from three on
    EXPECT_EQ(d.count("startFireworks"), 1);
    d.level.best = 10;
    EXPECT_EQ(endThrow(d, 4), Sounds{"Applause.wav"}); // below the best: applause too
}

TEST(Outcome, NewBestOnlyAboveTheBestAndSubmitComesBack) {
    LevelDriver d;
    d.enter(0, 5, false);
    d.level.score = 5;
    d.clear();
    d.level.setScore();
    EXPECT_EQ(d.count("setBest"), 0); // equal is not a new best
    EXPECT_EQ(d.level.bestText[1], nullptr);
    EXPECT_NE(d.level.scoreText[1], nullptr); // the run score pops in

    d.level.submitFade = 3;
    d.level.score = 6;
    d.level.setScore();
    ASSERT_EQ(d.count("setBest"), 1);
    EXPECT_EQ(d.published.back().value, 6);
    EXPECT_TRUE(d.level.canSubmit);
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR));
    EXPECT_EQ(d.level.submitFade, 0.0f); // Submit pops in again

    d.level.submitFade = 3;
    d.level.score = 7; // already enabled: no second pop
    d.level.setScore();
    EXPECT_EQ(d.count("setBest"), 2);
    EXPECT_EQ(d.level.submitFade, 3.0f);

    evt::publish("postScore");
    EXPECT_FALSE(d.level.canSubmit);
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR_DISABLED));
    d.level.score = 8;
    d.level.setScore();
    EXPECT_TRUE(d.level.canSubmit);
    EXPECT_EQ(d.level.submitFade, 0.0f);

    Sprite* incoming = d.level.bestText[1]; // replaces the shown text after half a second
    d.frames(24);
    EXPECT_EQ(d.level.bestText[1], incoming);
    d.frames(2);
    EXPECT_EQ(d.level.bestText[0], incoming);
    EXPECT_EQ(d.level.bestText[1], nullptr);
}

TEST(Outcome, UnlockBannerPhases) {
    LevelDriver d;
    d.enter(0);
    d.level.state = Level::INACTIVE;
    evt::publish("onLevelUnlocked");
    EXPECT_EQ(d.level.unlockPhase, 0); // not while the screen slides
    d.level.state = Level::READY;
    evt::publish("onLevelUnlocked");
    EXPECT_EQ(d.sounds(), Sounds{"unlock.wav"});
    const int phases[] = {1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 0}; // 1.5 s, then 1.5 s
    for (int i = 0; i < 13; ++i) {
        d.frame(0.25);
        EXPECT_EQ(d.level.unlockPhase, phases[i]) << "after " << (i + 1) * 0.25 << " s";
    }
}

TEST(Buttons, MenuAndSubmit) {
    LevelDriver d;
    d.enter(0, 3, false); // Menu square around (48, 295), part of the background; Submit (40, 360)
    const struct {
        float x, y;
        int menu;
    } presses[] = {{72, 319, 1}, {24, 271, 1}, {72.01f, 295, 0}, {48, 270.99f, 0}};
    for (const auto& p : presses) {
        d.clear();
        d.up(p.x, p.y);
        EXPECT_EQ(d.count("gotoMenu"), p.menu) << p.x << "," << p.y;
        EXPECT_EQ(d.sounds().size(), size_t(p.menu));
    }
    d.flick({160, 32}, {160, 100});
    ASSERT_EQ(d.level.state, Level::FLYING);
    d.clear();
    d.up(48, 295); // also while the ball flies
    EXPECT_EQ(d.count("gotoMenu"), 1);
    d.enter(0, 3, false);
    d.clear();
    d.flick({160, 32}, {48, 295}); // a release that ends a grab is a throw, not a press
    EXPECT_EQ(d.count("gotoMenu"), 0);
    d.level.state = Level::INACTIVE;
    d.up(48, 295);
    EXPECT_EQ(d.count("gotoMenu"), 0);

    d.enter(0, 3, false);
    d.down(40, 360);
    EXPECT_TRUE(same(d.level.submitColour, Vector4<float>{0.25f, 0.25f, 0.25f, 1}));
    d.clear();
    d.up(40, 360);
    EXPECT_EQ(d.sounds(), Sounds{"Crumple.wav"}); // grey still prompts
    EXPECT_EQ(d.count("scorePrompt"), 1);
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR_DISABLED));
    d.enter(0, 3, true);
    d.down(40, 360);
    EXPECT_TRUE(same(d.level.submitColour, Vector4<float>{0.5f, 0, 0, 1}));
    d.down(200, 200); // elsewhere: the released look
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR));
}
