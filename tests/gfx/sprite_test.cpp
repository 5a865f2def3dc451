// Sprites: frame tables, animation, scrolling, hit tests and what they draw.
#include "gfx_test_support.h"

namespace {

using gfxtest::screenRgb;

constexpr Vector2<float> ONE{1, 1};
constexpr Vector3<float> NO_TURN{0, 0, 0};
constexpr Vector4<float> WHITE{1, 1, 1, 1};

class SpriteTest : public gfxtest::GfxTest {
  protected:
    void SetUp() override {
        GfxTest::SetUp();
        sheet("four.png", 256, 64, 64, 64, {0xff0000, 0x00ff00, 0x0000ff, 0xffffff});
        sheet("odd.png", 100, 50, 100, 50, {0xffffff});
        sheet("halves.png", 32, 32, 32, 16, {0xff0000, 0x0000ff});  // red top, blue bottom
        sheet("stripes.png", 64, 64, 32, 64, {0xff0000, 0x00ff00}); // red left, green right
        sheet("white.png", 4, 4, 4, 4, {0xffffff});
    }
    // A sheet of w x h whose frames (fw x fh, left to right, top to bottom) have these colours.
    void sheet(const char* name, int w, int h, int fw, int fh, std::vector<uint32_t> colours) {
        gfxtest::Bytes px;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t c = colours[size_t(y / fh) * (w / fw) + x / fw];
                px.insert(px.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255});
            }
        put(name, gfxtest::rgbaPng(w, h, px));
    }
};

std::vector<float> frame(const Sprite& s, int i) {
    return i < s.frameCount ? std::vector<float>(s.frames + 8 * i, s.frames + 8 * i + 8)
                            : std::vector<float>();
}

TEST_F(SpriteTest, FrameTablesCoverTheGridFromTheTopLeft) {
    Sprite* s = new Sprite("four.png", {64, 64}, 0, false, 0);
    EXPECT_EQ(frame(*s, 3), (std::vector<float>{0.75f, 1, 1, 1, 1, 0, 0.75f, 0}));
    killSprite(s);
    EXPECT_EQ(s, nullptr);
    Sprite odd("odd.png", {0, 0}, 0, false, 0); // the whole image, in a padded texture
    EXPECT_EQ(frame(odd, 0),
              (std::vector<float>{0, 0.78125f, 0.78125f, 0.78125f, 0.78125f, 0, 0, 0}));
    Sprite more("halves.png", {16, 16}, 0, false, 5); // more than the grid: carries on below
    EXPECT_EQ(frame(more, 4), (std::vector<float>{0, 1.5f, 0.5f, 1.5f, 0.5f, 1, 0, 1}));
    Sprite scrolls("four.png", {64, 64}, 2.0f, true, 0); // one frame, no animation
    EXPECT_EQ(std::pair(scrolls.frameCount, scrolls.duration), std::pair(1, 0.0f));
}

TEST_F(SpriteTest, DrawShowsTheFrameUprightScaledTurnedAndTinted) {
    Sprite halves("halves.png", {0, 0}, 0, false, 0), white("white.png", {0, 0}, 0, false, 0);
    halves.draw({50, 50, 0}, ONE, NO_TURN, WHITE);
    white.draw({200, 100, 0}, {10, 2}, NO_TURN, {1, 0, 0, 1}); // 40 x 8, red
    // Rotation comes before the frame-size scale: a wide quad turned 90 degrees stands up.
    white.draw({100, 300, 0}, {10, 2}, {0, 0, 90}, {0, 1, 0, 1});
    for (auto [x, y, want] : {std::tuple{50, 60, 0xff0000u},
                              {50, 40, 0x0000ffu},
                              {50, 70, 0u},
                              {181, 100, 0xff0000u},
                              {223, 100, 0u},
                              {200, 106, 0u},
                              {100, 318, 0x00ff00u},
                              {118, 300, 0u}})
        EXPECT_EQ(screenRgb(x, y), want) << x << "," << y;
}

