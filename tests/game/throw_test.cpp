#include "level_driver.h"

#include "core/util.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"

#include <cmath>
#include <gtest/gtest.h>

using leveltest::LevelDriver;
using V = Vector2<float>;

TEST(Throw, FlickRules) {
    // Moves are offsets from the grab; `before` is held before the first move, `after` after it.
    const struct {
        const char* what;
        V grab;
        std::vector<V> moves;
        double before, after;
        bool throws;
    } cases[] = {
        {"a tap", {160, 32}, {}, 0, 0, false},
        {"exactly 4.0", {160, 32}, {{0, 4}}, 0, 0, false},
        {"4.01", {160, 32}, {{0, 4.01f}}, 0, 0, true},
        {"downwards counts", {160, 32}, {{-4, -3.1f}}, 0, 0, true},
        {"the mean of 0.5, 1, 1, 9", {160, 32}, {{0, .5f}, {0, 1}, {0, 1}, {0, 9}}, 0, 0, false},
        {"the mean of 2 and 8", {160, 32}, {{0, 2}, {0, 8}}, 0, 0, true},
        {"timed from the first move", {160, 32}, {{0, 28}}, 5.0, 0.99, true},
        {"1.2 s after the first move", {160, 32}, {{0, 8}, {0, 48}}, 0, 1.2, false},
        {"above the grab square", {160, 119}, {{0, 180}}, 0, 0, false},
        {"the square's corner", {246, 118}, {{0, 180}}, 0, 0, true},
    };
    LevelDriver d;
    for (const auto& c : cases) {
        d.enter(0);
        d.down(c.grab.x, c.grab.y);
        d.wait(c.before);
        for (size_t i = 0; i < c.moves.size(); ++i) {
            d.move(c.grab.x + c.moves[i].x, c.grab.y + c.moves[i].y);
            if (i == 0) d.wait(c.after);
        }
        d.up(c.grab.x, c.grab.y);
        EXPECT_EQ(d.level.state, c.throws ? Level::FLYING : Level::READY) << c.what;
        EXPECT_FALSE(d.level.ballHeld) << c.what;
    }
    d.enter(0);
    d.level.state = Level::INACTIVE; // while the controller slides the screen
    d.flick({160, 32}, {160, 300});
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
        d.enter(0);
        d.level.wind = 3;
        d.level.windToLeft = c.dx < 0;
        d.flick({160, 32}, {160 + c.dx, 32 + c.dy}, 1);
        ASSERT_EQ(d.level.state, Level::FLYING);
        EXPECT_NEAR(d.level.throwAngle, c.angle, 1e-3);
        EXPECT_NEAR(d.level.apexOffset, c.apex, 1e-3);
        EXPECT_EQ(d.level.drift, (c.dx < 0 ? -3 : 3) * 33.333336f);
    }
}

TEST(Flight, PathAtTheTopAndTheEnd) {
    LevelDriver d;
    d.enter(0); // rim line 213, apex 140 above it, basket depth 8.282
    const float diag = 240 * std::sqrt(0.5f);
    const struct {
        float a, b, xTop, xEnd;
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
        EXPECT_FLOAT_EQ(p.z, 0.01f + 0.5f * 8.282f);
        EXPECT_EQ(d.level.state, Level::FLYING);
        p = at(c.a, c.b, 1.5f);
        EXPECT_FLOAT_EQ(p.x, c.xEnd);
        EXPECT_EQ(p.y, 213.0f); // exactly on the rim line
        EXPECT_FLOAT_EQ(p.z, 0.01f + 8.282f);
        EXPECT_EQ(d.level.state, Level::LANDING); // the landing test ran in that frame
        EXPECT_EQ(d.level.ballSquash, 1.0f);
    }
    at(100, -50, 0.375f); // t = 0.25: squashed while rising
    EXPECT_EQ(d.level.ballSquash, 0.9f);
    at(100, -50, 1.125f); // t = 0.75: opening up in single precision
    EXPECT_EQ(d.level.ballSquash, 1 + 0.75f * (0.9f - 1.0f));
}

