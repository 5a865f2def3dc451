// Sprites: frame tables, animation, scrolling, hit tests and what they draw.
#include "core/platform.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "gfx_test_support.h"

#include <GLES/gl.h>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;
using gfxtest::screenRgb;

// A sheet of w x h whose frames (fw x fh, left to right, top to bottom) have the colours given.
Bytes sheet(int w, int h, int fw, int fh, const std::vector<uint32_t>& colours) {
    Bytes px(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t frame = size_t(y / fh) * (w / fw) + x / fw;
            const uint32_t c = frame < colours.size() ? colours[frame] : 0;
            uint8_t* p = &px[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c), p[3] = 255;
        }
    return px;
}

constexpr Vector2<float> ONE{1, 1};
constexpr Vector3<float> NO_TURN{0, 0, 0};
constexpr Vector4<float> WHITE{1, 1, 1, 1};

class SpriteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gfxtest::setupScreen(0x000000));
        dir = gfxtest::makeResourceDir();
        put("four.png", 256, 64, 64, 64, {0xff0000, 0x00ff00, 0x0000ff, 0xffffff});
        put("odd.png", 100, 50, 100, 50, {0xffffff});
        put("square.png", 128, 64, 64, 64, {0xff0000, 0x00ff00});
        put("halves.png", 32, 32, 32, 16, {0xff0000, 0x0000ff}); // red top, blue bottom
        put("white.png", 4, 4, 4, 4, {0xffffff});
        put("stripes.png", 64, 64, 32, 64, {0xff0000, 0x00ff00}); // red left, green right
    }
    void TearDown() override {
        texture_mgr.cleanup();
        EXPECT_EQ(texture_mgr.entryCount(), 0u); // every sprite gave its texture back
        gfxtest::removeResourceDir(dir);
    }
    void put(const char* name, int w, int h, int fw, int fh, const std::vector<uint32_t>& c) {
        gfxtest::writeFile(dir + "img/" + name, gfxtest::rgbaPng(w, h, sheet(w, h, fw, fh, c)));
    }
    std::string dir;
};

void expectFrame(const Sprite& s, int i, std::vector<float> want) {
    ASSERT_LT(i, s.frameCount);
    for (int k = 0; k < 8; ++k)
        EXPECT_FLOAT_EQ(s.frames[8 * i + k], want[k]) << "frame " << i << " coordinate " << k;
}

TEST_F(SpriteTest, FrameTablesCoverTheGridFromTheTopLeft) {
    Sprite* s = new Sprite("four.png", {64, 64}, 0, false, 0);
    EXPECT_EQ(s->frameCount, 4);
    expectFrame(*s, 1, {0.25f, 1, 0.5f, 1, 0.5f, 0, 0.25f, 0});
    expectFrame(*s, 3, {0.75f, 1, 1, 1, 1, 0, 0.75f, 0});
    killSprite(s);
    EXPECT_EQ(s, nullptr);

    Sprite odd("odd.png", {0, 0}, 0, false, 0);
    EXPECT_EQ(odd.frameCount, 1);
    EXPECT_EQ(odd.frameSize.x, 100);
    EXPECT_EQ(odd.frameSize.y, 50);
    expectFrame(odd, 0, {0, 0.78125f, 0.78125f, 0.78125f, 0.78125f, 0, 0, 0});

    // A count beyond the grid carries on below the image.
    Sprite more("square.png", {64, 64}, 0, false, 3);
    EXPECT_EQ(more.frameCount, 3);
    expectFrame(more, 2, {0, 2, 0.5f, 2, 0.5f, 1, 0, 1});

    // The scrolling flag: one frame, no animation.
    Sprite scrolls("four.png", {64, 64}, 2.0f, true, 0);
    EXPECT_EQ(scrolls.frameCount, 1);
    EXPECT_EQ(scrolls.duration, 0);

    // Sprites of one image share one texture and one acquisition each.
    EXPECT_EQ(scrolls.texture, texture_mgr.get("four.png"));
    EXPECT_EQ(texture_mgr.find("four.png")->refs, 2);
    texture_mgr.release(scrolls.texture);

    Sprite* none = nullptr;
    killSprite(none);
    EXPECT_EQ(none, nullptr);
}

