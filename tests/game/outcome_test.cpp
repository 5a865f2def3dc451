#include "level_driver.h"

#include "core/evt.h"
#include "gfx/sprite.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using leveltest::LevelDriver;

namespace {

using Sounds = std::vector<std::string>;

// Runs the end of a throw whose landing left this run score and the ball at x.
void endThrow(LevelDriver& d, int score, float x = 160) {
    d.level.score = score;
    d.level.ballPos.x = x;
    d.level.state = Level::PAUSE;
    d.level.stateTimer = 0.5f;
    d.clear();
    d.frame(0.5); // the whole pause in one tick
    ASSERT_EQ(d.level.state, Level::READY);
}

bool in(const char* const (&list)[4], const std::string& name) {
    return std::any_of(list, list + 4, [&](const char* s) { return s && name == s; });
}

bool same(Vector4<float> a, Vector4<float> b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

} // namespace

TEST(Outcome, StreakAwwAndOffScreenSounds) {
    LevelDriver d;
    d.enter(0, 5);
    endThrow(d, 5); // reaches the best without passing it
    EXPECT_EQ(d.sounds(), Sounds{"Applause.wav"});
    EXPECT_EQ(d.count("setBest"), 0);
    EXPECT_TRUE(d.level.onStreak);
    EXPECT_EQ(d.level.best, 5);

    endThrow(d, 0, -100); // the next miss is consoled, whatever the off-screen side
    EXPECT_EQ(d.sounds(), Sounds{"Aww.wav"});
    EXPECT_FALSE(d.level.onStreak);

    endThrow(d, 3); // below the best: silent, no streak
    EXPECT_TRUE(d.sounds().empty());
    EXPECT_FALSE(d.level.onStreak);
    endThrow(d, 0, 100); // a miss on screen is silent too
    EXPECT_TRUE(d.sounds().empty());

    const fg::LevelInfo& l = *d.level.info;
    endThrow(d, 0, -32); // the edges themselves are silent
    EXPECT_TRUE(d.sounds().empty());
    endThrow(d, 0, 352);
    EXPECT_TRUE(d.sounds().empty());
    for (int i = 0; i < 8; ++i) {
        endThrow(d, 0, -32.01f);
        ASSERT_EQ(d.sounds().size(), 1u);
        EXPECT_TRUE(in(l.leftSounds, d.sounds()[0])) << d.sounds()[0];
        endThrow(d, 0, 352.01f);
        ASSERT_EQ(d.sounds().size(), 1u);
        EXPECT_TRUE(in(l.rightSounds, d.sounds()[0])) << d.sounds()[0];
    }
}

TEST(Outcome, TheNextThrowIsPreparedAfterHalfASecond) {
    LevelDriver d;
    d.enter(0);
    d.level.throwAngle = 30;
    d.level.ballPos = {300, 150, 8};
    d.level.score = 0;
    d.level.state = Level::PAUSE;
    d.level.stateTimer = 0.5f;
    Sprite* oldWind = d.level.windText;
    d.frames(24);
    EXPECT_EQ(d.level.state, Level::PAUSE);
    EXPECT_EQ(d.level.windText, oldWind);
    d.frames(2);
    ASSERT_EQ(d.level.state, Level::READY);
    EXPECT_EQ(d.level.ballPos.x, 160.0f);
    EXPECT_EQ(d.level.ballPos.y, 32.0f);
    EXPECT_EQ(d.level.ballPos.z, 0.0f);
    EXPECT_EQ(d.level.throwAngle, 0.0f);
    EXPECT_EQ(d.level.stateTimer, 0.0f);
    EXPECT_NE(d.level.windText, nullptr);
}

TEST(Outcome, CelebrationModeFireworksFromThree) {
    fg::LevelInfo info = leveltest::row(0);
    info.celebrationMode = true;
    LevelDriver d;
    d.enter(&info, 1);
    endThrow(d, 2);
    EXPECT_EQ(d.sounds(), Sounds{"Applause.wav"});
    EXPECT_EQ(d.count("startFireworks"), 0);
    endThrow(d, 3);
    EXPECT_TRUE(d.sounds().empty());
    EXPECT_EQ(d.count("startFireworks"), 1);
    EXPECT_TRUE(d.level.onStreak);
    d.level.best = 10;
    endThrow(d, 4); // below the best: applause in this mode
    EXPECT_EQ(d.sounds(), Sounds{"Applause.wav"});
}

TEST(Outcome, NewBestOnlyAboveTheBestAndSubmitComesBack) {
    LevelDriver d;
    d.enter(0, 5, false);
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR_DISABLED));
    d.level.score = 5;
    d.clear();
    d.level.setScore();
    EXPECT_EQ(d.count("setBest"), 0); // equal is not a new best
    EXPECT_EQ(d.level.bestText[1], nullptr);
    EXPECT_NE(d.level.scoreText[1], nullptr); // the run score pops in
    EXPECT_EQ(d.level.textFade, 0.0f);

    d.level.submitFade = 3;
    d.level.score = 6;
    d.level.setScore();
    ASSERT_EQ(d.count("setBest"), 1);
    EXPECT_EQ(d.published.back().value, 6);
    EXPECT_EQ(d.level.best, 6);
    EXPECT_TRUE(d.level.canSubmit);
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR));
    EXPECT_EQ(d.level.submitFade, 0.0f); // Submit pops in again
    EXPECT_NE(d.level.bestText[1], nullptr);

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

    // Half a second later the incoming texts have replaced the shown ones.
    Sprite* incoming = d.level.bestText[1];
    d.frames(24);
    EXPECT_EQ(d.level.bestText[1], incoming);
    d.frames(2);
    EXPECT_EQ(d.level.bestText[0], incoming);
    EXPECT_EQ(d.level.bestText[1], nullptr);
    EXPECT_EQ(d.level.scoreText[1], nullptr);

    // A new level's first basket is a best of 1.
    d.enter(1, 0, false);
    d.clear();
    endThrow(d, 1);
    EXPECT_EQ(d.sounds(), Sounds{"Applause.wav"});
    ASSERT_EQ(d.count("setBest"), 1);
}

