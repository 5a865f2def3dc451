#include "level_driver.h"

#include <gtest/gtest.h>
#include <memory>

using leveltest::Events;
using leveltest::LevelDriver;

TEST(Setup, OptionalImagesNamedNullAreAbsent) {
    LevelDriver d;
    fg::LevelInfo info = fg::level_info[0];
    info.foreground = nullptr;
    info.foreground2 = "Level2_Computer.png"; // without a first foreground: none at all
    info.fans[0][0].texture = nullptr;
    info.fans[0][1] = info.fans[1][0]; // after the end of the group: ignored
    info.leftSounds[1] = nullptr;      // a gap ends the list
    info.rightSounds[0] = nullptr;
    info.canFront = nullptr;
    d.enter(info);
    EXPECT_EQ(d.level.foreground[1], nullptr);
    EXPECT_EQ(d.level.fanSprites[0][1], nullptr);
    EXPECT_EQ(d.level.leftSoundCount, 1);
    d.level.setBasket(2);
    d.level.windToLeft = 0; // the side without a fan
    d.frames(3);
    d.level.ballPos.x = 400;
    d.level.score = 0;
    d.level.state = Level::PAUSE;
    d.frames(1, 0.5); // off the right edge with no right-hand sounds: silence
    EXPECT_EQ(d.take(), Events{});
    EXPECT_EQ(d.level.state, Level::READY);
}

TEST(Setup, ListensOnlyWhileItLives) {
    const char* names[] = {"onPtrDown", "onPtrMove", "onPtrUp", "postScore", "onLevelUnlocked"};
    auto counts = [&] {
        std::vector<int> c;
        for (const char* n : names)
            c.push_back(evt::subscriberCount(n));
        return c;
    };
    const std::vector<int> before = counts();
    auto level = std::make_unique<Level>();
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(counts()[i], before[i] + 1) << names[i];
    level.reset();
    EXPECT_EQ(counts(), before);
}
