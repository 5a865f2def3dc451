#include "level_driver.h"

#include "core/util.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

using leveltest::LevelDriver;

namespace {

// Grab the ball at rest, one move to (x, y), release there at once.
bool oneMoveThrows(LevelDriver& d, float x, float y) {
    d.enter(0);
    d.down(160, 32);
    d.wait(0.02);
    d.move(x, y);
    d.up(x, y);
    return d.level.state == Level::FLYING;
}

} // namespace

TEST(Throw, FlickMustMoveMoreThanFourPointsOnAverage) {
    LevelDriver d;
    d.enter(0);
    d.down(160, 32);
    d.up(160, 32); // a tap: no moves at all
    EXPECT_EQ(d.level.state, Level::READY);
    EXPECT_FALSE(d.level.ballHeld);

    EXPECT_FALSE(oneMoveThrows(d, 160, 36));    // exactly 4.0
    EXPECT_TRUE(oneMoveThrows(d, 160, 36.01f)); // 4.01
    EXPECT_TRUE(oneMoveThrows(d, 156, 28.9f));  // any direction counts, also downwards

    // The mean of every move's displacement from the grab point, not the last position:
    // 0.5, 1, 1 and 9 points average 2.875 although the release is 9 points away.
    d.enter(0);
    d.down(160, 32);
    for (float y : {32.5f, 33.0f, 33.0f, 41.0f})
        d.move(160, y);
    d.up(160, 41);
    EXPECT_EQ(d.level.state, Level::READY);

    // 2 and 8 points average 5.
    d.enter(0);
    d.down(160, 32);
    d.move(160, 34);
    d.move(160, 40);
    d.up(160, 40);
    EXPECT_EQ(d.level.state, Level::FLYING);
}

TEST(Throw, FlickIsTimedFromItsFirstMove) {
    LevelDriver d;
    d.enter(0);
    d.down(160, 32);
    d.wait(5.0); // holding the ball still does not count
    d.move(160, 60);
    d.wait(0.99);
    d.up(160, 60);
    EXPECT_EQ(d.level.state, Level::FLYING);

    d.enter(0);
    d.down(160, 32);
    d.move(160, 40);
    d.wait(1.2);
    d.move(160, 80); // later moves do not restart the clock
    d.up(160, 80);
    EXPECT_EQ(d.level.state, Level::READY);
    EXPECT_FALSE(d.level.ballHeld);
}

TEST(Throw, OnlyAGrabOnTheBallThrows) {
    LevelDriver d;
    d.enter(0);
    d.flick({160, 119}, {160, 300}); // just above the 172-point square around the ball
    EXPECT_EQ(d.level.state, Level::READY);
    d.flick({246, 118}, {246, 300}); // its corner counts
    EXPECT_EQ(d.level.state, Level::FLYING);

    d.enter(0);
    d.level.state = Level::INACTIVE; // while the controller slides the screen
    d.flick({160, 32}, {160, 300});
    EXPECT_EQ(d.level.state, Level::INACTIVE);
    EXPECT_EQ(d.level.flightTime, -1.0f);
}

TEST(Throw, AngleApexAndDriftFollowTheFlick) {
    struct Case {
        float dx, dy, angle, apex;
    };
    const float diag = 240 * std::sqrt(0.5f);
    const Case cases[] = {{0, 10, 0, 0},        {10, 10, -45, diag}, {-10, 10, 45, -diag},
                          {10, 0, -90, 240},    {-10, 0, 90, -240},  {0, -10, -180, 0},
                          {10, -10, -135, diag}};
    LevelDriver d;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy);
        d.enter(0);
        d.level.wind = 3;
        d.level.windToLeft = 0;
        d.flick({160, 32}, {160 + c.dx, 32 + c.dy}, 1);
        ASSERT_EQ(d.level.state, Level::FLYING);
        EXPECT_NEAR(d.level.throwAngle, c.angle, 1e-3);
        EXPECT_NEAR(d.level.apexOffset, c.apex, 1e-3);
        EXPECT_EQ(d.level.drift, 3 * 33.333336f);
        EXPECT_EQ(d.level.flightTime, 0.0f);
    }
    d.enter(0);
    d.level.wind = 1.5f;
    d.level.windToLeft = 1;
    d.flick({160, 32}, {160, 60});
    EXPECT_EQ(d.level.drift, -1.5f * 33.333336f);
}

