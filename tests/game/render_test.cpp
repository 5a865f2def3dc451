// SPDX-License-Identifier: MIT
// What a level draws, in which order, where and how.
#include "level_test.h"

#include "gfx/sprite.h"

#include <GLES/gl.h>
#include <array>
#include <set>

namespace {

struct Drawn : fg::RenderInfo {
    float projection[16], modelview[16]; // loaded when the entry was drawn
};

// Records every entry the level draws.
struct Render : LevelTest {
    Render() { fg::setRenderTrace(&trace, this); }
    ~Render() override { fg::setRenderTrace(nullptr, nullptr); }
    static void trace(const fg::RenderInfo& e, void* user) {
        Drawn d{e, {}, {}};
        glGetFloatv(GL_PROJECTION_MATRIX, d.projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, d.modelview);
        static_cast<Render*>(user)->drawn.push_back(d);
    }
    int index(const Sprite* s) const {
        for (size_t i = 0; i < drawn.size(); ++i)
            if (s && drawn[i].sprite == s) return int(i);
        return -1;
    }
    const Drawn& operator[](const Sprite* s) const { return drawn.at(size_t(index(s))); }
    std::vector<Drawn> drawn;
};

// Where an entry's own position lands on the 320 x 480 screen (y up) under its matrices.
std::pair<float, float> onScreen(const Drawn& d) {
    std::array<float, 4> v = {d.position.x, d.position.y, -d.position.z, 1}; // as sprites move
    for (const float* m : {d.modelview, d.projection})
        v = {m[0] * v[0] + m[4] * v[1] + m[8] * v[2] + m[12] * v[3],
             m[1] * v[0] + m[5] * v[1] + m[9] * v[2] + m[13] * v[3],
             m[2] * v[0] + m[6] * v[1] + m[10] * v[2] + m[14] * v[3],
             m[3] * v[0] + m[7] * v[1] + m[11] * v[2] + m[15] * v[3]};
    return {(v[0] / v[3] + 1) * 160, (v[1] / v[3] + 1) * 240};
}

using Sprites = std::set<const Sprite*>;

} // namespace