TEST(Outcome, UnlockBannerPhases) {
    LevelDriver d;
    d.enter(0);
    d.level.state = Level::INACTIVE;
    evt::publish("onLevelUnlocked");
    EXPECT_EQ(d.level.unlockPhase, 0); // not while the screen slides
    EXPECT_TRUE(d.sounds().empty());

    d.level.state = Level::READY;
    evt::publish("onLevelUnlocked");
    EXPECT_EQ(d.sounds(), Sounds{"unlock.wav"});
    EXPECT_EQ(d.level.unlockPhase, 1);
    d.frames(6, 0.25); // 1.5 s: not yet past the phase
    EXPECT_EQ(d.level.unlockPhase, 1);
    d.frame(0.25);
    EXPECT_EQ(d.level.unlockPhase, 2);
    EXPECT_EQ(d.level.unlockTime, 0.25f);
    d.frames(5, 0.25);
    EXPECT_EQ(d.level.unlockPhase, 2);
    d.frame(0.25);
    EXPECT_EQ(d.level.unlockPhase, 0);
}

TEST(Buttons, MenuSquareWorksInEveryPlayingState) {
    LevelDriver d;
    d.enter(0); // Menu at (48, 295), part of the background picture
    d.clear();
    d.down(72, 319);
    d.up(72, 319); // the square's corner
    EXPECT_EQ(d.sounds(), Sounds{"Crumple.wav"});
    EXPECT_EQ(d.count("gotoMenu"), 1);
    d.clear();
    d.up(72.01f, 295);
    d.up(48, 270.99f);
    EXPECT_EQ(d.published.size(), 0u);

    d.flick({160, 32}, {160, 100});
    ASSERT_EQ(d.level.state, Level::FLYING);
    d.clear();
    d.up(48, 295); // also while the ball flies
    EXPECT_EQ(d.count("gotoMenu"), 1);

    // A release that ends a grab of the ball never presses a button.
    d.enter(0);
    d.clear();
    d.flick({160, 32}, {48, 295});
    EXPECT_EQ(d.count("gotoMenu"), 0);
    EXPECT_EQ(d.level.state, Level::FLYING);

    d.level.state = Level::INACTIVE;
    d.clear();
    d.up(48, 295);
    EXPECT_EQ(d.count("gotoMenu"), 0);
}

TEST(Buttons, SubmitLooksAndPrompts) {
    LevelDriver d;
    d.enter(0, 3, false); // Submit at (40, 360)
    d.down(40, 360);
    EXPECT_TRUE(same(d.level.submitColour, Vector4<float>{0.25f, 0.25f, 0.25f, 1}));
    EXPECT_TRUE(same(d.level.menuColour, HUD_BUTTON_COLOR));
    d.clear();
    d.up(40, 360);
    EXPECT_EQ(d.sounds(), Sounds{"Crumple.wav"}); // grey still prompts
    EXPECT_EQ(d.count("scorePrompt"), 1);
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR_DISABLED));

    d.enter(0, 3, true);
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR));
    d.down(40, 360);
    EXPECT_TRUE(same(d.level.submitColour, Vector4<float>{0.5f, 0, 0, 1}));
    d.down(200, 200); // elsewhere: the released look
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR));
    d.down(40, 360);
    d.level.state = Level::FLYING; // pressing outside the ready state: released look
    d.down(40, 360);
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR));
    EXPECT_EQ(d.level.submitFade, 0.5f);
}

TEST(Buttons, MenuTextButtonDarkensWhenPressed) {
    fg::LevelInfo info = leveltest::row(0);
    info.hasMenuText = true;
    LevelDriver d;
    d.enter(&info);
    ASSERT_NE(d.level.menuText, nullptr);
    d.down(48, 295);
    EXPECT_TRUE(same(d.level.menuColour, Vector4<float>{0.5f, 0, 0, 1}));
    d.clear();
    d.up(48, 295);
    EXPECT_EQ(d.count("gotoMenu"), 1);
    EXPECT_TRUE(same(d.level.menuColour, HUD_BUTTON_COLOR));
}
