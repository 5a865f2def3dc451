// SPDX-License-Identifier: MIT
// A level in play: flicks, the flight, the wind and every kind of landing.
#include "level_driver.h"

#include "core/util.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"

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
const float diag = 240 * std::sqrt(0.5f);

} // namespace

TEST(Anim, KeysInterpolateAndOnlyTheEndIsClamped) {
    const Vector3<float> keys[5] = {{0, 0, 1}, {0, 10, 0}, {0, 18, 0}, {0, 10, 0}, {4, 0, 3}};
    Anim a(keys, 5, 1.0f), b(keys, 5, 1.0f);
    // 0.4 into the first segment, on keys 1 and 2, half through the last, just past the end.
    const std::tuple got{a.get(0.1f).y,  a.get(0.15f).y,       a.get(0.25f).y, a.get(0.375f).x,
                         a.get(0.13f).x, a.time >= a.duration, a.get(5).z};
    EXPECT_EQ(got, std::tuple(4.0f, 10.0f, 18.0f, 2.0f, 4.0f, true, 3.0f));
    EXPECT_FLOAT_EQ(b.get(-0.125f).y, -5.0f); // a negative step runs backwards
}

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
    // The angle, apex and wind drift follow the flick.
    const struct {
        float dx, dy, angle, apex;
    } flicks[] = {{0, 10, 0, 0},      {10, 10, -45, diag}, {-10, 10, 45, -diag}, {10, 0, -90, 240},
                  {-10, 0, 90, -240}, {0, -10, -180, 0},   {10, -10, -135, diag}};
    for (const auto& c : flicks) {
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
    const struct {
        float a, b, xTop, xEnd; // apex offset and wind drift
    } cases[] = {{0, 0, 160, 160},
                 {0, 50, 160, 210},                                    // the wind bends
                 {diag, 50, 160 + (diag + 50) / 2, 160 + diag + 50},   // same sign: a line
                 {-diag, -50, 160 - (diag + 50) / 2, 160 - diag - 50}, // the same leftwards
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

// Over many seeds the wind covers 0 to 6 from both sides, its sign showing two decimals.
TEST(Wind, InRangeFromBothSidesShownWithTwoDecimals) {
    LevelDriver d;
    d.enter();
    float low = 6, high = 0;
    int left = 0;
    for (int seed = 1; seed <= 200; ++seed) {
        util::seedrand(seed);
        d.level.setWind();
        const float w = d.level.wind;
        low = std::min(low, w), high = std::max(high, w), left += d.level.windToLeft;
        const auto* text = texture_mgr.find(util::formatString(
            "text=%.2f,font=fawn,size=20,r=1.00,b=1.00,g=1.00,outline=3,fill=1.00", double(w)));
        ASSERT_TRUE(text && d.level.windText->texture == text->texture) << w;
    }
    EXPECT_TRUE(low >= 0 && low < 0.2f && high > 5.8f && high < 6) << low << " " << high;
    EXPECT_TRUE(left > 60 && left < 140) << left;
}

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
    EXPECT_EQ(std::pair(d.level.anim.keys[1].x, d.level.anim.keys[1].y), std::pair(100.f, 153.f));
    // Rim edges are truncated towards zero; the ball waits under the basket.
    fg::LevelInfo info = fg::level_info[0];
    for (auto [x, half, l, r] : {std::tuple{162.5f, 24.3f, 138, 186}, {10.f, 20.5f, -10, 30}}) {
        info.basketX = x, info.rimHalfWidth = half;
        d.enter(info);
        EXPECT_EQ(std::tuple(d.level.rimLeft, d.level.rimRight, d.level.ballPos.x),
                  std::tuple(l, r, x));
    }
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
    EXPECT_EQ(std::tuple(ticks, d.level.state, d.take()), std::tuple(7, Level::PAUSE, Events{}));
    EXPECT_NEAR(top, 153 + 17 * landingScale, landingScale); // about 5 points at this depth
    EXPECT_FLOAT_EQ(d.level.ballPos.y, 153 + landingScale);

    EXPECT_EQ(land(d, 100, 213, -1, -3), Events{}); // to x = 80, within 90 of the basket
    d.frames(9);
    EXPECT_EQ(std::tuple(d.level.state, d.take()),
              std::tuple(Level::CAUGHT, Events{"Computer.wav"}));
    const int ready = d.untilReady(); // 0.3 s; the pause step runs in the same frame
    EXPECT_TRUE(ready == 15 || ready == 16) << ready;
}
