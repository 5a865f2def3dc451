#include "level_driver.h"

#include "core/evt.h"
#include "gfx/sprite.h"

#include <gtest/gtest.h>
#include <memory>

using leveltest::LevelDriver;

TEST(Setup, CreateBuildsTheSceneAndWaitsForTheController) {
    LevelDriver d;
    d.level.create(&leveltest::row(1), 7, true, 1);
    const Level& l = d.level;
    EXPECT_EQ(l.state, Level::INACTIVE);
    EXPECT_EQ(l.savedState, Level::READY);
    EXPECT_EQ(l.best, 7);
    EXPECT_EQ(l.score, 0);
    EXPECT_TRUE(l.canSubmit);
    EXPECT_EQ(l.submitFade, 0.5f);
    EXPECT_EQ(l.flightTime, -1.0f);
    EXPECT_EQ(l.ballPos.x, 162.0f); // Medium's basket is not at the screen centre
    EXPECT_EQ(l.ballPos.y, 32.0f);
    EXPECT_EQ(l.rimLeft, 138);
    EXPECT_EQ(l.rimRight, 186);
    EXPECT_EQ(l.leftSoundCount, 4);
    EXPECT_EQ(l.rightSoundCount, 2);
    EXPECT_TRUE(l.orthoMode);
    EXPECT_EQ(l.ball->frameSize.x, 86);
    EXPECT_EQ(l.background->frameSize.y, 480);
    EXPECT_NE(l.foreground[0], nullptr);
    EXPECT_NE(l.foreground[1], nullptr); // the computer on the desk
    EXPECT_NE(l.fanSprites[0][0], nullptr);
    EXPECT_NE(l.fanSprites[1][0], nullptr);
    EXPECT_EQ(l.fanSprites[0][1], nullptr);
    EXPECT_EQ(l.menuText, nullptr);
    EXPECT_EQ(l.catcher, nullptr);
    EXPECT_EQ(l.tutorial, nullptr);
    EXPECT_EQ(l.board, nullptr);
    EXPECT_NE(l.windText, nullptr);
    EXPECT_NE(l.scoreText[0], nullptr);
    EXPECT_EQ(l.scoreText[1], nullptr);
    EXPECT_NE(l.unlockedText, nullptr);

    d.level.destroy();
    EXPECT_EQ(l.ball, nullptr);
    EXPECT_EQ(l.windText, nullptr);
    EXPECT_EQ(l.fanSprites[0][0], nullptr);
    EXPECT_EQ(l.savedState, 0);
}

TEST(Setup, OptionalImagesNamedNullAreAbsent) {
    fg::LevelInfo info = leveltest::row(0);
    info.foreground = nullptr;
    info.foreground2 = "Level2_Computer.png"; // without a first foreground: none at all
    info.fans[0][0].texture = nullptr;
    info.fans[0][1] = leveltest::row(0).fans[1][0]; // after the end of the group: ignored
    info.leftSounds[1] = nullptr;                   // a gap ends the list
    info.rightSounds[0] = nullptr;
    info.canFront = nullptr;
    LevelDriver d;
    d.enter(&info);
    EXPECT_EQ(d.level.foreground[0], nullptr);
    EXPECT_EQ(d.level.foreground[1], nullptr);
    EXPECT_EQ(d.level.fanSprites[0][0], nullptr);
    EXPECT_EQ(d.level.fanSprites[0][1], nullptr);
    EXPECT_NE(d.level.fanSprites[1][0], nullptr);
    EXPECT_EQ(d.level.leftSoundCount, 1);
    EXPECT_EQ(d.level.rightSoundCount, 0);
    EXPECT_EQ(d.level.basket, nullptr);
    d.level.setBasket(2);
    d.level.windToLeft = 0; // the side without a fan
    d.frames(3);
    d.level.ballPos.x = 400;
    d.level.score = 0;
    d.level.state = Level::PAUSE;
    d.level.stateTimer = 0.5f;
    d.clear();
    d.frame(0.5); // off the right edge with no right-hand sounds: silence
    EXPECT_TRUE(d.sounds().empty());
    EXPECT_EQ(d.level.state, Level::READY);
}

TEST(Setup, BasketFrameIsClamped) {
    fg::LevelInfo info = leveltest::row(0);
    info.canFront = "paper_ball.png"; // a sheet of 86 x 86 frames
    info.canFrontSize = {86, 86};
    LevelDriver d;
    d.enter(&info, 0, false, 99);
    if (d.level.basket->frameCount < 2) GTEST_SKIP() << "needs the ball sheet in the resources";
    EXPECT_EQ(d.level.basket->frame, d.level.basket->frameCount - 1);
    d.level.setBasket(-2);
    EXPECT_EQ(d.level.basket->frame, 0);
    d.level.setBasket(1);
    EXPECT_EQ(d.level.basket->frame, 1);
}

TEST(Setup, SubscribesWhileItLives) {
    const char* names[] = {"onPtrDown", "onPtrMove", "onPtrUp", "postScore", "onLevelUnlocked"};
    int before[5];
    for (int i = 0; i < 5; ++i)
        before[i] = evt::subscriberCount(names[i]);
    auto level = std::make_unique<Level>();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(evt::subscriberCount(names[i]), before[i] + 1);
    EXPECT_EQ(level->wind, 1.0f);
    EXPECT_EQ(level->flightTime, -1.0f);
    // Events before the first create touch nothing.
    Vector2<float> p = {160, 32};
    evt::publish("onPtrDown", &p);
    evt::publish("onPtrUp", &p);
    evt::publish("onLevelUnlocked");
    EXPECT_EQ(level->unlockPhase, 0);
    level.reset();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(evt::subscriberCount(names[i]), before[i]);
    evt::publish("onPtrUp", &p); // nobody left to call
}
