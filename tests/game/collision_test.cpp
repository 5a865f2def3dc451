#include "level_driver.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using leveltest::LevelDriver;

namespace {

using Sounds = std::vector<std::string>;

// Ends a flight at (x, y) with the last frame's step (vx, vy), at the landing depth.
void land(LevelDriver& d, float x, float y, float vx = 0, float vy = -3) {
    Level& l = d.level;
    l.ballPos = {x, y, 0.01f + l.info->basketDepth};
    l.ballStep = {vx, vy, 0.1f};
    l.state = Level::FLYING;
    d.clear();
    l.doCollision();
}

// Easy: rim 123 ... 197, rim line 213, floor line 153, s = 0.2650.
float landingScale(const Level& l) {
    return (0.01f + l.info->basketDepth) / (-3 - l.info->basketDepth) + 1;
}

} // namespace

TEST(Collision, CleanAndBounceIn) {
    LevelDriver d;
    d.enter(0);
    d.level.score = 2;
    land(d, 160, 213);
    EXPECT_EQ(d.sounds(), Sounds{"In.wav"});
    EXPECT_EQ(d.level.state, Level::LANDING);
    EXPECT_EQ(d.level.score, 3);
    EXPECT_FALSE(d.level.hopPending);
    ASSERT_EQ(d.level.anim.count, 2);
    EXPECT_EQ(d.level.anim.duration, 0.16666667f);
    EXPECT_EQ(d.level.anim.time, 0.0f);
    EXPECT_EQ(d.level.anim.keys[0].x, 160.0f);
    EXPECT_EQ(d.level.anim.keys[1].x, 160.0f);
    EXPECT_EQ(d.level.anim.keys[1].y, 183.0f); // drops to the basket's base
    EXPECT_EQ(d.level.anim.keys[1].z, d.level.ballPos.z);

    // Touching the rim but already below the rim line: it bounces in.
    land(d, 124, 200);
    EXPECT_EQ(d.sounds(), Sounds{"BounceIn.wav"});
    EXPECT_EQ(d.level.score, 4);
    EXPECT_EQ(d.level.anim.keys[1].x, 160.0f);

    // The drop takes 1/6 s (9 ticks), then the half-second pause.
    land(d, 160, 213);
    d.frames(8);
    EXPECT_EQ(d.level.state, Level::LANDING);
    d.frame();
    EXPECT_EQ(d.level.state, Level::PAUSE);
    EXPECT_EQ(d.level.ballPos.x, 160.0f);
    EXPECT_EQ(d.level.ballPos.y, 183.0f);
    EXPECT_EQ(d.level.stateTimer, 0.5f);
}

TEST(Collision, RimHitsPopTowardsOrAwayFromTheCentre) {
    LevelDriver d;
    d.enter(0);
    const float k = 4 * landingScale(d.level);

    land(d, 123.0f, 213); // exactly on the left edge: inside and touching
    EXPECT_EQ(d.sounds(), Sounds{"RimIn.wav"});
    EXPECT_EQ(d.level.score, 1);
    EXPECT_FALSE(d.level.hopPending);
    ASSERT_EQ(d.level.anim.count, 17);
    EXPECT_EQ(d.level.anim.duration, 0.7f);
    const Vector3<float>* keys = d.level.anim.keys;
    EXPECT_FLOAT_EQ(keys[0].x, 123 + 2 * k);  // towards the centre
    EXPECT_FLOAT_EQ(keys[7].y, 213 + 57 * k); // the top of the pop
    EXPECT_FLOAT_EQ(keys[16].x, 123 + 28 * k);
    EXPECT_FLOAT_EQ(keys[16].y, 213 - 61 * k);

    land(d, 190, 213); // inside, right of centre: pops left, into the basket
    EXPECT_EQ(d.sounds(), Sounds{"RimIn.wav"});
    EXPECT_FLOAT_EQ(d.level.anim.keys[16].x, 190 - 28 * k);

    land(d, 115, 213); // outside, within the ball's radius of the edge
    EXPECT_EQ(d.sounds(), Sounds{"RimOut.wav"});
    EXPECT_EQ(d.level.score, 0);
    EXPECT_TRUE(d.level.hopPending);
    EXPECT_FLOAT_EQ(d.level.anim.keys[16].x, 115 - 28 * k); // away from the basket

    land(d, 205, 213); // outside on the right: pops further right
    EXPECT_EQ(d.sounds(), Sounds{"RimOut.wav"});
    EXPECT_FLOAT_EQ(d.level.anim.keys[16].x, 205 + 28 * k);
}

