// SPDX-License-Identifier: MIT
// Sprites: frame tables, animation, scrolling, hit tests and what they draw.
#include "gfx/scale.h"
#include "support/gfx.h"

namespace {

using gfxtest::expectScreen;
using Floats = std::vector<float>;

constexpr Vector2<float> ONE{1, 1};
constexpr Vector3<float> NO_TURN{0, 0, 0};
constexpr Vector4<float> WHITE{1, 1, 1, 1};

class SpriteTest : public gfxtest::GfxTest {
  protected:
    void SetUp() override {
        GfxTest::SetUp();
        sheet("four.png", 256, 64, 64, 64, {0xff0000, 0x00ff00, 0x0000ff, 0xffffff});
        sheet("odd.png", 100, 50, 100, 50, {0xffffff});
        sheet("halves.png", 32, 32, 32, 16, {0xff0000, 0x0000ff}); // red top, blue bottom
    }
    // A sheet of w x h whose frames (fw x fh, left to right, top to bottom) have these colours.
    void sheet(const std::string& name, int w, int h, int fw, int fh,
               std::vector<uint32_t> colours) {
        gfxtest::Bytes px;
        for (int i = 0; i < w * h; ++i) {
            const uint32_t c = colours[size_t(i / w / fh) * (w / fw) + i % w / fw];
            px.insert(px.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255});
        }
        put(name, gfxtest::encodePng({w, h}, px));
    }
    // The colour at the centre of a sprite drawn at (100, 100).
    uint32_t shown(Sprite& s) {
        s.draw({100, 100, 0}, ONE, NO_TURN, WHITE);
        return testgl::rgbAt(testgl::readPixels(), 100, testgl::height() - 101);
    }
    Floats frame(const Sprite& s, int i) { return Floats(s.frames + 8 * i, s.frames + 8 * i + 8); }
};

TEST_F(SpriteTest, FramesCoverTheGridFromTheTopLeftAndFollowTheTime) {
    Sprite* s = new Sprite("four.png", {64, 64}, 1.0f, false, 0);
    Sprite odd("odd.png", {0, 0}, 0, false, 0);       // the whole image, one texel of padding
    Sprite more("halves.png", {16, 16}, 0, false, 5); // more than the grid: carries on below
    Sprite still("four.png", {64, 64}, 0, false, 0);
    Sprite mirrored("four.png", {64, 64}, 0, false, 0, true);
    EXPECT_EQ(frame(*s, 3), (Floats{0.75f, 1, 1, 1, 1, 0, 0.75f, 0}));
    EXPECT_EQ(frame(mirrored, 3), (Floats{1, 1, 0.75f, 1, 0.75f, 0, 1, 0}));
    const float u = 100.0f / 101, v = 50.0f / 51;
    EXPECT_EQ(frame(odd, 0), (Floats{0, v, u, v, u, 0, 0, 0}));
    EXPECT_EQ(frame(more, 4), (Floats{0, 1.5f, 0.5f, 1.5f, 0.5f, 1, 0, 1}));
    EXPECT_FALSE(s->update(0.6f));
    EXPECT_TRUE(s->update(0.6f)); // wrapped to 0.2 s: frame 0
    EXPECT_EQ(shown(*s), 0xff0000u);
    EXPECT_FALSE(s->update(0.35f)); // 0.55 s: frame 2
    EXPECT_EQ(shown(*s), 0x0000ffu);
    s->setFrame(7); // clamped to the last, at its start
    EXPECT_EQ(std::pair(s->time, shown(*s)), std::pair(0.75f, 0xffffffu));
    s->setFrame(-2);
    EXPECT_EQ(std::pair(s->frame, s->time), std::pair(0, 0.0f));
    killSprite(s);
    // A still sprite keeps its frame; scrolling a sheet of several frames is ignored.
    still.setFrame(1);
    still.setScroll({10, 10});
    EXPECT_FALSE(still.update(5));
    EXPECT_EQ(std::pair(shown(still), frame(still, 0)[0]), std::pair(0x00ff00u, 0.0f));
}

