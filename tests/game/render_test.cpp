#include "level_driver.h"

#include "gfx/sprite.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

using leveltest::LevelDriver;

namespace {

struct Drawn {
    std::string name;
    float depth;
    bool ortho;
    fg::RenderInfo entry;
    float projection[16];
    float modelview[16];
};

std::string nameOf(const Level& l, const Sprite* s) {
    const std::pair<const Sprite*, const char*> names[] = {
        {l.background, "background"}, {l.basket, "basket"},       {l.ball, "ball"},
        {l.catcher, "catcher"},       {l.foreground[0], "fg0"},   {l.foreground[1], "fg1"},
        {l.tutorial, "tutorial"},     {l.aimArrow, "arrow"},      {l.windText, "windText"},
        {l.windArrow, "windArrow"},   {l.board, "board"},         {l.menuText, "menu"},
        {l.scoreText[0], "score"},    {l.scoreText[1], "score+"}, {l.bestText[0], "best"},
        {l.bestText[1], "best+"},     {l.submitButton, "submit"}, {l.unlockedText, "banner"}};
    for (const auto& n : names)
        if (n.first == s) return n.second;
    for (int g = 0; g < 2; ++g)
        for (int j = 0; j < fg::FAN_LAYERS; ++j)
            if (l.fanSprites[g][j] == s) return g == 0 ? "fan0" : "fan1";
    return "?";
}

// Records every entry the level draws, with the matrices loaded at that moment.
struct Recorder {
    explicit Recorder(const Level& l) : level(l) { fg::setRenderTrace(&Recorder::trace, this); }
    ~Recorder() { fg::setRenderTrace(nullptr, nullptr); }
    static void trace(const fg::RenderInfo& e, void* user) {
        auto* r = static_cast<Recorder*>(user);
        Drawn d{nameOf(r->level, e.sprite), e.depth, e.ortho, e, {}, {}};
        glGetFloatv(GL_PROJECTION_MATRIX, d.projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, d.modelview);
        r->drawn.push_back(d);
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const Drawn& d : drawn)
            out.push_back(d.name);
        return out;
    }
    int index(const std::string& name) const {
        for (size_t i = 0; i < drawn.size(); ++i)
            if (drawn[i].name == name) return int(i);
        return -1;
    }
    const Drawn& get(const std::string& name) const { return drawn.at(size_t(index(name))); }
    const Level& level;
    std::vector<Drawn> drawn;
};

std::set<std::string> slice(const std::vector<std::string>& v, size_t from, size_t n) {
    return {v.begin() + long(from), v.begin() + long(std::min(v.size(), from + n))};
}

} // namespace

TEST(Render, TypicalFrameOfTheFirstLevel) {
    LevelDriver d;
    d.enter(0);
    d.level.windToLeft = 0;
    d.frame();
    Recorder r(d.level);
    d.frame();
    const std::vector<std::string> n = r.names();
    ASSERT_EQ(n.size(), 11u);
    EXPECT_EQ(n[0], "background");
    EXPECT_EQ(slice(n, 1, 3), (std::set<std::string>{"score", "best", "submit"}));
    EXPECT_EQ(n[4], "basket");
    EXPECT_EQ(slice(n, 5, 2), (std::set<std::string>{"windText", "windArrow"}));
    EXPECT_EQ(n[7], "fg0");
    EXPECT_EQ(n[8], "fan0"); // the wind blows towards +x: the left fan
    EXPECT_EQ(n[9], "arrow");
    EXPECT_EQ(n[10], "ball"); // at rest, depth 0

    EXPECT_EQ(r.get("background").depth, 449.9f);
    EXPECT_EQ(r.get("score").depth, 449.88998f);
    EXPECT_EQ(r.get("basket").depth, 6.2819996f);
    EXPECT_EQ(r.get("windText").depth, 6.2819996f - 0.01f);
    EXPECT_FALSE(r.get("windText").ortho);
    EXPECT_FALSE(r.get("windArrow").ortho);
    EXPECT_TRUE(r.get("fg0").ortho);
    EXPECT_EQ(r.get("fan0").depth, 0.9f);
    EXPECT_EQ(r.get("arrow").depth, 0.02f);
    EXPECT_EQ(r.get("arrow").entry.position.y, 88.0f); // 56 above the ball's rest point
    EXPECT_EQ(r.get("windArrow").entry.rotation.x, -90.0f);
    EXPECT_EQ(r.get("windArrow").entry.rotation.y, 0.0f);
}