TEST(Flight, AWholeThrowScoresAndTakesTheTutorialAway) {
    fg::LevelInfo info = leveltest::row(0);
    info.tutorial = "tutorial.png";
    LevelDriver d;
    d.enter(&info);
    d.level.wind = 0;
    d.flick({160, 32}, {160, 100});
    ASSERT_EQ(d.level.state, Level::FLYING);
    d.clear();
    int frames = 0;
    float top = 0;
    for (; d.level.state == Level::FLYING && frames < 200; ++frames) {
        top = std::max(top, d.level.ballPos.y);
        d.frame();
    }
    EXPECT_EQ(d.level.tutorial, nullptr);
    EXPECT_EQ(d.count("onTutorialShown"), 1);
    EXPECT_GE(frames, 75); // 1.5 s
    EXPECT_LE(frames, 76);
    EXPECT_LE(top, 353.0f);
    EXPECT_GT(top, 352.0f);
    EXPECT_EQ(d.level.score, 1);
    const int ticks = d.untilReady(); // the drop into the basket, then half a second
    EXPECT_GE(ticks, 34);
    EXPECT_LE(ticks, 35);
    EXPECT_EQ(d.sounds(), (std::vector<std::string>{"In.wav", "Applause.wav"}));
    ASSERT_EQ(d.count("setBest"), 1); // a level's first basket is a best of 1
    EXPECT_EQ(d.published.back().value, 1);
    EXPECT_EQ(d.level.ballPos.x, 160.0f);
    EXPECT_EQ(d.level.ballPos.y, 32.0f);
    EXPECT_EQ(d.count("onTutorialShown"), 1);
}

TEST(Wind, SeededWindInRangeShownWithTwoDecimals) {
    LevelDriver d;
    d.enter(0);
    for (int seed = 1; seed <= 40; ++seed) {
        util::seedrand(seed);
        const float expected = util::randomf(0, 6.0f);
        const int left = util::randomi(0, 1) & 1;
        util::seedrand(seed);
        d.level.setWind();
        EXPECT_EQ(d.level.wind, expected) << seed;
        EXPECT_EQ(int(d.level.windToLeft), left) << seed;
        EXPECT_GE(d.level.wind, 0.0f) << seed;
        EXPECT_LT(d.level.wind, 6.0f) << seed;
        char text[16];
        std::snprintf(text, sizeof text, "%.2f", double(expected));
        const std::string key = std::string("text=") + text +
                                ",font=fawn,size=20,r=1.00,b=1.00,g=1.00,outline=3,fill=1.00";
        const TextureMgr::TextureInfo* entry = texture_mgr.find(key);
        ASSERT_NE(entry, nullptr) << key;
        EXPECT_EQ(d.level.windText->texture, entry->texture) << key;
    }
}

TEST(Wind, ScrollingFanLayersSpinTowardsTheWind) {
    fg::LevelInfo info = leveltest::row(0);
    info.fans[0][0].scroll = {60, 5};
    LevelDriver d;
    d.enter(&info);
    util::seedrand(11);
    d.level.setWind();
    const float sign = d.level.windToLeft ? 1.0f : -1.0f;
    const float target = d.level.wind * 60 * 0.16666667f * sign;
    EXPECT_EQ(d.level.scrollNow[0][0].x, 0.0f); // the wind does not jump the fan
    d.level.update(0.05f);                      // 60 units per second, each component
    EXPECT_FLOAT_EQ(d.level.scrollNow[0][0].x, std::abs(target) < 3 ? target : 3 * sign);
    EXPECT_EQ(d.level.scrollNow[0][0].y, 3.0f);
    d.level.update(1.0f);
    EXPECT_EQ(d.level.scrollNow[0][0].x, target); // stops at the target
    EXPECT_EQ(d.level.fanSprites[0][0]->scroll.y, 5.0f);
}
