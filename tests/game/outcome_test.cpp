// SPDX-License-Identifier: MIT
// After the throw: its sound, new bests, Submit, the unlock banner and the HUD's buttons.
#include "level_test.h"

#include <algorithm>

using leveltest::rgba;

namespace {

struct Outcome : LevelTest {
    // Ends a throw that left this run score and the ball at x; returns what was published.
    Events endThrow(int score, float x = 160) {
        level.score = score;
        level.ballPos.x = x;
        level.state = Level::PAUSE;
        level.stateTimer = 0.5f;
        take();
        frames(1, 0.5); // the whole pause in one tick; the ball back under the basket
        EXPECT_EQ(std::tuple(level.state, level.ballPos.x), std::tuple(Level::READY, 162.0f));
        return take();
    }
};

bool oneOf(const char* const (&list)[4], const Events& e) {
    return e.size() == 1 && std::any_of(list, list + 4, [&](auto s) { return s && e[0] == s; });
}

} // namespace

TEST_F(Outcome, SoundsNewBestsSubmitTheUnlockBannerAndTheHudButtons) {
    enter(1, 5);                                     // a basket off the screen's centre
    EXPECT_EQ(endThrow(5), Events{"Applause.wav"});  // reaching the best: a streak
    EXPECT_EQ(endThrow(0, -100), Events{"Aww.wav"}); // consoled, whatever the side
    for (float x : {160.f, 100.f, -32.f, 352.f})     // below the best; the edges are on screen
        EXPECT_EQ(endThrow(x == 160 ? 3 : 0, x), Events{}) << x;
    for (int i = 0; i < 8; ++i) { // picked at random from the side's list
        EXPECT_TRUE(oneOf(level.info->leftSounds, endThrow(0, -32.01f)));
        EXPECT_TRUE(oneOf(level.info->rightSounds, endThrow(0, 352.01f)));
    }
    // Images and sounds named null are absent: no second foreground without a first, nothing
    // after a gap, and no sound from a side with an empty list.
    fg::LevelInfo info = fg::level_info[1];
    info.foreground = nullptr;
    info.fans[0][0].texture = nullptr;
    info.fans[0][1] = info.fans[1][0];
    info.leftSounds[1] = info.rightSounds[0] = info.canFront = nullptr;
    enter(info);
    EXPECT_EQ(std::tuple(level.foreground[1], level.fanSprites[0][1], level.leftSoundCount),
              std::tuple(nullptr, nullptr, 1));
    level.setBasket(2);
    level.windToLeft = 0; // the side without a fan
    frames(3);
    EXPECT_EQ(endThrow(0, 400), Events{});

    enter(0, 5);
    // Equal to the best, above it, above it again, and above it after the score was sent.
    for (int score : {5, 6, 7, 8}) {
        if (score == 8) level.scoreSubmitted(7);
        EXPECT_EQ(bool(level.canSubmit), score == 7) << score;
        level.submitFade = 3;
        level.score = score;
        level.setScore();
        const bool best = score > 5, popsIn = score == 6 || score == 8;
        EXPECT_EQ(take(), best ? Events{"setBest " + std::to_string(score)} : Events{});
        EXPECT_EQ(
            std::tuple(level.submitFade, level.bestText[1] != nullptr, rgba(level.submitColour)),
            std::tuple(popsIn ? 0.0f : 3.0f, best,
                       rgba(best ? HUD_BUTTON_COLOR : HUD_BUTTON_COLOR_DISABLED)))
            << score;
    }
    // The unlock banner: not while the screen slides; then 1.5 s in and 1.5 s out.
    level.state = Level::INACTIVE;
    evt::publish("onLevelUnlocked");
    level.state = Level::READY;
    std::string phases = std::to_string(level.unlockPhase);
    evt::publish("onLevelUnlocked");
    EXPECT_EQ(take(), Events{"unlock.wav"});
    for (int i = 0; i < 14; ++i, frames(1, 0.25))
        phases += std::to_string(level.unlockPhase);
    EXPECT_EQ(phases, "011111112222220");
    // Menu: a square around (48, 295) on the background, also while the ball flies, but not for a
    // release that ends a grab (a throw) nor while the screen slides; Submit at (40, 360), grey
    // still prompting.
    // Where, in which state (0: ready, 1: flying, 2: the release of a grab, 3: sliding), and
    // what it asks for.
    const std::tuple<float, float, int, const char*> taps[] = {
        {72, 319, 0, "gotoMenu"},  {24, 271, 0, "gotoMenu"},   {72.01f, 295, 0, nullptr},
        {48, 270.99f, 0, nullptr}, {48, 295, 1, "gotoMenu"},   {48, 295, 2, nullptr},
        {48, 295, 3, nullptr},     {40, 360, 0, "scorePrompt"}};
    for (const auto& [x, y, state, want] : taps) {
        enter();
        if (state == 1) flick(0, 68);
        if (state == 3) level.state = Level::INACTIVE;
        take();
        if (state == 2)
            flick(x - 160, y - 32);
        else
            up(x, y);
        EXPECT_EQ(take(), want ? (Events{"Crumple.wav", want}) : Events{}) << x << "," << y;
        EXPECT_EQ(level.state == Level::FLYING, state == 1 || state == 2);
    }
    EXPECT_EQ(rgba(level.submitColour), rgba(HUD_BUTTON_COLOR_DISABLED));
}