// A typical frame of the first level: what is drawn, in which order and where; the score,
// Submit and the unlock banner as they pop in; the cropped overlays; a ball in flight.
TEST_F(Render, FramesOfTheFirstLevel) {
    down(160, 32); // the level exists but has never been created: it neither hears nor draws
    up(48, 295);
    evt::publish("onLevelUnlocked");
    frames(2);
    EXPECT_EQ(std::tuple(drawn.size(), take(), sizeGlCalls), std::tuple(0u, Events{}, 0));
    enter();
    const Level& l = level;
    const Render& r = *this;
    for (int left = 0; left < 2; ++left) { // only the fan on the side the wind comes from
        level.windToLeft = left;
        drawn.clear();
        sizeGlCalls = 0;
        frames();
        ASSERT_EQ(drawn.size(), 11u);
        const auto& n = drawn;
        EXPECT_EQ(std::pair(n[0].sprite, n[4].sprite), std::pair(l.background, l.basket));
        EXPECT_EQ((Sprites{n[1].sprite, n[2].sprite, n[3].sprite}),
                  (Sprites{l.scoreText[0], l.bestText[0], l.submitButton}));
        EXPECT_EQ((Sprites{n[5].sprite, n[6].sprite}), (Sprites{l.windText, l.windArrow}));
        EXPECT_EQ((std::vector{n[7].sprite, n[8].sprite, n[9].sprite, n[10].sprite}),
                  (std::vector{l.foreground[0], l.fanSprites[left][0], l.aimArrow, l.ball}));
        EXPECT_EQ(r[l.scoreText[0]].depth, 449.88998f);
        EXPECT_EQ(r[l.windText].depth, 6.2819996f - 0.01f); // just in front of the can
        EXPECT_EQ(r[l.windArrow].rotation.y, left ? 180.0f : 0.0f);
        EXPECT_EQ(r[l.aimArrow].position.y, 88.0f); // 56 above the ball's rest point
        EXPECT_EQ(sizeGlCalls, 1);                  // back to 2D once, after the wind sign
    }
    // The wind sign is seen in perspective on the floor between the ball and the basket; the
    // rest is drawn 1:1 on the screen.
    const auto [x, y] = onScreen(r[l.windArrow]);
    const auto [fx, fy] = onScreen(r[l.foreground[0]]);
    EXPECT_TRUE(std::abs(x - 160) < 0.01 && std::abs(y - 110.21) < 0.05) << x << "," << y;
    EXPECT_NEAR(onScreen(r[l.windText]).second, 123.48, 0.05);
    EXPECT_TRUE(std::abs(fx - 160) < 1e-3 && std::abs(fy - l.info->foregroundPos.y) < 1e-3) << fy;

    level.state = Level::INACTIVE; // while the screen slides: no sign and no switching
    drawn.clear();
    level.render({-100, 20});
    EXPECT_EQ(std::pair(sizeGlCalls, index(l.windText)), std::pair(1, -1));

    // Made afresh for a slide, the level waits inactive.
    level.create(&fg::level_info[0], 9, false, 1);
    EXPECT_EQ(std::pair(level.state, level.savedState), std::pair(+Level::INACTIVE, +Level::READY));
    level.state = Level::READY;
    level.score = 2;
    level.setScore();
    level.onLevelUnlocked(nullptr);
    // The incoming score and Submit grow in from 11 times their size while fading in; the
    // banner spins in, yellow, from 6 times its size, then fades out; phase 0 hides it. Columns:
    // the fades, the banner's time and phase; the texts' scale and alpha, the banner's scale,
    // turn and alpha.
    const std::tuple<float, float, int, float, float, float, float, float> looks[] = {
        {0, 0, 1, 11, 0, 6, -90, 0},
        {0.25f, 1.5f, 1, 6, 0.5f, 1, 0, 1},
        {0.7f, 0.75f, 2, 1, 1, 1, 0, 0.5f},
        {0.7f, 0, 0, 1, 1, 0, 0, 0}};
    for (const auto& [fade, time, phase, scale, alpha, bannerScale, turn, bannerAlpha] : looks) {
        SCOPED_TRACE(fade);
        level.textFade = level.submitFade = fade;
        level.unlockTime = time;
        level.unlockPhase = phase;
        drawn.clear();
        level.render({0, 0});
        for (const Sprite* s : {level.scoreText[1], level.submitButton})
            EXPECT_EQ(std::pair(r[s].scale.x, r[s].colour.w), std::pair(scale, alpha));
        ASSERT_EQ(index(level.unlockedText) < 0, phase == 0);
        if (phase == 0) continue;
        const Drawn& b = r[level.unlockedText]; // yellow
        EXPECT_EQ(std::tuple(b.scale.x, b.rotation.z, b.colour.w, b.colour.z),
                  std::tuple(bannerScale, turn, bannerAlpha, 0.0f));
    }

    // The build crops the full-screen overlays to what shows of them; drawn where the level puts
    // them now, they give the very pixels the full pictures gave where they were drawn before. In
    // flight the ball passes between the desks and the can, then behind the can's front; the
    // tutorial goes with the first throw.
    fg::level_info[0].tutorial = "tutorial.png"; // the driver fills the catalogue afresh
    enter();
    std::vector<std::pair<const char*, Vector3<float>>> overlays = {
        {"tutorial.png", level.tutorialPos}};
    for (const fg::LevelInfo& l : fg::level_info)
        for (auto [name, at] :
             {std::pair{l.foreground, l.foregroundPos}, {l.foreground2, l.foreground2Pos}})
            if (name) overlays.emplace_back(name, at);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    auto draw = [](const std::string& name, float x, float y) {
        glClear(GL_COLOR_BUFFER_BIT);
        Sprite(name.c_str(), {0, 0}, 0, false, 0).draw({x, y, 0}, {1, 1}, {0, 0, 0}, {1, 1, 1, 1});
        return testgl::readPixels();
    };
    const std::vector<uint8_t> empty = draw("none.png", 0, 0);
    for (const auto& [name, now] : overlays) {
        // The full basement picture was centred at y 284.
        const auto before =
            draw(std::string(FULL_OVERLAYS) + "/" + name, 160, *name == 'B' ? 284 : 240);
        EXPECT_TRUE(before != empty && before == draw(name, now.x, now.y)) << name;
    }
    level.wind = 0;
    flick(0, 68);
    for (bool behind : {false, true}) {
        frames(behind ? 44 : 19); // 0.4 s and 1.3 s into the 1.5 s flight
        drawn.clear();
        frames();
        const int ball = index(level.ball), can = index(level.basket);
        EXPECT_EQ(r[level.ball].depth, level.ballPos.z);
        EXPECT_TRUE(behind ? ball < can : ball > can && ball < index(level.foreground[0])) << ball;
    }
    EXPECT_EQ(std::pair(level.state, level.tutorial), std::pair(+Level::FLYING, (Sprite*)nullptr));
}
