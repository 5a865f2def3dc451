// SPDX-License-Identifier: MIT
#include "level_driver.h"

#include <cmath>
#include <gtest/gtest.h>

using leveltest::Events;
using leveltest::LevelDriver;

namespace {

// Ends a flight at (x, y) at the landing depth, the last frame having moved by (vx, vy).
Events land(LevelDriver& d, float x, float y, float vx = 0, float vy = -3) {
    d.level.ballPos = {x, y, 0.01f + d.level.info->basketDepth};
    d.level.ballStep = {vx, vy, 0.1f};
    d.level.state = Level::FLYING;
    d.take();
    d.level.doCollision();
    return d.take();
}

const float landingScale = (0.01f + 8.282f) / (-3 - 8.282f) + 1; // the first level's

} // namespace

// The first level: rim 123 ... 197 at the rim line 213, basket base 183, floor line 153, and a
// ball of radius 11.4 at the landing depth.
TEST(Collision, EveryKindOfLanding) {
    LevelDriver d;
    d.enter();
    const float k = 4 * landingScale, none = NAN;
    const struct {
        const char* what;
        float x, y, vx;
        const char* sound;
        bool in;
        float endX, endY; // where the animation ends; NAN: not checked
    } cases[] = {
        {"clean in", 160, 213, 0, "In.wav", true, 160, 183},
        {"bounce in below the rim line", 124, 200, 0, "BounceIn.wav", true, 160, 183},
        {"rim in on the left edge", 123, 213, 0, "RimIn.wav", true, 123 + 28 * k, 213 - 61 * k},
        {"rim in right of centre", 190, 213, 0, "RimIn.wav", true, 190 - 28 * k, 213 - 61 * k},
        {"rim out on the left", 115, 213, 0, "RimOut.wav", false, 115 - 28 * k, 213 - 61 * k},
        {"rim out on the right", 205, 213, 0, "RimOut.wav", false, 205 + 28 * k, 213 - 61 * k},
        {"clean out to the left", 111.5f, 213, -2, "Out.wav", false, 71.5f, 153},
        {"clean out to the right", 240, 213, 2, "Out.wav", false, 280, 153},
        {"off the rim below its line", 115, 201, -2, "Out.wav", false, 147, 153},
        // Contact while the truncated x is within the radius of an edge.
        {"134.9", 134.9f, 213, -1, "RimIn.wav", true, none, none},
        {"135", 135, 213, -1, "In.wav", true, none, none},
        {"197", 197, 213, -1, "RimIn.wav", true, none, none},
        {"197.01", 197.01f, 213, -1, "RimOut.wav", false, none, none},
        {"112", 112, 213, -1, "RimOut.wav", false, none, none},
        {"111.99", 111.99f, 213, -1, "Out.wav", false, none, none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        d.level.score = 2;
        EXPECT_EQ(land(d, c.x, c.y, c.vx), Events{c.sound});
        EXPECT_EQ(d.level.state, Level::LANDING);
        EXPECT_EQ(d.level.score, c.in ? 3 : 0);
        EXPECT_EQ(bool(d.level.hopPending), !c.in);
        if (std::isnan(c.endX)) continue;
        const Anim& a = d.level.anim;
        const bool pop = std::string(c.sound).starts_with("Rim");
        ASSERT_EQ(a.count, pop ? 17 : 2);
        EXPECT_EQ(a.duration, pop ? 0.7f : 0.16666667f);
        EXPECT_FLOAT_EQ(a.keys[a.count - 1].x, c.endX);
        EXPECT_FLOAT_EQ(a.keys[a.count - 1].y, c.endY);
    }
    // A flight that ended in its first frame has no vertical step: the ball drops straight.
    EXPECT_EQ(land(d, 100, 213, 5, 0), Events{"Out.wav"});
    EXPECT_EQ(d.level.anim.keys[1].x, 100.0f);
    EXPECT_EQ(d.level.anim.keys[1].y, 153.0f);
}

TEST(Collision, AMissHopsOrIsCaughtNearTheBasket) {
    LevelDriver d;
    fg::LevelInfo info = fg::level_info[0];
    info.catcherSprite = "paper_ball.png";
    info.catcherDuration = 0.3f;
    info.catcherRadius = 90;
    info.catcherSound = "Computer.wav";
    d.enter(info);
    land(d, 60, 213, -2, -3); // falls to x = 20 in 1/6 s, then hops silently for 1/8 s
    d.frames(9);
    float top = 0;
    int ticks = 0;
    for (; d.level.state == Level::LANDING && ticks < 50; ++ticks) {
        d.frames();
        top = std::max(top, d.level.ballPos.y);
    }
    EXPECT_EQ(ticks, 7);
    EXPECT_EQ(d.level.state, Level::PAUSE);
    EXPECT_NEAR(top, 153 + 17 * landingScale, landingScale); // about 5 points at this depth
    EXPECT_FLOAT_EQ(d.level.ballPos.y, 153 + landingScale);
    EXPECT_EQ(d.take(), Events{});

    EXPECT_EQ(land(d, 100, 213, -1, -3), Events{}); // to x = 80, within 90 of the basket
    d.frames(9);
    EXPECT_EQ(d.level.state, Level::CAUGHT);
    EXPECT_EQ(d.take(), Events{"Computer.wav"});
    const int ready = d.untilReady(); // 0.3 s; the pause step runs in the same frame
    EXPECT_GE(ready, 15);
    EXPECT_LE(ready, 16);
}

TEST(Collision, RimEdgesAreTruncatedTowardsZero) {
    const struct {
        float x, half;
        int left, right;
    } cases[] = {{160, 37, 123, 197}, {162.5f, 24.3f, 138, 186}, {10, 20.5f, -10, 30}};
    LevelDriver d;
    fg::LevelInfo info = fg::level_info[0];
    for (const auto& c : cases) {
        info.basketX = c.x;
        info.rimHalfWidth = c.half;
        d.enter(info);
        EXPECT_EQ(d.level.rimLeft, c.left) << c.x;
        EXPECT_EQ(d.level.rimRight, c.right) << c.x;
        EXPECT_EQ(d.level.ballPos.x, c.x) << c.x; // the ball waits under the basket
    }
}
