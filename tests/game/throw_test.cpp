// SPDX-License-Identifier: MIT
#include "level_driver.h"

#include "core/util.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"

#include <cmath>
#include <gtest/gtest.h>

using leveltest::LevelDriver;

TEST(Throw, FlickRules) {
    // Moves upwards from the grab; `before` is held before the first move, `after` after it.
    const struct {
        const char* what;
        float x, y;
        std::vector<float> moves;
        double before, after;
        bool throws;
    } cases[] = {
        {"a tap", 160, 32, {}, 0, 0, false},
        {"exactly 4.0", 160, 32, {4}, 0, 0, false},
        {"4.01", 160, 32, {4.01f}, 0, 0, true},
        {"the mean of 0.5, 1, 1 and 9", 160, 32, {.5f, 1, 1, 9}, 0, 0, false},
        {"the mean of 2 and 8", 160, 32, {2, 8}, 0, 0, true},
        {"timed from the first move", 160, 32, {28}, 5.0, 0.99, true},
        {"1.2 s after the first move", 160, 32, {8, 48}, 0, 1.2, false},
        {"above the grab square", 160, 119, {180}, 0, 0, false},
        {"the square's corner", 246, 118, {180}, 0, 0, true},
    };
    LevelDriver d;
    for (const auto& c : cases) {
        d.enter();
        d.down(c.x, c.y);
        d.wait(c.before);
        for (size_t i = 0; i < c.moves.size(); ++i) {
            d.move(c.x, c.y + c.moves[i]);
            d.wait(i == 0 ? c.after : 0);
        }
        d.up(c.x, c.y);
        EXPECT_EQ(d.level.state, c.throws ? Level::FLYING : Level::READY) << c.what;
        EXPECT_FALSE(d.level.ballHeld) << c.what;
    }
    d.enter();
    d.level.state = Level::INACTIVE; // while the controller slides the screen
    d.flick(0, 100);
    EXPECT_EQ(d.level.flightTime, -1.0f);
}

TEST(Throw, AngleApexAndDriftFollowTheFlick) {
    const float diag = 240 * std::sqrt(0.5f);
    const struct {
        float dx, dy, angle, apex;
    } cases[] = {{0, 10, 0, 0},      {10, 10, -45, diag}, {-10, 10, 45, -diag}, {10, 0, -90, 240},
                 {-10, 0, 90, -240}, {0, -10, -180, 0},   {10, -10, -135, diag}};
    LevelDriver d;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy);
        d.enter();
        d.level.wind = 3;
        d.level.windToLeft = c.dx < 0;
        d.flick(c.dx, c.dy);
        ASSERT_EQ(d.level.state, Level::FLYING);
        EXPECT_NEAR(d.level.throwAngle, c.angle, 1e-3);
        EXPECT_NEAR(d.level.apexOffset, c.apex, 1e-3);
        EXPECT_EQ(d.level.drift, (c.dx < 0 ? -3 : 3) * 33.333336f);
    }
}

TEST(Flight, PathAtTheTopAndTheEnd) {
    LevelDriver d;
    d.enter(); // rim line 213, apex 140 above it, basket depth 8.282
    const float diag = 240 * std::sqrt(0.5f);
    const struct {
        float a, b, xTop, xEnd;                                        // apex offset and wind drift
    } cases[] = {{0, 0, 160, 160},                                     // straight, no wind
                 {0, 50, 160, 210},                                    // straight, wind bends
                 {diag, 50, 160 + (diag + 50) / 2, 160 + diag + 50},   // same sign: a line
                 {-diag, -50, 160 - (diag + 50) / 2, 160 - diag - 50}, // same sign, leftwards
                 {100, -50, 260, 210},                                 // opposite signs
                 {-100, 50, 60, 110}};
    auto at = [&](float a, float b, float seconds) {
        d.level.state = Level::FLYING;
        d.level.apexOffset = a;
        d.level.drift = b;
        d.level.flightTime = seconds;
        d.level.update(0);
        return d.level.ballPos;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a << "," << c.b);
        Vector3<float> p = at(c.a, c.b, 0.75f);
        EXPECT_FLOAT_EQ(p.x, c.xTop);
        EXPECT_FLOAT_EQ(p.y, 353);
        p = at(c.a, c.b, 1.5f);
        EXPECT_FLOAT_EQ(p.x, c.xEnd);
        EXPECT_EQ(p.y, 213.0f); // exactly on the rim line
        EXPECT_FLOAT_EQ(p.z, 0.01f + 8.282f);
        EXPECT_EQ(d.level.state, Level::LANDING); // the landing test ran in that frame
        EXPECT_EQ(d.level.ballSquash, 1.0f);
    }
    // Opposite signs between: rising, three quarters of the way out; falling, the wind bends.
    EXPECT_FLOAT_EQ(at(100, -50, 0.375f).x, 235); // t = 0.25
    EXPECT_EQ(d.level.ballSquash, 0.9f);
    EXPECT_FLOAT_EQ(at(100, -50, 1.125f).x, 247.5f);          // t = 0.75
    EXPECT_EQ(d.level.ballSquash, 1 + 0.75f * (0.9f - 1.0f)); // in single precision
}

TEST(Wind, SeededWindInRangeShownWithTwoDecimals) {
    LevelDriver d;
    d.enter();
    for (int seed = 1; seed <= 40; ++seed) {
        util::seedrand(seed);
        const float wind = util::randomf(0, 6.0f);
        const int left = util::randomi(0, 1) & 1;
        util::seedrand(seed);
        d.level.setWind();
        EXPECT_EQ(d.level.wind, wind) << seed;
        EXPECT_EQ(int(d.level.windToLeft), left) << seed;
        EXPECT_TRUE(wind >= 0 && wind < 6) << seed;
        const TextureMgr::TextureInfo* text = texture_mgr.find(util::formatString(
            "text=%.2f,font=fawn,size=20,r=1.00,b=1.00,g=1.00,outline=3,fill=1.00", double(wind)));
        ASSERT_NE(text, nullptr) << wind;
        EXPECT_EQ(d.level.windText->texture, text->texture) << wind;
    }
}
