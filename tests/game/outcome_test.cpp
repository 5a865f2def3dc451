// SPDX-License-Identifier: MIT
#include "level_driver.h"

#include <algorithm>
#include <gtest/gtest.h>

using leveltest::Events;
using leveltest::LevelDriver;

namespace {

// Ends a throw that left this run score and the ball at x; returns what was published.
Events endThrow(LevelDriver& d, int score, float x = 160) {
    d.level.score = score;
    d.level.ballPos.x = x;
    d.level.state = Level::PAUSE;
    d.level.stateTimer = 0.5f;
    d.take();
    d.frames(1, 0.5); // the whole pause in one tick
    EXPECT_EQ(d.level.state, Level::READY);
    EXPECT_EQ(d.level.ballPos.x, d.level.info->basketX); // back under the basket
    return d.take();
}

bool oneOf(const char* const (&list)[4], const Events& e) {
    return e.size() == 1 && std::any_of(list, list + 4, [&](auto s) { return s && e[0] == s; });
}

bool same(Vector4<float> a, Vector4<float> b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}

} // namespace

TEST(Outcome, StreakAwwAndOffScreenSounds) {
    LevelDriver d;
    d.enter(1, 5);                                      // a basket off the screen's centre
    EXPECT_EQ(endThrow(d, 5), Events{"Applause.wav"});  // reaching the best: a streak
    EXPECT_EQ(endThrow(d, 0, -100), Events{"Aww.wav"}); // consoled, whatever the side
    for (float x : {160.f, 100.f, -32.f, 352.f})        // below the best; the edges are on screen
        EXPECT_EQ(endThrow(d, x == 160 ? 3 : 0, x), Events{}) << x;
    for (int i = 0; i < 8; ++i) { // picked at random from the side's list
        EXPECT_TRUE(oneOf(d.level.info->leftSounds, endThrow(d, 0, -32.01f)));
        EXPECT_TRUE(oneOf(d.level.info->rightSounds, endThrow(d, 0, 352.01f)));
    }
    // Images and sounds named null are absent: no second foreground without a first, nothing
    // after a gap, and no sound from a side with an empty list.
    fg::LevelInfo info = fg::level_info[0];
    info.foreground = nullptr;
    info.foreground2 = "Level2_Computer.png";
    info.fans[0][0].texture = nullptr;
    info.fans[0][1] = info.fans[1][0];
    info.leftSounds[1] = info.rightSounds[0] = info.canFront = nullptr;
    d.enter(info);
    EXPECT_EQ(std::tuple(d.level.foreground[1], d.level.fanSprites[0][1], d.level.leftSoundCount),
              std::tuple(nullptr, nullptr, 1));
    d.level.setBasket(2);
    d.level.windToLeft = 0; // the side without a fan
    d.frames(3);
    EXPECT_EQ(endThrow(d, 0, 400), Events{});
}

TEST(Outcome, NewBestOnlyAboveTheBestAndSubmitComesBack) {
    LevelDriver d;
    d.enter(0, 5);
    // Equal to the best, above it, above it again, and above it after the score was sent.
    for (int score : {5, 6, 7, 8}) {
        if (score == 8) d.level.scoreSubmitted(7);
        EXPECT_EQ(bool(d.level.canSubmit), score == 7) << score;
        d.level.submitFade = 3;
        d.level.score = score;
        d.level.setScore();
        const Events best = {"setBest " + std::to_string(score)};
        EXPECT_EQ(d.take(), score > 5 ? best : Events{}) << score;
        EXPECT_EQ(d.level.submitFade, score == 6 || score == 8 ? 0 : 3) << score; // pops in again
        EXPECT_TRUE(
            same(d.level.submitColour, score > 5 ? HUD_BUTTON_COLOR : HUD_BUTTON_COLOR_DISABLED));
        EXPECT_EQ(d.level.bestText[1] != nullptr, score > 5) << score;
    }
    // The unlock banner: not while the screen slides; then 1.5 s in and 1.5 s out.
    d.level.state = Level::INACTIVE;
    evt::publish("onLevelUnlocked");
    EXPECT_EQ(d.level.unlockPhase, 0);
    d.level.state = Level::READY;
    evt::publish("onLevelUnlocked");
    EXPECT_EQ(d.take(), Events{"unlock.wav"});
    std::string phases;
    for (int i = 0; i < 13; ++i, d.frames(1, 0.25))
        phases += std::to_string(d.level.unlockPhase);
    EXPECT_EQ(phases + std::to_string(d.level.unlockPhase), "11111112222220");
}

TEST(Buttons, MenuAndSubmit) {
    LevelDriver d;
    d.enter();     // Menu: a square around (48, 295) on the background; Submit at (40, 360)
    d.up(72, 319); // the square's corners
    d.up(24, 271);
    EXPECT_EQ(d.take(), (Events{"Crumple.wav", "gotoMenu", "Crumple.wav", "gotoMenu"}));
    d.up(72.01f, 295);
    d.up(48, 270.99f);
    EXPECT_EQ(d.take(), Events{});
    d.flick(0, 68);
    d.up(48, 295); // also while the ball flies
    EXPECT_EQ(d.take(), (Events{"Crumple.wav", "gotoMenu"}));
    d.enter();
    d.flick(48 - 160, 295 - 32); // a release that ends a grab is a throw, not a press
    EXPECT_EQ(d.level.state, Level::FLYING);
    d.level.state = Level::INACTIVE;
    d.up(48, 295);
    EXPECT_EQ(d.take(), Events{});

    d.enter();
    d.down(40, 360);
    d.up(40, 360);
    EXPECT_EQ(d.take(), (Events{"Crumple.wav", "scorePrompt"})); // grey still prompts
    EXPECT_TRUE(same(d.level.submitColour, HUD_BUTTON_COLOR_DISABLED));
}
