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
    // The wind sign in perspective: the camera lifted by its height, back by the basket's
    // depth and tilted down; the rest in the screen's 2D projection.
    const double h = std::tan(43.357 * M_PI / 360) * 0.1;
    const double tilt = (90 - std::atan(8.282 / 4.661) * 180 / M_PI) * M_PI / 180;
    const Drawn& w = r[l.windArrow];
    EXPECT_NEAR(w.projection[0], 0.1 / (h * 2.0 / 3.0), 1e-3);
    EXPECT_NEAR(w.projection[5], 0.1 / h, 1e-3);
    EXPECT_NEAR(w.modelview[13], -l.info->cameraHeight, 1e-6);
    EXPECT_NEAR(w.modelview[14], -8.282, 1e-6);
    EXPECT_NEAR(w.modelview[6], std::sin(tilt), 1e-5);
    EXPECT_NEAR(r[l.foreground[0]].projection[0], 2.0 / 320, 1e-7);

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
            EXPECT_GT(ball, can);
            EXPECT_LT(ball, r.index(l.foreground[0]));
            ++betweenDesksAndCan;
        }
        EXPECT_FLOAT_EQ(r[l.ball].scale.x, std::max(z / (-3 - 8.282f) + 1, 3 / 86.0f));
    }
    EXPECT_GT(behindCan, 5);
    EXPECT_GT(betweenDesksAndCan, 5);
    EXPECT_GE(frames, 75); // 1.5 s
    EXPECT_LE(frames, 76);
    EXPECT_EQ(l.tutorial, nullptr);
    const int ticks = d.untilReady(); // the drop into the basket, then half a second
    EXPECT_GE(ticks, 34);
    EXPECT_LE(ticks, 35);
    // A level's first basket is a new best of 1.
    EXPECT_EQ(d.take(), (Events{"onTutorialShown", "In.wav", "Applause.wav", "setBest 1"}));
    EXPECT_EQ(l.ballPos.y, 32.0f); // back at rest for the next throw
}

TEST(Render, NothingBeforeTheFirstCreate) {
    LevelDriver d; // its level exists but has never been created
    Recorder r;
    glClear(GL_COLOR_BUFFER_BIT);
    const uint32_t clear = testgl::rgbAt(testgl::readPixels(), 160, 240);
    d.down(160, 32);
    d.up(48, 295);
    evt::publish("onLevelUnlocked");
    d.frames(2);
    EXPECT_TRUE(r.drawn.empty());
    EXPECT_EQ(d.take(), Events{});
    EXPECT_EQ(d.sizeGlCalls, 0);
    EXPECT_EQ(testgl::rgbAt(testgl::readPixels(), 160, 240), clear);
    d.level.create(&fg::level_info[0], 0, false, 1);
    EXPECT_EQ(d.level.state, Level::INACTIVE); // until the controller has slid the screen in
    EXPECT_EQ(d.level.savedState, Level::READY);
    d.frames();
    EXPECT_NE(testgl::rgbAt(testgl::readPixels(), 160, 240), clear); // the room covers it
}

TEST(Render, PopInsAndBannerLooks) {
    LevelDriver d;
    d.enter(0, 9);
    d.level.score = 2;
    d.level.setScore();
    d.level.onLevelUnlocked(nullptr);
    const Level& l = d.level;
    Recorder r;
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
    const struct {
        const char* name;
        Vector2<float> before; // the full picture's centre
        Vector3<float> now;    // where the game puts the cropped one
    } overlays[] = {
        {"tutorial.png", {160, 240}, d.level.tutorialPos},
        {"Level1_foreground.png", {160, 240}, fg::level_info[0].foregroundPos},
        {"Level2_foreground.png", {160, 240}, fg::level_info[1].foregroundPos},
        {"Level2_Computer.png", {160, 240}, fg::level_info[1].foreground2Pos},
        {"Front_desks_L3.png", {160, 240}, fg::level_info[2].foregroundPos},
        {"Basement_foreground.png", {160, 284}, fg::level_info[4].foregroundPos},
    };
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, 320, 0, 480, 0, 450);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    auto draw = [](const std::string& name, Vector3<float> at) {
        glClear(GL_COLOR_BUFFER_BIT);
        Sprite s(name.c_str(), {0, 0}, 0, false, 0);
        s.draw({at.x, at.y, 0}, {1, 1}, {0, 0, 0}, {1, 1, 1, 1});
        return testgl::readPixels();
    };
    const std::vector<uint8_t> empty = draw("none.png", {0, 0, 0});
    for (const auto& o : overlays) {
        SCOPED_TRACE(o.name);
        const auto before =
            draw(std::string(FULL_OVERLAYS) + "/" + o.name, {o.before.x, o.before.y, 0});
        ASSERT_NE(before, empty) << "the full picture did not draw";
        EXPECT_TRUE(before == draw(o.name, o.now));
    }
}
