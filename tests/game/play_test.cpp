// SPDX-License-Identifier: MIT
// A level in play: flicks, the flight, the wind and every kind of landing.
#include "level_test.h"

#include "core/util.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"

namespace {

const float landingScale = (0.01f + 8.282f) / (-3 - 8.282f) + 1; // the first level's
const float diag = 240 * std::sqrt(0.5f);

struct Play : LevelTest {
    // Ends a flight at (x, y) at the landing depth, the last frame having moved by (vx, vy).
    Events land(float x, float y, float vx = 0, float vy = -3) {
        level.ballPos = {x, y, 0.01f + level.info->basketDepth};
        level.ballStep = {vx, vy, 0.1f};
        level.state = Level::FLYING;
        take();
        level.doCollision();
        return take();
    }
};

} // namespace

TEST(Anim, KeysInterpolateAndOnlyTheEndIsClamped) {
    const Vector3<float> keys[5] = {{0, 0, 1}, {0, 10, 0}, {0, 18, 0}, {0, 10, 0}, {4, 0, 3}};
    Anim a(keys, 5, 1.0f), b(keys, 5, 1.0f);
    // 0.4 into the first segment, on keys 1 and 2, half through the last, just past the end; a
    // negative step runs backwards.
    const std::tuple got{a.get(0.1f).y,  a.get(0.15f).y,       a.get(0.25f).y, a.get(0.375f).x,
                         a.get(0.13f).x, a.time >= a.duration, a.get(5).z,     b.get(-0.125f).y};
    EXPECT_EQ(got, std::tuple(4.0f, 10.0f, 18.0f, 2.0f, 4.0f, true, 3.0f, -5.0f));
}