TEST(Collision, RimContactUsesTheTruncatedX) {
    LevelDriver d;
    d.enter(0); // r = 11.4: contact while the truncated x is within 11 of an edge
    const struct {
        float x;
        const char* sound;
    } cases[] = {{134.9f, "RimIn.wav"},  {135.0f, "In.wav"},    {185.99f, "In.wav"},
                 {186.0f, "RimIn.wav"},  {197.0f, "RimIn.wav"}, {197.01f, "RimOut.wav"},
                 {112.0f, "RimOut.wav"}, {111.99f, "Out.wav"},  {208.99f, "RimOut.wav"},
                 {209.0f, "Out.wav"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        land(d, c.x, 213, -1);
        EXPECT_EQ(d.sounds(), Sounds{c.sound});
    }
}

TEST(Collision, CleanMissesFallToTheFloorLine) {
    LevelDriver d;
    d.enter(0);
    // Falling 3 points a frame: the 60 points down to the floor line take 20 steps.
    land(d, 111.5f, 213, -2, -3);
    EXPECT_EQ(d.sounds(), Sounds{"Out.wav"});
    EXPECT_EQ(d.level.score, 0);
    EXPECT_TRUE(d.level.hopPending);
    EXPECT_FLOAT_EQ(d.level.anim.keys[1].x, 71.5f); // carries on to the left
    EXPECT_EQ(d.level.anim.keys[1].y, 153.0f);

    land(d, 240, 213, 2, -3);
    EXPECT_FLOAT_EQ(d.level.anim.keys[1].x, 280.0f); // and to the right

    // Off the rim below the rim line: the ball comes back.
    land(d, 115, 201, -2, -3);
    EXPECT_EQ(d.sounds(), Sounds{"Out.wav"});
    EXPECT_FLOAT_EQ(d.level.anim.keys[1].x, 115 + 32);

    // A flight that ended in its first frame has no vertical step: straight down.
    land(d, 100, 213, 5, 0);
    EXPECT_EQ(d.sounds(), Sounds{"Out.wav"});
    EXPECT_EQ(d.level.anim.keys[1].x, 100.0f);
    EXPECT_EQ(d.level.anim.keys[1].y, 153.0f);
}

TEST(Collision, AMissHopsOnTheFloorThenPauses) {
    LevelDriver d;
    d.enter(0);
    land(d, 60, 213, -2, -3);
    const float s = landingScale(d.level);
    d.frames(9); // the fall
    EXPECT_EQ(d.level.state, Level::LANDING);
    EXPECT_FALSE(d.level.hopPending);
    ASSERT_EQ(d.level.anim.count, 5);
    EXPECT_EQ(d.level.anim.duration, 0.125f);
    const float floorX = d.level.anim.keys[0].x;
    EXPECT_FLOAT_EQ(d.level.anim.keys[0].y, 153 + s);
    float top = 0;
    int ticks = 0;
    while (d.level.state == Level::LANDING && ticks < 50) {
        d.frame();
        ++ticks;
        top = std::max(top, d.level.ballPos.y);
    }
    EXPECT_EQ(ticks, 7); // 0.125 s
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
    info.catcherScale = 2;
    info.catcherRadius = 90;
    info.catcherSound = "Computer.wav";
    LevelDriver d;
    d.enter(&info);
    ASSERT_NE(d.level.catcher, nullptr);
    land(d, 100, 213, -1, -3);       // falls to x = 80: within 90 of the basket
    EXPECT_TRUE(d.sounds().empty()); // no "Out.wav" in the catch zone
    d.frames(9);
    EXPECT_EQ(d.level.state, Level::CAUGHT);
    EXPECT_EQ(d.level.stateTimer, 0.3f);
    EXPECT_EQ(d.sounds(), Sounds{"Computer.wav"});
    const int ready = d.playUntilReady();
    EXPECT_GE(ready, 15); // 0.3 s caught; the pause step runs in the same frame
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
        EXPECT_EQ(d.level.rimLeft, c.left);
        EXPECT_EQ(d.level.rimRight, c.right);
    }
}
