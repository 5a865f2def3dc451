// SPDX-License-Identifier: MIT
#include "level_driver.h"

#include "gfx/sprite.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

using leveltest::Events;
using leveltest::LevelDriver;

namespace {

struct Drawn : fg::RenderInfo {
    float projection[16], modelview[16]; // loaded when the entry was drawn
};

// Records every entry the level draws.
struct Recorder {
    Recorder() { fg::setRenderTrace(&trace, this); }
    ~Recorder() { fg::setRenderTrace(nullptr, nullptr); }
    static void trace(const fg::RenderInfo& e, void* user) {
        Drawn d{e, {}, {}};
        glGetFloatv(GL_PROJECTION_MATRIX, d.projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, d.modelview);
        static_cast<Recorder*>(user)->drawn.push_back(d);
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
    float eye[4], clip[4];
    const float p[4] = {d.position.x, d.position.y, -d.position.z, 1}; // as the sprite moves
    for (int r = 0; r < 4; ++r)
        eye[r] = d.modelview[r] * p[0] + d.modelview[4 + r] * p[1] + d.modelview[8 + r] * p[2] +
                 d.modelview[12 + r];
    for (int r = 0; r < 4; ++r)
        clip[r] = d.projection[r] * eye[0] + d.projection[4 + r] * eye[1] +
                  d.projection[8 + r] * eye[2] + d.projection[12 + r] * eye[3];
    return {(clip[0] / clip[3] + 1) * 160, (clip[1] / clip[3] + 1) * 240};
}

using Sprites = std::set<const Sprite*>;

} // namespace

TEST(Render, TypicalFrameOfTheFirstLevel) {
    LevelDriver d;
    d.enter();
    const Level& l = d.level;
    Recorder r;
    for (int left = 0; left < 2; ++left) { // only the fan on the side the wind comes from
        d.level.windToLeft = left;
        r.drawn.clear();
        d.sizeGlCalls = 0;
        d.frames();
        ASSERT_EQ(r.drawn.size(), 11u);
        const auto& n = r.drawn;
        EXPECT_EQ(n[0].sprite, l.background);
        EXPECT_EQ((Sprites{n[1].sprite, n[2].sprite, n[3].sprite}),
                  (Sprites{l.scoreText[0], l.bestText[0], l.submitButton}));
        EXPECT_EQ(n[4].sprite, l.basket);
        EXPECT_EQ((Sprites{n[5].sprite, n[6].sprite}), (Sprites{l.windText, l.windArrow}));
        EXPECT_EQ(n[7].sprite, l.foreground[0]);
        EXPECT_EQ(n[8].sprite, l.fanSprites[left][0]);
        EXPECT_EQ(n[9].sprite, l.aimArrow);
        EXPECT_EQ(n[10].sprite, l.ball);
        EXPECT_EQ(r[l.scoreText[0]].depth, 449.88998f);
        EXPECT_EQ(r[l.windText].depth, 6.2819996f - 0.01f); // just in front of the can
        EXPECT_EQ(r[l.windArrow].rotation.y, left ? 180.0f : 0.0f);
        EXPECT_EQ(r[l.aimArrow].position.y, 88.0f); // 56 above the ball's rest point
        EXPECT_EQ(d.sizeGlCalls, 1);                // back to 2D once, after the wind sign
    }
    // The wind sign is seen in perspective on the floor between the ball and the basket; the
    // rest is drawn 1:1 on the screen.
    const auto [x, y] = onScreen(r[l.windArrow]);
    EXPECT_NEAR(x, 160, 0.01);
    EXPECT_NEAR(y, 110.21, 0.05);
    EXPECT_NEAR(onScreen(r[l.windText]).second, 123.48, 0.05);
    const auto [fx, fy] = onScreen(r[l.foreground[0]]);
    EXPECT_TRUE(std::abs(fx - 160) < 1e-3 && std::abs(fy - l.info->foregroundPos.y) < 1e-3) << fy;

    d.level.state = Level::INACTIVE; // while the screen slides: no sign and no switching
    r.drawn.clear();
    d.level.render({-100, 20});
    EXPECT_EQ(d.sizeGlCalls, 1);
    EXPECT_EQ(r.index(l.windText), -1);
}

TEST(Render, AWholeThrowPassesBehindTheCanFrontAndScores) {
    LevelDriver d;
    fg::LevelInfo info = fg::level_info[0];
    info.tutorial = "tutorial.png";
    d.enter(info);
    d.level.wind = 0;
    d.flick(0, 68);
    const Level& l = d.level;
    Recorder r;
    int frames = 0, behindCan = 0, betweenDesksAndCan = 0;
    for (; l.state == Level::FLYING && frames < 200; ++frames) {
        r.drawn.clear();
        d.frames();
        if (l.state != Level::FLYING) continue;
        const int ball = r.index(l.ball), can = r.index(l.basket);
        const float z = r[l.ball].depth;
        EXPECT_EQ(z, l.ballPos.z);
        if (z > 6.2819996f) {
            EXPECT_LT(ball, can);
            ++behindCan;
        } else if (z > 1.0f) {
            EXPECT_TRUE(ball > can && ball < r.index(l.foreground[0]));
            ++betweenDesksAndCan;
        }
        EXPECT_FLOAT_EQ(r[l.ball].scale.x, std::max(z / (-3 - 8.282f) + 1, 3 / 86.0f));
    }
    EXPECT_TRUE(behindCan > 5 && betweenDesksAndCan > 5);
    EXPECT_TRUE(frames == 75 || frames == 76) << frames; // 1.5 s
    EXPECT_EQ(l.tutorial, nullptr);
    const int ticks = d.untilReady(); // the drop into the basket, then half a second
    EXPECT_TRUE(ticks == 34 || ticks == 35) << ticks;
    // A level's first basket is a new best of 1.
    EXPECT_EQ(d.take(), (Events{"onTutorialShown", "In.wav", "Applause.wav", "setBest 1"}));
    EXPECT_EQ(l.ballPos.y, 32.0f); // back at rest for the next throw
}

TEST(Render, NothingBeforeTheFirstCreateThenPopInsAndBanner) {
    LevelDriver d; // its level exists but has never been created
    Recorder r;
    d.down(160, 32);
    d.up(48, 295);
    evt::publish("onLevelUnlocked");
    d.frames(2);
    EXPECT_TRUE(r.drawn.empty());
    EXPECT_EQ(std::pair(d.take(), d.sizeGlCalls), std::pair(Events{}, 0));
    d.level.create(&fg::level_info[0], 9, false, 1);
    EXPECT_EQ(std::pair(d.level.state, d.level.savedState),
              std::pair(+Level::INACTIVE, +Level::READY));
    d.level.state = Level::READY;
    d.level.score = 2;
    d.level.setScore();
    d.level.onLevelUnlocked(nullptr);
    const Level& l = d.level;
    // The incoming score and Submit grow in from 11 times their size while fading in; the
    // banner spins in, yellow, from 6 times its size, then fades out.
    const struct {
        float fade, unlockTime;
        int phase;
        float textScale, textAlpha, bannerScale, bannerTurn, bannerAlpha;
    } looks[] = {{0, 0, 1, 11, 0, 6, -90, 0},
                 {0.25f, 1.5f, 1, 6, 0.5f, 1, 0, 1},
                 {0.7f, 0.75f, 2, 1, 1, 1, 0, 0.5f}};
    for (const auto& k : looks) {
        SCOPED_TRACE(k.fade);
        d.level.textFade = d.level.submitFade = k.fade;
        d.level.unlockTime = k.unlockTime;
        d.level.unlockPhase = k.phase;
        r.drawn.clear();
        d.level.render({0, 0});
        for (const Sprite* s : {l.scoreText[1], l.submitButton}) {
            EXPECT_FLOAT_EQ(r[s].scale.x, k.textScale);
            EXPECT_FLOAT_EQ(r[s].colour.w, k.textAlpha);
        }
        const Drawn& banner = r[l.unlockedText];
        EXPECT_FLOAT_EQ(banner.scale.x, k.bannerScale);
        EXPECT_FLOAT_EQ(banner.rotation.z, k.bannerTurn);
        EXPECT_FLOAT_EQ(banner.colour.w, k.bannerAlpha);
        EXPECT_EQ(banner.colour.z, 0.0f); // yellow
    }
    d.level.unlockPhase = 0;
    r.drawn.clear();
    d.level.render({0, 0});
    EXPECT_EQ(r.index(l.unlockedText), -1);
}

// The build crops the full-screen overlays to what shows of them; drawn where the level puts
// them now, they give the very pixels the full pictures gave where they were drawn before.
TEST(Render, CroppedOverlaysDrawTheSamePixelsAsTheFullPicturesDid) {
    LevelDriver d;
    fg::LevelInfo info = fg::level_info[0];
    info.tutorial = "tutorial.png";
    d.enter(info);
    const auto& L = fg::level_info;
    const std::pair<const char*, Vector3<float>> overlays[] = {
        {"tutorial.png", d.level.tutorialPos},
        {"Level1_foreground.png", L[0].foregroundPos},
        {"Level2_foreground.png", L[1].foregroundPos},
        {"Level2_Computer.png", L[1].foreground2Pos},
        {"Front_desks_L3.png", L[2].foregroundPos},
        {"Basement_foreground.png", L[4].foregroundPos}, // the full one was centred at y 284
    };
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    d.onSizeGl(nullptr);
    auto draw = [](const std::string& name, Vector3<float> at) {
        glClear(GL_COLOR_BUFFER_BIT);
        Sprite s(name.c_str(), {0, 0}, 0, false, 0);
        s.draw({at.x, at.y, 0}, {1, 1}, {0, 0, 0}, {1, 1, 1, 1});
        return testgl::readPixels();
    };
    const std::vector<uint8_t> empty = draw("none.png", {0, 0, 0});
    for (const auto& [name, now] : overlays) {
        SCOPED_TRACE(name);
        const float y = std::string(name).starts_with("Base") ? 284 : 240;
        const auto before = draw(std::string(FULL_OVERLAYS) + "/" + name, {160, y, 0});
        ASSERT_NE(before, empty) << "the full picture did not draw";
        EXPECT_TRUE(before == draw(name, now));
    }
}
