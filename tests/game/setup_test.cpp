#include "level_driver.h"

#include "core/evt.h"

#include <gtest/gtest.h>
#include <memory>

using leveltest::LevelDriver;

TEST(Setup, CreateAndDestroy) {
    LevelDriver d;
    d.level.create(&leveltest::row(1), 7, true, 1);
    const Level& l = d.level;
    EXPECT_EQ(l.state, Level::INACTIVE); // until the controller has slid the screen in
    EXPECT_EQ(l.savedState, Level::READY);
    EXPECT_EQ(l.ballPos.x, 162.0f); // under this level's basket, not the screen centre
    EXPECT_EQ(l.ballPos.y, 32.0f);
    EXPECT_NE(l.foreground[1], nullptr);
    EXPECT_EQ(l.fanSprites[0][1], nullptr);
    d.level.destroy();
    EXPECT_EQ(l.ball, nullptr);
    EXPECT_EQ(l.windText, nullptr);
    EXPECT_EQ(l.fanSprites[0][0], nullptr);
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
    EXPECT_EQ(d.level.leftSoundCount, 1);
    EXPECT_EQ(d.level.basket, nullptr);
    d.level.setBasket(2);
    d.level.windToLeft = 0; // the side without a fan
    d.frames(3);
    d.level.ballPos.x = 400;
    d.level.score = 0;
    d.level.state = Level::PAUSE;
    d.clear();
    d.frame(0.5); // off the right edge with no right-hand sounds: silence
    EXPECT_TRUE(d.sounds().empty());
    EXPECT_EQ(d.level.state, Level::READY);
}

TEST(Setup, ListensOnlyWhileItLivesAndIgnoresEventsBeforeCreate) {
    const char* names[] = {"onPtrDown", "onPtrMove", "onPtrUp", "postScore", "onLevelUnlocked"};
    int before[5];
    for (int i = 0; i < 5; ++i)
        before[i] = evt::subscriberCount(names[i]);
    auto level = std::make_unique<Level>();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(evt::subscriberCount(names[i]), before[i] + 1) << names[i];
    Vector2<float> p = {160, 32};
    evt::publish("onPtrDown", &p);
    evt::publish("onPtrUp", &p);
    evt::publish("onLevelUnlocked");
    EXPECT_EQ(level->unlockPhase, 0);
    level.reset();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(evt::subscriberCount(names[i]), before[i]) << names[i];
}