TEST_F(SpriteTest, DrawShowsTheFrameUprightScaledAndTinted) {
    Sprite halves("halves.png", {0, 0}, 0, false, 0);
    halves.draw({50, 50, 0}, ONE, NO_TURN, WHITE);
    EXPECT_EQ(screenRgb(50, 60), 0xff0000u); // the image's top row is up on screen
    EXPECT_EQ(screenRgb(50, 40), 0x0000ffu);
    EXPECT_EQ(screenRgb(50, 70), 0u); // 32 pixels tall: nothing beyond 66

    Sprite white("white.png", {0, 0}, 0, false, 0);
    white.draw({200, 100, 0}, {10, 2}, NO_TURN, {1, 0, 0, 1}); // 40 x 8, red
    EXPECT_EQ(screenRgb(181, 100), 0xff0000u);
    EXPECT_EQ(screenRgb(223, 100), 0u);
    EXPECT_EQ(screenRgb(200, 106), 0u);

    // Rotation comes before the frame-size scale: a wide quad turned 90 degrees stands up.
    white.draw({100, 300, 0}, {10, 2}, {0, 0, 90}, {0, 1, 0, 1});
    EXPECT_EQ(screenRgb(100, 318), 0x00ff00u);
    EXPECT_EQ(screenRgb(118, 300), 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SpriteTest, AnimationWrapsAndPicksTheFrameFromTheTime) {
    Sprite s("four.png", {64, 64}, 1.0f, false, 0);
    EXPECT_FALSE(s.update(0.6f));
    EXPECT_TRUE(s.update(0.6f));
    EXPECT_NEAR(s.time, 0.2f, 1e-5f);
    s.draw({100, 100, 0}, ONE, NO_TURN, WHITE);
    EXPECT_EQ(s.frame, 0);
    EXPECT_EQ(screenRgb(100, 100), 0xff0000u);

    EXPECT_FALSE(s.update(0.35f)); // 0.55 s: frame 2
    s.draw({100, 100, 0}, ONE, NO_TURN, WHITE);
    EXPECT_EQ(screenRgb(100, 100), 0x0000ffu);

    s.setFrame(7);
    EXPECT_EQ(s.frame, 3);
    EXPECT_FLOAT_EQ(s.time, 0.75f);
    s.draw({100, 100, 0}, ONE, NO_TURN, WHITE);
    EXPECT_EQ(screenRgb(100, 100), 0xffffffu);
    s.setFrame(-2);
    EXPECT_EQ(s.frame, 0);
    EXPECT_EQ(s.time, 0.0f);

    // A still sprite keeps the chosen frame and never changes in update.
    Sprite still("four.png", {64, 64}, 0, false, 0);
    still.setFrame(1);
    const std::vector<float> before(still.frames, still.frames + 32);
    EXPECT_FALSE(still.update(5));
    EXPECT_EQ(std::vector<float>(still.frames, still.frames + 32), before);
    still.draw({200, 100, 0}, ONE, NO_TURN, WHITE);
    EXPECT_EQ(screenRgb(200, 100), 0x00ff00u);
    still.setScroll({10, 10}); // more than one frame: ignored
    EXPECT_FALSE(still.update(1));
    EXPECT_EQ(std::vector<float>(still.frames, still.frames + 32), before);
}

TEST_F(SpriteTest, ScrollingWrapsKeepsTheExtentAndRepeatsTheTexture) {
    Sprite s("stripes.png", {0, 0}, 0, true, 0);
    s.setScroll({32, 0}); // half the frame per second
    EXPECT_FALSE(s.update(1));
    expectFrame(s, 0, {0.5f, 1, 1.5f, 1, 1.5f, 0, 0.5f, 0});
    s.update(1);
    expectFrame(s, 0, {0, 1, 1, 1, 1, 0, 0, 0});
    s.update(0.5f);

    // Shifted by a quarter: red, then green, then red again where the texture repeats (clamped
    // edges would show green there).
    s.draw({160, 240, 0}, ONE, NO_TURN, WHITE);
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_REPEAT);
    EXPECT_EQ(screenRgb(130, 240), 0xff0000u);
    EXPECT_EQ(screenRgb(160, 240), 0x00ff00u);
    EXPECT_EQ(screenRgb(188, 240), 0xff0000u);

    // Backwards and downwards.
    s.setScroll({-64, -32});
    s.update(0.75f);
    EXPECT_NEAR(s.frames[0], -0.5f, 1e-6f);
    EXPECT_NEAR(s.frames[1], 0.625f, 1e-6f);
    s.update(0.5f);
    EXPECT_NEAR(s.frames[0], 0.0f, 1e-6f); // -1 wraps to 0
    EXPECT_NEAR(s.frames[2] - s.frames[0], 1.0f, 1e-6f);
    EXPECT_NEAR(s.frames[5] - s.frames[1], -1.0f, 1e-6f);

    // A very long step wraps at once.
    s.setScroll({64, 64});
    s.update(3.0e7f);
    EXPECT_GE(s.frames[0], 0.0f);
    EXPECT_LT(s.frames[0], 1.0f);

    // A sprite not made to scroll may scroll its coordinates but draws clamped.
    Sprite clamped("white.png", {0, 0}, 0, false, 0);
    clamped.setScroll({4, 0});
    clamped.update(0.5f);
    EXPECT_NEAR(clamped.frames[0], 0.5f, 1e-6f);
    clamped.draw({20, 20, 0}, ONE, NO_TURN, WHITE);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
}