TEST_F(SpriteTest, AnimationWrapsAndPicksTheFrameFromTheTime) {
    Sprite s("four.png", {64, 64}, 1.0f, false, 0), still("four.png", {64, 64}, 0, false, 0);
    const auto shown = [&](Sprite& sprite) {
        sprite.draw({100, 100, 0}, ONE, NO_TURN, WHITE);
        return screenRgb(100, 100);
    };
    EXPECT_FALSE(s.update(0.6f));
    EXPECT_TRUE(s.update(0.6f)); // wrapped to 0.2 s: frame 0
    EXPECT_EQ(shown(s), 0xff0000u);
    EXPECT_FALSE(s.update(0.35f)); // 0.55 s: frame 2
    EXPECT_EQ(shown(s), 0x0000ffu);
    s.setFrame(7); // clamped to the last, at its start
    EXPECT_EQ(std::pair(s.time, shown(s)), std::pair(0.75f, 0xffffffu));
    s.setFrame(-2);
    EXPECT_EQ(std::pair(s.frame, s.time), std::pair(0, 0.0f));
    // A still sprite keeps its frame; scrolling a sheet of several frames is ignored.
    still.setFrame(1);
    still.setScroll({10, 10});
    EXPECT_FALSE(still.update(5));
    EXPECT_EQ(shown(still), 0x00ff00u);
    EXPECT_EQ(frame(still, 0), (std::vector<float>{0, 1, 0.25f, 1, 0.25f, 0, 0, 0}));
}

TEST_F(SpriteTest, ScrollingWrapsAndRepeatsTheTexture) {
    Sprite s("stripes.png", {0, 0}, 0, true, 0), clamped("white.png", {0, 0}, 0, false, 0);
    s.setScroll({32, 0}); // half the frame per second
    s.update(1);
    EXPECT_EQ(frame(s, 0), (std::vector<float>{0.5f, 1, 1.5f, 1, 1.5f, 0, 0.5f, 0}));
    s.update(1.5f); // wrapped to a quarter: red, green, then red again where the texture repeats
    s.draw({160, 240, 0}, ONE, NO_TURN, WHITE);
    for (auto [x, want] : {std::pair{130, 0xff0000u}, {160, 0x00ff00u}, {188, 0xff0000u}})
        EXPECT_EQ(screenRgb(x, 240), want) << x;
    s.setScroll({-64, -32}); // backwards and downwards
    s.update(0.75f);
    EXPECT_EQ(std::pair(s.frames[0], s.frames[1]), std::pair(-0.5f, 0.625f));
    s.update(0.5f);
    EXPECT_NEAR(s.frames[0], 0, 1e-6f); // -1 wraps to 0
    s.setScroll({64, 64});
    s.update(3.0e7f); // a very long step wraps at once
    EXPECT_TRUE(s.frames[0] >= 0 && s.frames[0] < 1) << s.frames[0];

    // A sprite not made to scroll moves its coordinates but draws clamped.
    clamped.setScroll({4, 0});
    clamped.update(0.5f);
    EXPECT_EQ(clamped.frames[0], 0.5f);
    GLint wrap[2] = {};
    for (Sprite* sp : {&s, &clamped}) {
        sp->draw({20, 20, 0}, ONE, NO_TURN, WHITE);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap[sp == &clamped]);
    }
    EXPECT_EQ(std::pair(wrap[0], wrap[1]), std::pair(GL_REPEAT, GL_CLAMP_TO_EDGE));
}

TEST_F(SpriteTest, HitTestsCountTheEdgesAsInside) {
    Sprite s("white.png", {20, 10}, 0, false, 0);
    for (auto [x, y, scale, inside] : {std::tuple{110.f, 105.f, 1.f, true},
                                       {90, 95, 1, true},
                                       {110.5f, 100, 1, false},
                                       {100, 94.9f, 1, false},
                                       {120, 110, 2, true},
                                       {105.5f, 100, 0.5f, false},
                                       {105, 102.5f, 0.5f, true}})
        EXPECT_EQ(s.checkPoint({100, 100, 55}, {x, y}, scale), inside)
            << x << "," << y << "," << scale;
}

TEST_F(SpriteTest, AFailedTextureStillGivesADrawableSprite) {
    put("broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    Sprite sized("broken.png", {20, 10}, 0, false, 0);
    sized.draw({100, 100, 0}, ONE, NO_TURN, {0, 1, 0, 1}); // untextured: just the colour
    EXPECT_EQ(std::pair(screenRgb(100, 100), screenRgb(111, 100)), std::pair(0x00ff00u, 0u));
    EXPECT_TRUE(sized.checkPoint({100, 100, 0}, {110, 105}, 1));
    // Asked for at the image's own size nothing is known: no frames, nothing drawn.
    Sprite* whole = new Sprite("missing.png", {0, 0}, 1.0f, false, 0);
    whole->setFrame(3);
    whole->update(2.5f);
    whole->setScroll({5, 5});
    whole->update(1);
    whole->draw({200, 200, 0}, ONE, NO_TURN, {1, 0, 0, 1});
    EXPECT_EQ(std::tuple(whole->frameCount, whole->frame, screenRgb(200, 200)),
              std::tuple(0, 0, 0u));
    killSprite(whole);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
