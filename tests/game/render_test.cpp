#include "level_driver.h"

#include "gfx/sprite.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

using leveltest::LevelDriver;

namespace {

struct Drawn {
    std::string name;
    fg::RenderInfo e;
    float projection[16], modelview[16];
};

// Records every entry the level draws, named, with the matrices loaded at that moment.
struct Recorder {
    explicit Recorder(const Level& l) : level(l) { fg::setRenderTrace(&trace, this); }
    ~Recorder() { fg::setRenderTrace(nullptr, nullptr); }
    static void trace(const fg::RenderInfo& e, void* user) {
        auto* r = static_cast<Recorder*>(user);
        const Level& l = r->level;
        const std::pair<const Sprite*, const char*> names[] = {
            {l.background, "background"}, {l.basket, "can"},           {l.ball, "ball"},
            {l.foreground[0], "fg"},      {l.aimArrow, "arrow"},       {l.windText, "windText"},
            {l.windArrow, "windArrow"},   {l.scoreText[0], "score"},   {l.scoreText[1], "score+"},
            {l.bestText[0], "best"},      {l.submitButton, "submit"},  {l.unlockedText, "banner"},
            {l.fanSprites[0][0], "fan0"}, {l.fanSprites[1][0], "fan1"}};
        Drawn d{"?", e, {}, {}};
        for (const auto& n : names)
            if (n.first == e.sprite) d.name = n.second;
        glGetFloatv(GL_PROJECTION_MATRIX, d.projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, d.modelview);
        r->drawn.push_back(d);
    }
    int index(const std::string& name) const {
        for (size_t i = 0; i < drawn.size(); ++i)
            if (drawn[i].name == name) return int(i);
        return -1;
    }
    const fg::RenderInfo& get(const std::string& name) const { return at(name).e; }
    const Drawn& at(const std::string& name) const { return drawn.at(size_t(index(name))); }
    std::set<std::string> names(size_t from, size_t n) const {
        std::set<std::string> out;
        for (size_t i = from; i < from + n && i < drawn.size(); ++i)
            out.insert(drawn[i].name);
        return out;
    }
    const Level& level;
    std::vector<Drawn> drawn;
};

} // namespace

TEST(Render, TypicalFrameOfTheFirstLevel) {
    LevelDriver d;
    d.enter(0);
    for (int left = 0; left < 2; ++left) { // the fan on the side the wind comes from
        d.level.windToLeft = left;
        Recorder r(d.level);
        d.frame();
        ASSERT_EQ(r.drawn.size(), 11u);
        EXPECT_EQ(r.drawn[0].name, "background");
        EXPECT_EQ(r.names(1, 3), (std::set<std::string>{"score", "best", "submit"}));
        EXPECT_EQ(r.drawn[4].name, "can");
        EXPECT_EQ(r.names(5, 2), (std::set<std::string>{"windText", "windArrow"}));
        EXPECT_EQ(r.drawn[7].name, "fg");
        EXPECT_EQ(r.drawn[8].name, left ? "fan1" : "fan0");
        EXPECT_EQ(r.drawn[9].name, "arrow");
        EXPECT_EQ(r.drawn[10].name, "ball");
        EXPECT_EQ(r.get("score").depth, 449.88998f);
        EXPECT_EQ(r.get("windText").depth, 6.2819996f - 0.01f);
        EXPECT_FALSE(r.get("windText").ortho);
        EXPECT_FALSE(r.get("windArrow").ortho);
        EXPECT_EQ(r.get("windArrow").rotation.y, left ? 180.0f : 0.0f);
        EXPECT_EQ(r.get("arrow").position.y, 88.0f); // 56 above the ball's rest point
    }
}

TEST(Render, PerspectiveOnlyForTheWindSign) {
    LevelDriver d;
    d.enter(0);
    d.frame();
    Recorder r(d.level);
    const int before = d.sizeGlCalls;
    d.frames(5);
    EXPECT_EQ(d.sizeGlCalls - before, 5); // back to 2D once a frame, after the wind sign
    const double h = std::tan(43.357 * M_PI / 360) * 0.1;
    const float* p = r.at("windText").projection;
    EXPECT_NEAR(p[0], 0.1 / (h * 2.0 / 3.0), 1e-3);
    EXPECT_NEAR(p[5], 0.1 / h, 1e-3);
    EXPECT_NEAR(p[10], -(450.1 + 0.1) / (450.1 - 0.1), 1e-6);
    EXPECT_NEAR(p[14], -2 * 450.1 * 0.1 / (450.1 - 0.1), 1e-6);
    // The camera: lifted by its height, back by the basket's depth, tilted down.
    const double tilt = (90 - std::atan(8.282 / 4.661) * 180 / M_PI) * M_PI / 180;
    const float* m = r.at("windText").modelview;
    EXPECT_NEAR(m[13], -d.level.info->cameraHeight, 1e-6);
    EXPECT_NEAR(m[14], -8.282, 1e-6);
    EXPECT_NEAR(m[5], std::cos(tilt), 1e-5);
    EXPECT_NEAR(m[6], std::sin(tilt), 1e-5);
    EXPECT_NEAR(r.at("fg").projection[0], 2.0 / 320, 1e-7);

    d.level.state = Level::INACTIVE; // while the screen slides: no sign and no switching
    r.drawn.clear();
    d.level.render({-100, 20});
    EXPECT_EQ(d.sizeGlCalls - before, 5);
    EXPECT_EQ(r.index("windText"), -1);
    EXPECT_EQ(r.index("background"), 0);
}

