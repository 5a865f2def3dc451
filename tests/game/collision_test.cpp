#include "level_driver.h"

#include <cmath>
#include <gtest/gtest.h>

using leveltest::LevelDriver;
using Sounds = std::vector<std::string>;

namespace {

// Ends a flight at (x, y) at the landing depth, the last frame having moved by (vx, vy).
void land(LevelDriver& d, float x, float y, float vx = 0, float vy = -3) {
    Level& l = d.level;
    l.ballPos = {x, y, 0.01f + l.info->basketDepth};
    l.ballStep = {vx, vy, 0.1f};
    l.state = Level::FLYING;
    d.clear();
    l.doCollision();
}

} // namespace

// The first level: rim 123 ... 197 at the rim line 213, basket base 183, floor line 153, and a
// ball of radius 11.4 at the landing depth.
TEST(Collision, EveryKindOfLanding) {
    LevelDriver d;
    d.enter(0);
    const float k = 4 * ((0.01f + 8.282f) / (-3 - 8.282f) + 1); // the pop's scale
    const float none = NAN;
    const struct {
        const char* what;
        float x, y, vx, vy;
        const char* sound;
        bool in;
        float endX, endY; // where the animation ends; NAN: not checked
    } cases[] = {
        {"clean in", 160, 213, 0, -3, "In.wav", true, 160, 183},
        {"bounce in below the rim line", 124, 200, 0, -3, "BounceIn.wav", true, 160, 183},
        {"rim in on the left edge", 123, 213, 0, -3, "RimIn.wav", true, 123 + 28 * k, 213 - 61 * k},
        {"rim in right of centre", 190, 213, 0, -3, "RimIn.wav", true, 190 - 28 * k, 213 - 61 * k},
        {"rim out on the left", 115, 213, 0, -3, "RimOut.wav", false, 115 - 28 * k, 213 - 61 * k},
        {"rim out on the right", 205, 213, 0, -3, "RimOut.wav", false, 205 + 28 * k, 213 - 61 * k},
        {"clean out to the left", 111.5f, 213, -2, -3, "Out.wav", false, 71.5f, 153},
        {"clean out to the right", 240, 213, 2, -3, "Out.wav", false, 280, 153},
        {"off the rim below its line", 115, 201, -2, -3, "Out.wav", false, 147, 153},
        {"no vertical step", 100, 213, 5, 0, "Out.wav", false, 100, 153},
        // Contact while the truncated x is within the radius of an edge.
        {"134.9", 134.9f, 213, -1, -3, "RimIn.wav", true, none, none},
        {"135", 135, 213, -1, -3, "In.wav", true, none, none},
        {"185.99", 185.99f, 213, -1, -3, "In.wav", true, none, none},
        {"186", 186, 213, -1, -3, "RimIn.wav", true, none, none},
        {"197", 197, 213, -1, -3, "RimIn.wav", true, none, none},
        {"197.01", 197.01f, 213, -1, -3, "RimOut.wav", false, none, none},
        {"112", 112, 213, -1, -3, "RimOut.wav", false, none, none},
        {"111.99", 111.99f, 213, -1, -3, "Out.wav", false, none, none},
        {"208.99", 208.99f, 213, -1, -3, "RimOut.wav", false, none, none},
        {"209", 209, 213, -1, -3, "Out.wav", false, none, none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        d.level.score = 2;
        land(d, c.x, c.y, c.vx, c.vy);
        EXPECT_EQ(d.sounds(), Sounds{c.sound});
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
}

TEST(Collision, DropOrHopThenPause) {
    LevelDriver d;
    d.enter(0);
    land(d, 160, 213); // 1/6 s into the basket
    d.frames(8);
    EXPECT_EQ(d.level.state, Level::LANDING);
    d.frame();
    EXPECT_EQ(d.level.state, Level::PAUSE);
    EXPECT_EQ(d.level.ballPos.x, 160.0f);
    EXPECT_EQ(d.level.ballPos.y, 183.0f);
    EXPECT_EQ(d.level.stateTimer, 0.5f);

    land(d, 60, 213, -2, -3); // a miss falls for 1/6 s, then hops for 1/8 s
    const float s = (0.01f + 8.282f) / (-3 - 8.282f) + 1;
    d.frames(9);
    ASSERT_EQ(d.level.state, Level::LANDING);
    EXPECT_EQ(d.level.anim.count, 5);
    const float floorX = d.level.ballPos.x;
    float top = 0;
    int ticks = 0;
    for (; d.level.state == Level::LANDING && ticks < 50; ++ticks) {
        d.frame();
        top = std::max(top, d.level.ballPos.y);
    }
    EXPECT_EQ(ticks, 7);
    EXPECT_EQ(d.level.state, Level::PAUSE);
    EXPECT_LE(top, 153 + 18 * s + 1e-4f); // a hop of about 5 points at this depth
    EXPECT_GT(top, 153 + 10 * s);
    EXPECT_FLOAT_EQ(d.level.ballPos.y, 153 + s);
    EXPECT_EQ(d.level.ballPos.x, floorX);
    EXPECT_EQ(d.sounds(), Sounds{"Out.wav"}); // the hop itself is silent
}

TEST(Collision, CatcherTakesMissesNearTheBasket) {
    fg::LevelInfo info = leveltest::row(0);
    info.catcherSprite = "paper_ball.png";
    info.catcherFrameSize = {86, 86};
    info.catcherDuration = 0.3f;
    info.catcherRadius = 90;
    info.catcherSound = "Computer.wav";
    LevelDriver d;
    d.enter(&info);
    land(d, 100, 213, -1, -3);       // falls to x = 80: within 90 of the basket
    EXPECT_TRUE(d.sounds().empty()); // no "Out.wav" in the catch zone
    d.frames(9);
    EXPECT_EQ(d.level.state, Level::CAUGHT);
    EXPECT_EQ(d.sounds(), Sounds{"Computer.wav"});
    const int ready = d.untilReady(); // 0.3 s caught; the pause step runs in the same frame
    EXPECT_GE(ready, 15);
    EXPECT_LE(ready, 16);
    land(d, 30, 213, -2, -3); // far from the basket: an ordinary miss
    EXPECT_EQ(d.sounds(), Sounds{"Out.wav"});
}

TEST(Collision, RimEdgesAreTruncatedTowardsZero) {
    const struct {
        float x, half;
        int left, right;
    } cases[] = {{160, 37, 123, 197}, {162.5f, 24.3f, 138, 186}, {10, 20.5f, -10, 30}};
    LevelDriver d;
    for (const auto& c : cases) {
        fg::LevelInfo info = leveltest::row(0);
        info.basketX = c.x;
        info.rimHalfWidth = c.half;
        d.enter(&info);
        EXPECT_EQ(d.level.rimLeft, c.left) << c.x;
        EXPECT_EQ(d.level.rimRight, c.right) << c.x;
    }
}