TEST(Render, BallAtRestAndTheFanOfTheWindsSide) {
    LevelDriver d;
    d.enter(0);
    d.level.windToLeft = 1;
    Recorder r(d.level);
    d.frame();
    // The ball (depth 0) may tie with nothing but the tutorial and banner; it is last here.
    ASSERT_FALSE(r.drawn.empty());
    EXPECT_EQ(r.drawn.back().name, "ball");
    EXPECT_EQ(r.index("fan0"), -1);
    EXPECT_EQ(r.get("fan1").entry.position.x, 292.0f);
    EXPECT_EQ(r.get("windArrow").entry.rotation.y, 180.0f);
    const Drawn& ball = r.get("ball");
    EXPECT_EQ(ball.entry.scale.x, 1.0f);
    EXPECT_EQ(ball.entry.position.x, 160.0f);
}

TEST(Render, PerspectiveForTheWindSignOnly) {
    LevelDriver d;
    d.enter(0);
    d.frame();
    Recorder r(d.level);
    const int before = d.sizeGlCalls;
    d.frames(5);
    EXPECT_EQ(d.sizeGlCalls - before, 5); // back to 2D once per frame, after the wind sign

    const fg::LevelInfo& l = *d.level.info;
    const double h = std::tan(43.357 * M_PI / 360) * 0.1;
    const Drawn& w = r.get("windText");
    const float* p = w.projection;
    EXPECT_NEAR(p[0], 0.1 / (h * 2.0 / 3.0), 1e-3);
    EXPECT_NEAR(p[5], 0.1 / h, 1e-3);
    EXPECT_NEAR(p[10], -(450.1 + 0.1) / (450.1 - 0.1), 1e-6);
    EXPECT_NEAR(p[14], -2 * 450.1 * 0.1 / (450.1 - 0.1), 1e-6);
    EXPECT_EQ(p[11], -1.0f);
    // The camera: lifted by its height, back by the basket's depth, tilted down.
    const double tilt = (90 - std::atan(8.282 / 4.661) * 180 / M_PI) * M_PI / 180;
    const float* m = w.modelview;
    EXPECT_NEAR(m[12], 0, 1e-6);
    EXPECT_NEAR(m[13], -l.cameraHeight, 1e-6);
    EXPECT_NEAR(m[14], -l.basketDepth, 1e-6);
    EXPECT_NEAR(m[5], std::cos(tilt), 1e-5);
    EXPECT_NEAR(m[6], std::sin(tilt), 1e-5);
    EXPECT_NEAR(m[9], -std::sin(tilt), 1e-5);
    // 2D entries draw with the screen's projection.
    EXPECT_NEAR(r.get("fg0").projection[0], 2.0 / 320, 1e-7);
    EXPECT_NEAR(r.get("background").projection[5], 2.0 / 480, 1e-7);
    // The wind label is its world size whatever its pixel size.
    if (d.level.windText->frameSize.x > 0) {
        EXPECT_FLOAT_EQ(w.entry.scale.x * float(d.level.windText->frameSize.x), 0.6f);
        EXPECT_FLOAT_EQ(w.entry.scale.y * float(d.level.windText->frameSize.y), 0.5f);
    } else { // no font: the sign keeps its place in the order but shows nothing
        EXPECT_EQ(w.entry.scale.x, 0.0f);
    }

    // While the controller slides the screen there is no wind sign and no switching.
    d.level.state = Level::INACTIVE;
    r.drawn.clear();
    const int sliding = d.sizeGlCalls;
    d.level.render({-100, 20});
    d.level.render({-90, 0});
    EXPECT_EQ(d.sizeGlCalls, sliding);
    EXPECT_EQ(r.index("windText"), -1);
    EXPECT_EQ(r.index("background"), 0);
}