TEST(Render, BallPassesBehindTheCanFrontAndTheDesks) {
    LevelDriver d;
    d.enter(0);
    d.level.wind = 0;
    d.flick({160, 32}, {160, 100});
    Recorder r(d.level);
    int behindCan = 0, betweenDesksAndCan = 0, inFront = 0;
    while (d.level.state == Level::FLYING) {
        r.drawn.clear();
        d.frame();
        if (d.level.state != Level::FLYING) break;
        const int ball = r.index("ball"), can = r.index("can");
        const float z = r.get("ball").depth;
        EXPECT_EQ(z, d.level.ballPos.z);
        if (z > 6.2819996f) {
            EXPECT_LT(ball, can);
            ++behindCan;
        } else if (z > 1.0f) {
            EXPECT_GT(ball, can);
            EXPECT_LT(ball, r.index("fg"));
            ++betweenDesksAndCan;
        } else if (z < 0.9f) {
            EXPECT_GT(ball, r.index("fan0") + r.index("fan1") + 1);
            ++inFront;
        }
        EXPECT_FLOAT_EQ(r.get("ball").scale.x, std::max(z / (-3 - 8.282f) + 1, 3 / 86.0f));
    }
    EXPECT_GT(behindCan, 5);
    EXPECT_GT(betweenDesksAndCan, 5);
    EXPECT_GT(inFront, 2);
}

TEST(Render, NothingBeforeTheFirstCreate) {
    LevelDriver d;
    Recorder r(d.level);
    glClear(GL_COLOR_BUFFER_BIT);
    const uint32_t clear = testgl::rgbAt(testgl::readPixels(), 160, 240);
    d.frames(2);
    EXPECT_TRUE(r.drawn.empty());
    EXPECT_EQ(d.sizeGlCalls, 0);
    EXPECT_EQ(testgl::rgbAt(testgl::readPixels(), 160, 240), clear);
    d.enter(0);
    d.frame();
    EXPECT_NE(testgl::rgbAt(testgl::readPixels(), 160, 240), clear); // the room covers it
}

TEST(Render, PopInsAndBannerLooks) {
    LevelDriver d;
    d.enter(0, 9);
    d.level.score = 2;
    d.level.setScore();
    d.level.onLevelUnlocked(nullptr);
    d.level.submitFade = 0;
    Recorder r(d.level);
    // The incoming score and Submit grow in from 11 times their size while fading in; the
    // banner spins in yellow from 6 times its size, then fades out.
    const struct {
        float fade, unlockTime;
        int phase;
        float textScale, textAlpha, bannerScale, bannerTurn, bannerAlpha;
    } looks[] = {{0, 0, 1, 11, 0, 6, -90, 0},
                 {0.25f, 1.5f, 1, 6, 0.5f, 1, 0, 1},
                 {0.7f, 0.75f, 2, 1, 1, 1, 0, 0.5f}};
    for (const auto& l : looks) {
        SCOPED_TRACE(l.fade);
        d.level.textFade = d.level.submitFade = l.fade;
        d.level.unlockTime = l.unlockTime;
        d.level.unlockPhase = l.phase;
        r.drawn.clear();
        d.level.render({0, 0});
        for (const char* name : {"score+", "submit"}) {
            EXPECT_FLOAT_EQ(r.get(name).scale.x, l.textScale) << name;
            EXPECT_FLOAT_EQ(r.get(name).colour.w, l.textAlpha) << name;
        }
        EXPECT_EQ(r.get("score+").depth, r.get("score").depth);
        EXPECT_FLOAT_EQ(r.get("banner").scale.x, l.bannerScale);
        EXPECT_FLOAT_EQ(r.get("banner").rotation.z, l.bannerTurn);
        EXPECT_FLOAT_EQ(r.get("banner").colour.w, l.bannerAlpha);
        EXPECT_EQ(r.get("banner").colour.z, 0.0f); // yellow
    }
    d.level.unlockPhase = 0;
    r.drawn.clear();
    d.level.render({0, 0});
    EXPECT_EQ(r.index("banner"), -1);
}