// Upright, scaled, turned (before the frame-size scale: a wide quad turned 90 degrees stands
// up) and tinted; hit tests count the edges as inside. A texture that failed still gives a
// sprite that draws its colour; one of the image's own size then has no frames, draws nothing.
TEST_F(SpriteTest, DrawHitTestsAndFailedTextures) {
    put("broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    Sprite halves("halves.png", {0, 0}, 0, false, 0), odd("odd.png", {0, 0}, 0, false, 0);
    Sprite sized("broken.png", {20, 10}, 0, false, 0);
    Sprite* whole = new Sprite("missing.png", {0, 0}, 1.0f, false, 0);
    halves.draw({50, 50, 0}, ONE, NO_TURN, WHITE);
    odd.draw({200, 100, 0}, {0.4f, 0.16f}, NO_TURN, {1, 0, 0, 1}); // 40 x 8, red
    odd.draw({100, 300, 0}, {0.4f, 0.16f}, {0, 0, 90}, {0, 1, 0, 1});
    sized.draw({250, 250, 0}, ONE, NO_TURN, {0, 1, 0, 1});
    whole->setFrame(3);
    whole->update(2.5f);
    whole->setScroll({5, 5});
    whole->update(1);
    whole->draw({200, 200, 0}, ONE, NO_TURN, {1, 0, 0, 1});
    expectScreen({50,       60,  0xff0000, 50,  40,       0x0000ff, 50,  70,  0,   181,      100,
                  0xff0000, 223, 100,      0,   200,      106,      0,   100, 318, 0x00ff00, 118,
                  300,      0,   250,      250, 0x00ff00, 261,      250, 0,   200, 200,      0});
    EXPECT_EQ(std::pair(whole->frameCount, whole->frame), std::pair(0, 0));
    killSprite(whole);
    const Sprite s("odd.png", {20, 10}, 0, false, 0);
    const Vector3<float> c{100, 100, 55};
    EXPECT_TRUE(s.checkPoint(c, {110, 105}, 1) && s.checkPoint(c, {90, 95}, 1));
    EXPECT_FALSE(s.checkPoint(c, {110.5f, 100}, 1) || s.checkPoint(c, {100, 94.9f}, 1));
    EXPECT_TRUE(s.checkPoint(c, {120, 110}, 2) && s.checkPoint(c, {105, 102.5f}, 0.5f));
    EXPECT_FALSE(s.checkPoint(c, {105.5f, 100}, 0.5f));
}

// A scrolling sprite wraps its coordinates and repeats the texture; one not made to scroll
// moves its coordinates but draws clamped: its right end shows the last (padding) column.
TEST_F(SpriteTest, ScrollingWrapsAndRepeatsTheTexture) {
    Sprite s("four.png", {0, 0}, 0, true, 0), clamped("odd.png", {0, 0}, 0, false, 0);
    s.setScroll({128, 0}); // half the frame per second
    s.update(1);
    EXPECT_EQ(frame(s, 0), (Floats{0.5f, 1, 1.5f, 1, 1.5f, 0, 0.5f, 0}));
    s.update(1.5f); // wrapped to a quarter: green first, red last where the texture repeats
    s.draw({160, 240, 0}, ONE, NO_TURN, WHITE);
    s.setScroll({-256, -32}); // backwards and downwards
    s.update(0.75f);
    EXPECT_EQ(std::pair(s.frames[0], s.frames[1]), std::pair(-0.5f, 0.625f));
    s.update(0.5f);
    EXPECT_NEAR(s.frames[0], 0, 1e-6f); // -1 wraps to 0
    s.setScroll({64, 64});
    s.update(3.0e7f); // a very long step wraps at once
    EXPECT_TRUE(s.frames[0] >= 0 && s.frames[0] < 1) << s.frames[0];
    clamped.setScroll({50, 0});
    clamped.update(1);
    clamped.draw({160, 400, 0}, ONE, NO_TURN, WHITE);
    expectScreen({40, 240, 0x00ff00, 280, 240, 0xff0000, 115, 400, 0xffffff, 209, 400, 0});
}

TEST_F(SpriteTest, ImageSetOfTheDrawingScaleFallsBackAndKeepsThePointSize) {
    // 1x red 8 x 6, 2x green 16 x 12, no 3x: frames of 4 x 6 points, the second one drawn.
    std::filesystem::create_directories(dir + "img@2x");
    sheet("set.png", 8, 6, 4, 6, {0x400000, 0xff0000});
    sheet("../img@2x/set.png", 16, 12, 8, 12, {0x004000, 0x00ff00});
    for (float scale : {1.f, 1.5f, 2.f, 3.f}) {
        gfx::setDrawScale(scale);
        log.clear();
        clear(0);
        Sprite* s = new Sprite("set.png", {4, 6}, 0, false, 0);
        s->setFrame(1);
        s->draw({50, 50, 0}, ONE, NO_TURN, WHITE);
        EXPECT_EQ(s->texture->scale, scale == 1 ? 1 : 2) << scale;
        // Only the missing set of 3x is named.
        EXPECT_TRUE(scale == 3 ? log.size() == 1 && log[0].find("img@3x/set.png") != log[0].npos
                               : log.empty())
            << scale;
        // 4 x 6 points at every scale: x 48..52, y 47..53.
        const uint32_t colour = scale == 1 ? 0xff0000 : 0x00ff00;
        expectScreen({49, 48, colour, 51, 52, colour, 53, 50, 0, 50, 54, 0});
        killSprite(s);
        texture_mgr.cleanup(); // the next scale loads afresh
    }
    gfx::setDrawScale(1);
}

} // namespace