namespace {

// The ball's position at flight time `seconds` (t = seconds / 1.5) for apex offset a, drift b.
Vector3<float> flightAt(LevelDriver& d, float a, float b, float seconds) {
    d.level.state = Level::FLYING;
    d.level.apexOffset = a;
    d.level.drift = b;
    d.level.flightTime = seconds;
    d.level.update(0);
    return d.level.ballPos;
}

} // namespace

TEST(Flight, PathAtTheTopAndTheEnd) {
    LevelDriver d;
    d.enter(0); // rim line 213, apex 140 above it, basket depth 8.282
    const float diag = 240 * std::sqrt(0.5f);
    struct Case {
        float a, b, xTop, xEnd;
    };
    const Case cases[] = {
        {0, 0, 160, 160},                                     // straight, no wind
        {0, 50, 160, 210},                                    // straight up: wind bends the fall
        {diag, 50, 160 + (diag + 50) / 2, 160 + diag + 50},   // same sign: a straight line
        {-diag, -50, 160 - (diag + 50) / 2, 160 - diag - 50}, // same sign, to the left
        {100, -50, 260, 210},                                 // opposite signs
        {-100, 50, 60, 110}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "," << c.b);
        Vector3<float> p = flightAt(d, c.a, c.b, 0.75f);
        EXPECT_FLOAT_EQ(p.x, c.xTop);
        EXPECT_FLOAT_EQ(p.y, 353);
        EXPECT_FLOAT_EQ(p.z, 0.01f + 0.5f * 8.282f);
        EXPECT_EQ(d.level.state, Level::FLYING);
        p = flightAt(d, c.a, c.b, 1.5f);
        EXPECT_FLOAT_EQ(p.x, c.xEnd);
        EXPECT_EQ(p.y, 213.0f); // exactly on the rim line
        EXPECT_FLOAT_EQ(p.z, 0.01f + 8.282f);
        EXPECT_EQ(d.level.state, Level::LANDING); // the landing test ran in that frame
        EXPECT_EQ(d.level.flightTime, -1.0f);
        EXPECT_EQ(d.level.ballSquash, 1.0f);
    }
}

TEST(Flight, RiseFallAndSquashBetween) {
    LevelDriver d;
    d.enter(1);                                       // Medium: rim line 301, apex 110
    Vector3<float> p = flightAt(d, 100, -50, 0.375f); // t = 0.25
    EXPECT_FLOAT_EQ(p.x, 235);                        // three quarters of the way to the apex
    EXPECT_FLOAT_EQ(p.y, (301 - 32 + 110) * 0.75f + 32);
    EXPECT_EQ(d.level.ballSquash, 0.9f);
    EXPECT_FLOAT_EQ(d.level.ballStep.z, 0.01f + 0.25f * 12.625f);

    p = flightAt(d, 100, -50, 1.125f); // t = 0.75
    EXPECT_FLOAT_EQ(p.x, 160 + 50 + (0.25f - 1) * -50);
    EXPECT_FLOAT_EQ(p.y, 301 + 110 * 0.75f);
    const float k = 0.9f - 1.0f; // -0.100000024 in single precision
    EXPECT_EQ(d.level.ballSquash, 1 + 0.75f * k);
    EXPECT_NE(d.level.ballSquash, 0.925f);
}

TEST(Flight, AThrowLastsOneAndAHalfSecondsAndScores) {
    LevelDriver d;
    d.enter(0);
    d.level.wind = 0;
    d.flick({160, 32}, {160, 100});
    ASSERT_EQ(d.level.state, Level::FLYING);
    d.clear();
    int frames = 0;
    float top = 0;
    while (d.level.state == Level::FLYING && frames < 200) {
        d.frame();
        ++frames;
        if (d.level.state == Level::FLYING) top = std::max(top, d.level.ballPos.y);
    }
    EXPECT_GE(frames, 75);
    EXPECT_LE(frames, 76);
    EXPECT_LE(top, 353.0f);
    EXPECT_GT(top, 352.0f);
    EXPECT_EQ(d.level.score, 1);
    EXPECT_EQ(d.sounds(), std::vector<std::string>{"In.wav"});
    ASSERT_GT(d.playUntilReady(), 0);
    EXPECT_EQ(d.sounds(), (std::vector<std::string>{"In.wav", "Applause.wav"}));
    ASSERT_EQ(d.count("setBest"), 1);
    for (const auto& p : d.published) {
        if (p.name == "setBest") {
            EXPECT_EQ(p.value, 1);
        }
    }
    EXPECT_EQ(d.level.ballPos.x, 160.0f);
    EXPECT_EQ(d.level.ballPos.y, 32.0f);
    EXPECT_EQ(d.level.throwAngle, 0.0f);
}