TEST(Render, BallPassesBehindTheCanFrontAndTheDesks) {
    LevelDriver d;
    d.enter(0);
    d.level.wind = 0;
    d.frame();
    d.flick({160, 32}, {160, 100});
    Recorder r(d.level);
    int behindCan = 0, betweenDesksAndCan = 0, inFront = 0;
    while (d.level.state == Level::FLYING) {
        r.drawn.clear();
        d.frame();
        if (d.level.state != Level::FLYING) break;
        const int ball = r.index("ball"), can = r.index("basket"), desks = r.index("fg0");
        ASSERT_GE(ball, 0);
        const float z = r.get("ball").depth;
        EXPECT_EQ(z, d.level.ballPos.z);
        if (z > 6.2819996f) {
            EXPECT_LT(ball, can);
            ++behindCan;
        } else if (z > 1.0f) {
            EXPECT_GT(ball, can);
            EXPECT_LT(ball, desks);
            ++betweenDesksAndCan;
        } else if (z < 0.9f) {
            EXPECT_GT(ball, r.index("fan0") + r.index("fan1") + 1);
            ++inFront;
        }
        // Shrinks with depth, squashed sideways during the flight.
        EXPECT_FLOAT_EQ(r.get("ball").entry.scale.x, std::max(z / (-3 - 8.282f) + 1, 3 / 86.0f));
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
    EXPECT_FALSE(r.drawn.empty());
    EXPECT_NE(testgl::rgbAt(testgl::readPixels(), 160, 240), clear); // the room covers it
}

TEST(Render, ScoreChangeAndBannerLooks) {
    LevelDriver d;
    d.enter(0, 9);
    d.level.score = 2;
    d.level.setScore();
    Recorder r(d.level);
    d.level.render({0, 0});
    const Drawn& incoming = r.get("score+");
    EXPECT_EQ(incoming.entry.scale.x, 11.0f);
    EXPECT_EQ(incoming.entry.colour.w, 0.0f);
    EXPECT_EQ(incoming.depth, r.get("score").depth); // both texts, same depth
    EXPECT_EQ(r.get("score").entry.scale.x, 1.0f);
    EXPECT_EQ(r.get("score").entry.rotation.z, -3.0f);
    d.level.textFade = 0.25f;
    r.drawn.clear();
    d.level.render({0, 0});
    EXPECT_FLOAT_EQ(r.get("score+").entry.scale.x, 6.0f);
    EXPECT_FLOAT_EQ(r.get("score+").entry.colour.w, 0.5f);
    d.level.textFade = 0.7f; // limited at full size and opacity
    r.drawn.clear();
    d.level.render({0, 0});
    EXPECT_FLOAT_EQ(r.get("score+").entry.scale.x, 1.0f);
    EXPECT_FLOAT_EQ(r.get("score+").entry.colour.w, 1.0f);

    d.level.onLevelUnlocked(nullptr);
    r.drawn.clear();
    d.level.render({0, 0});
    const Drawn& start = r.get("banner");
    EXPECT_EQ(start.entry.scale.x, 6.0f);
    EXPECT_EQ(start.entry.rotation.z, -90.0f);
    EXPECT_EQ(start.entry.colour.w, 0.0f);
    EXPECT_EQ(start.entry.colour.z, 0.0f); // yellow
    EXPECT_EQ(start.depth, 0.0f);
    d.level.unlockTime = 1.5f;
    r.drawn.clear();
    d.level.render({0, 0});
    EXPECT_EQ(r.get("banner").entry.scale.x, 1.0f);
    EXPECT_EQ(r.get("banner").entry.rotation.z, 0.0f);
    EXPECT_EQ(r.get("banner").entry.colour.w, 1.0f);
    d.level.unlockPhase = 2;
    d.level.unlockTime = 0.75f;
    r.drawn.clear();
    d.level.render({0, 0});
    EXPECT_EQ(r.get("banner").entry.colour.w, 0.5f);
    EXPECT_EQ(r.get("banner").entry.scale.x, 1.0f);
    d.level.unlockPhase = 0;
    r.drawn.clear();
    d.level.render({0, 0});
    EXPECT_EQ(r.index("banner"), -1);

    // The Submit button grows in from 11 times its size while it fades in.
    d.level.submitFade = 0;
    r.drawn.clear();
    d.level.render({0, 0});
    EXPECT_EQ(r.get("submit").entry.scale.x, 11.0f);
    EXPECT_EQ(r.get("submit").entry.colour.w, 0.0f);
}