TEST_F(SpriteTest, HitTestsCountTheEdgesAsInside) {
    Sprite s("white.png", {20, 10}, 0, false, 0);
    const Vector3<float> c{100, 100, 55};
    EXPECT_TRUE(s.checkPoint(c, {110, 105}, 1));
    EXPECT_TRUE(s.checkPoint(c, {90, 95}, 1));
    EXPECT_FALSE(s.checkPoint(c, {110.5f, 100}, 1));
    EXPECT_FALSE(s.checkPoint(c, {100, 94.9f}, 1));
    EXPECT_TRUE(s.checkPoint(c, {120, 110}, 2));
    EXPECT_FALSE(s.checkPoint(c, {105.5f, 100}, 0.5f));
}

TEST_F(SpriteTest, AFailedTextureStillGivesADrawableSprite) {
    gfxtest::writeFile(dir + "img/broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    Sprite sized("broken.png", {20, 10}, 0, false, 0);
    EXPECT_EQ(sized.texture->id, 0u);
    EXPECT_EQ(sized.frameCount, 1);
    sized.draw({100, 100, 0}, ONE, NO_TURN, {0, 1, 0, 1}); // untextured: just the colour
    EXPECT_EQ(screenRgb(100, 100), 0x00ff00u);
    EXPECT_EQ(screenRgb(111, 100), 0u);
    EXPECT_TRUE(sized.checkPoint({100, 100, 0}, {110, 105}, 1));

    // Asked for at the image's own size, nothing is known: no frames, nothing drawn.
    Sprite* whole = new Sprite("missing.png", {0, 0}, 1.0f, false, 0);
    EXPECT_EQ(whole->frameCount, 0);
    whole->setFrame(3);
    EXPECT_EQ(whole->frame, 0);
    whole->update(2.5f);
    whole->setScroll({5, 5}); // not a one-frame sprite: ignored
    EXPECT_EQ(whole->scroll.x, 0.0f);
    whole->update(1);
    whole->draw({200, 200, 0}, ONE, NO_TURN, {1, 0, 0, 1});
    EXPECT_EQ(screenRgb(200, 200), 0u);
    killSprite(whole);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