TEST(Flight, TheFirstThrowTakesTheTutorialAway) {
    fg::LevelInfo info = leveltest::row(0);
    info.tutorial = "tutorial.png";
    LevelDriver d;
    d.enter(&info);
    ASSERT_NE(d.level.tutorial, nullptr);
    d.frames(3);
    EXPECT_EQ(d.count("onTutorialShown"), 0);
    d.flick({160, 32}, {160, 100});
    d.frame();
    EXPECT_EQ(d.level.tutorial, nullptr);
    d.frames(3);
    EXPECT_EQ(d.count("onTutorialShown"), 1);
}

TEST(Wind, SeededWindInRangeShownWithTwoDecimals) {
    LevelDriver d;
    d.enter(0);
    for (int seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        util::seedrand(seed);
        const float expected = util::randomf(0, 6.0f);
        const int left = util::randomi(0, 1) & 1;
        util::seedrand(seed);
        d.level.setWind();
        EXPECT_EQ(d.level.wind, expected);
        EXPECT_EQ(int(d.level.windToLeft), left);
        EXPECT_GE(d.level.wind, 0.0f);
        EXPECT_LT(d.level.wind, 6.0f);
        char text[16];
        std::snprintf(text, sizeof text, "%.2f", double(expected));
        const std::string key = std::string("text=") + text +
                                ",font=fawn,size=20,r=1.00,b=1.00,g=1.00,outline=3,fill=1.00";
        const TextureMgr::TextureInfo* entry = texture_mgr.find(key);
        ASSERT_NE(entry, nullptr) << key;
        ASSERT_NE(d.level.windText, nullptr);
        EXPECT_EQ(d.level.windText->texture, entry->texture);
        ASSERT_NE(d.level.windArrow, nullptr);
    }
}

TEST(Wind, ScrollingFanLayersSpinTowardsTheWind) {
    fg::LevelInfo info = leveltest::row(0);
    info.fans[0][0].scroll = {60, 5};
    info.fans[1][0].scroll = {0, 7};
    LevelDriver d;
    d.enter(&info);
    ASSERT_TRUE(d.level.fanSprites[0][0]->scrolling);
    util::seedrand(11);
    d.level.setWind();
    const float sign = d.level.windToLeft ? 1.0f : -1.0f;
    const float target = d.level.wind * 60 * 0.16666667f * sign;
    EXPECT_EQ(d.level.scrollTarget[0][0].x, target);
    EXPECT_EQ(d.level.scrollTarget[0][0].y, 5.0f);
    EXPECT_EQ(d.level.scrollTarget[1][0].x, 0.0f); // no x speed: nothing to scale
    EXPECT_EQ(d.level.scrollTarget[1][0].y, 7.0f);
    EXPECT_EQ(d.level.scrollNow[0][0].x, 0.0f); // the wind does not jump the fan

    d.level.update(0.05f); // moves 60 units per second, each component
    EXPECT_FLOAT_EQ(d.level.scrollNow[0][0].x, std::abs(target) < 3 ? target : 3 * sign);
    EXPECT_EQ(d.level.scrollNow[0][0].y, 3.0f);
    d.level.update(0.05f);
    EXPECT_EQ(d.level.scrollNow[0][0].y, 5.0f); // stops at the target
    EXPECT_EQ(d.level.fanSprites[0][0]->scroll.y, 5.0f);
    // A layer without an x speed takes its target at once.
    EXPECT_EQ(d.level.fanSprites[1][0]->scroll.y, 7.0f);
    d.level.update(1.0f);
    EXPECT_EQ(d.level.scrollNow[0][0].x, target);
}