TEST_F(Play, FlickRulesAndTheWind) {
    // Grab point, moves upwards from it, the time held before the first move and after it.
    const std::tuple<const char*, float, float, std::vector<float>, double, double, bool> cases[] =
        {
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
    for (const auto& [what, x, y, moves, before, after, throws] : cases) {
        enter();
        down(x, y);
        wait(before);
        for (size_t i = 0; i < moves.size(); ++i) {
            move(x, y + moves[i]);
            wait(i == 0 ? after : 0);
        }
        up(x, y);
        EXPECT_EQ(std::tuple(level.state, bool(level.ballHeld)),
                  std::tuple(throws ? Level::FLYING : Level::READY, false))
            << what;
    }
    enter();
    level.state = Level::INACTIVE; // while the controller slides the screen
    flick(0, 100);
    EXPECT_EQ(level.flightTime, -1.0f);
    // The angle, apex and wind drift follow the flick.
    const std::tuple<float, float, float, float> flicks[] = {
        {0, 10, 0, 0},      {10, 10, -45, diag}, {-10, 10, 45, -diag}, {10, 0, -90, 240},
        {-10, 0, 90, -240}, {0, -10, -180, 0},   {10, -10, -135, diag}};
    for (const auto& [dx, dy, angle, apex] : flicks) {
        enter();
        level.wind = 3;
        level.windToLeft = dx < 0;
        flick(dx, dy);
        SCOPED_TRACE(testing::Message() << dx << "," << dy);
        ASSERT_EQ(level.state, Level::FLYING);
        EXPECT_NEAR(level.throwAngle, angle, 1e-3);
        EXPECT_NEAR(level.apexOffset, apex, 1e-3);
        EXPECT_EQ(level.drift, (dx < 0 ? -3 : 3) * 33.333336f);
    }
    // Over many seeds the wind covers 0 to 6 from both sides, its sign showing two decimals.
    float low = 6, high = 0;
    int left = 0;
    for (int seed = 1; seed <= 200; ++seed) {
        util::seedrand(seed);
        level.setWind();
        const float w = level.wind;
        low = std::min(low, w), high = std::max(high, w), left += level.windToLeft;
        const auto* text = texture_mgr.find(util::formatString(
            "text=%.2f,font=fawn,size=20,r=1.00,b=1.00,g=1.00,outline=3,fill=1.00", double(w)));
        ASSERT_TRUE(text && level.windText->texture == text->texture) << w;
    }
    EXPECT_TRUE(low >= 0 && low < 0.2f && high > 5.8f && high < 6) << low << " " << high;
    EXPECT_TRUE(left > 60 && left < 140) << left;
}

// The flight: where the ball is at the top and the end of its path. Then every kind of landing
// in the first level: rim 123 ... 197 at the rim line 213, basket base 183, floor line 153, and a
// ball of radius 11.4 at the landing depth.
TEST_F(Play, FlightPathAndEveryKindOfLanding) {
    enter(); // rim line 213, apex 140 above it, basket depth 8.282
    auto at = [&](float apex, float drift, float seconds) {
        level.state = Level::FLYING;
        level.apexOffset = apex;
        level.drift = drift;
        level.flightTime = seconds;
        level.update(0);
        return level.ballPos;
    };
    // Apex offset and wind drift; x at the top and at the end.
    const std::tuple<float, float, float, float> cases[] = {
        {0, 0, 160, 160},
        {0, 50, 160, 210},                                    // the wind bends
        {diag, 50, 160 + (diag + 50) / 2, 160 + diag + 50},   // same sign: a line
        {-diag, -50, 160 - (diag + 50) / 2, 160 - diag - 50}, // the same leftwards
        {100, -50, 260, 210},                                 // opposite signs
        {-100, 50, 60, 110}};
    for (const auto& [a, b, xTop, xEnd] : cases) {
        SCOPED_TRACE(testing::Message() << a << "," << b);
        const Vector3<float> top = at(a, b, 0.75f), end = at(a, b, 1.5f);
        EXPECT_FLOAT_EQ(top.x, xTop);
        EXPECT_FLOAT_EQ(top.y, 353);
        EXPECT_FLOAT_EQ(end.x, xEnd);
        EXPECT_FLOAT_EQ(end.z, 0.01f + 8.282f);
        // Exactly on the rim line; the landing test ran in that frame.
        EXPECT_EQ(std::tuple(end.y, level.state, level.ballSquash),
                  std::tuple(213.0f, Level::LANDING, 1.0f));
    }
    // Opposite signs between: rising, three quarters of the way out; falling, the wind bends.
    EXPECT_FLOAT_EQ(at(100, -50, 0.375f).x, 235); // t = 0.25
    EXPECT_EQ(level.ballSquash, 0.9f);
    EXPECT_FLOAT_EQ(at(100, -50, 1.125f).x, 247.5f);        // t = 0.75
    EXPECT_EQ(level.ballSquash, 1 + 0.75f * (0.9f - 1.0f)); // in single precision
    const float k = 4 * landingScale, no = NAN;
    // Where the flight ends and its last step, the sound, whether it scores, and where the
    // animation ends (NAN: not checked).
    const std::tuple<float, float, float, const char*, bool, float, float> landings[] = {
        {160, 213, 0, "In.wav", true, 160, 183},
        {124, 200, 0, "BounceIn.wav", true, 160, 183},                // below the rim line
        {123, 213, 0, "RimIn.wav", true, 123 + 28 * k, 213 - 61 * k}, // on the left edge
        {190, 213, 0, "RimIn.wav", true, 190 - 28 * k, 213 - 61 * k},
        {115, 213, 0, "RimOut.wav", false, 115 - 28 * k, 213 - 61 * k},
        {205, 213, 0, "RimOut.wav", false, 205 + 28 * k, 213 - 61 * k},
        {111.5f, 213, -2, "Out.wav", false, 71.5f, 153},
        {240, 213, 2, "Out.wav", false, 280, 153},
        {115, 201, -2, "Out.wav", false, 147, 153}, // off the rim below its line
        // Contact while the truncated x is within the radius of an edge.
        {134.9f, 213, -1, "RimIn.wav", true, no, no},
        {135, 213, -1, "In.wav", true, no, no},
        {197, 213, -1, "RimIn.wav", true, no, no},
        {197.01f, 213, -1, "RimOut.wav", false, no, no},
        {112, 213, -1, "RimOut.wav", false, no, no},
        {111.99f, 213, -1, "Out.wav", false, no, no},
    };
    for (const auto& [x, y, vx, sound, in, endX, endY] : landings) {
        SCOPED_TRACE(testing::Message() << x << "," << y);
        level.score = 2;
        EXPECT_EQ(land(x, y, vx), Events{sound});
        EXPECT_EQ(std::tuple(level.state, level.score, bool(level.hopPending)),
                  std::tuple(Level::LANDING, in ? 3 : 0, !in));
        if (std::isnan(endX)) continue;
        const Anim& a = level.anim;
        const bool pop = std::string(sound).starts_with("Rim");
        EXPECT_EQ(std::pair(a.count, a.duration),
                  std::pair(pop ? 17 : 2, pop ? 0.7f : 0.16666667f));
        EXPECT_FLOAT_EQ(a.keys[a.count - 1].x, endX);
        EXPECT_FLOAT_EQ(a.keys[a.count - 1].y, endY);
    }
    // A flight that ended in its first frame has no vertical step: the ball drops straight.
    EXPECT_EQ(land(100, 213, 5, 0), Events{"Out.wav"});
    EXPECT_EQ(std::pair(level.anim.keys[1].x, level.anim.keys[1].y), std::pair(100.f, 153.f));
    // Rim edges are truncated towards zero; the ball waits under the basket.
    fg::LevelInfo info = fg::level_info[0];
    for (auto [x, half, l, r] : {std::tuple{162.5f, 24.3f, 138, 186}, {10.f, 20.5f, -10, 30}}) {
        info.basketX = x, info.rimHalfWidth = half;
        enter(info);
        EXPECT_EQ(std::tuple(level.rimLeft, level.rimRight, level.ballPos.x), std::tuple(l, r, x));
    }
    enter(1); // 110 above the rim line at 301
    EXPECT_FLOAT_EQ(at(0, 0, 0.75f).y, 411);
}

TEST_F(Play, AMissHopsOrIsCaughtNearTheBasket) {
    fg::LevelInfo info = fg::level_info[0];
    info.catcherSprite = "paper_ball.png";
    info.catcherDuration = 0.3f;
    info.catcherRadius = 90;
    info.catcherSound = "Computer.wav";
    enter(info);
    land(60, 213, -2, -3); // falls to x = 20 in 1/6 s, then hops silently for 1/8 s
    frames(9);
    float top = 0;
    int ticks = 0;
    for (; level.state == Level::LANDING && ticks < 50; ++ticks) {
        frames();
        top = std::max(top, level.ballPos.y);
    }
    EXPECT_EQ(std::tuple(ticks, level.state, take()), std::tuple(7, Level::PAUSE, Events{}));
    EXPECT_NEAR(top, 153 + 17 * landingScale, landingScale); // about 5 points at this depth
    EXPECT_FLOAT_EQ(level.ballPos.y, 153 + landingScale);

    EXPECT_EQ(land(100, 213, -1, -3), Events{}); // to x = 80, within 90 of the basket
    frames(9);
    EXPECT_EQ(std::tuple(level.state, take()), std::tuple(Level::CAUGHT, Events{"Computer.wav"}));
    int ready = 0; // 0.3 s; the pause step runs in the same frame
    for (; level.state != Level::READY && ready < 100; ++ready)
        frames();
    EXPECT_TRUE(ready == 15 || ready == 16) << ready;
}
