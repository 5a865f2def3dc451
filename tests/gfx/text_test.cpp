// Text rasterised by glyph index: geometry, orientation, outline, colours, cache keys, fonts.
#include "core/platform.h"
#include "core/util.h"
#include "gfx/sprite.h"
#include "gfx/text.h"
#include "gfx/texture.h"
#include "gfx_test_support.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

const char* const DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr Vector4<float> WHITE{1, 1, 1, 1};
constexpr Vector4<float> BLACK{0, 0, 0, 1};
constexpr Vector4<float> NO_OUTLINE{0, 0, 0, 0};

// The glyph index FreeType's own character map gives, for checking the offset rule.
int cmapIndex(const char* fontPath, unsigned c) {
    FT_Library lib;
    FT_Face face;
    if (FT_Init_FreeType(&lib) != 0) return -1;
    int index = -1;
    if (FT_New_Face(lib, fontPath, 0, &face) == 0) {
        index = int(FT_Get_Char_Index(face, c));
        FT_Done_Face(face);
    }
    FT_Done_FreeType(lib);
    return index;
}

struct Text {
    std::unique_ptr<unsigned char[]> px;
    int w = 0, h = 0, tw = 0, th = 0, bpp = 0;
    const unsigned char* at(int x, int y) const { return px.get() + (size_t(y) * tw + x) * 4; }
    int alpha(int x, int y) const { return at(x, y)[3]; }
    // Lowest and highest rows holding any coverage (row 0 is the bottom).
    std::pair<int, int> inkRows() const {
        int lo = th, hi = -1;
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x)
                if (alpha(x, y)) lo = std::min(lo, y), hi = std::max(hi, y);
        return {lo, hi};
    }
    int inked() const {
        int n = 0;
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x)
                n += alpha(x, y) > 0;
        return n;
    }
};

Text draw(const char* font, int offset, const char* text, int size, Vector4<float> colour,
          Vector4<float> outline, int outlineWidth, float fill) {
    Text t;
    t.px.reset(platform::loadFontFileText(font, offset, text, size, colour, outline, outlineWidth,
                                          fill, t.w, t.h, t.tw, t.th, t.bpp));
    return t;
}

class TextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = gfxtest::makeResourceDir();
        std::filesystem::copy_file(DEJAVU, dir + "dejavu.ttf");
        // The test font keeps printable ASCII in code order from glyph 3, like the game's fonts.
        for (unsigned c : {' ', 'A', 'O', 'T', 'I', 'W', 'S', '1', '2', 'e', 'r', 'c', 'o', 'H'})
            ASSERT_EQ(cmapIndex(DEJAVU, c), int(c) - 29) << char(c);
    }
    void TearDown() override {
        texture_mgr.cleanup();
        gfxtest::removeResourceDir(dir);
    }
    std::string dir;
};

TEST_F(TextTest, SizesAndTheBaselineWithRowZeroAtTheBottom) {
    Text t = draw("dejavu", -29, "A", 14, WHITE, NO_OUTLINE, 0, 1.0f);
    ASSERT_TRUE(t.px);
    EXPECT_EQ(t.bpp, 4);
    EXPECT_EQ(t.h, 14);
    EXPECT_EQ(t.th, 16);
    EXPECT_GT(t.w, 8);
    EXPECT_LT(t.w, 14);
    EXPECT_EQ(t.tw, util::nextPowerOfTwo(t.w));
    // "A" stands on the baseline 3.5 rows up and reaches near the top.
    auto [lo, hi] = t.inkRows();
    EXPECT_EQ(lo, 3);
    EXPECT_GE(hi, 12);
    EXPECT_LE(hi, 14);

    // With an outline of 2: 22 rows (texture 32), baseline 5.5, glyph starting 2 further right.
    Text o = draw("dejavu", -29, "A", 20, WHITE, BLACK, 2, 1.0f);
    ASSERT_TRUE(o.px);
    EXPECT_EQ(o.h, 22);
    EXPECT_EQ(o.th, 32);
    Text plain = draw("dejavu", -29, "A", 20, WHITE, NO_OUTLINE, 0, 1.0f);
    EXPECT_EQ(o.w, plain.w + 4); // the outline counts at the start and again at the end

    // An outline with alpha 0 is not drawn but still moves and grows the text.
    Text ghost = draw("dejavu", -29, "I", 40, WHITE, NO_OUTLINE, 3, 1.0f);
    Text bare = draw("dejavu", -29, "I", 40, WHITE, NO_OUTLINE, 0, 1.0f);
    EXPECT_EQ(ghost.h, 43);
    EXPECT_EQ(ghost.w, bare.w + 6);
    int firstInk = ghost.tw, firstBare = bare.tw;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 20; ++x) {
            if (ghost.alpha(x, y)) firstInk = std::min(firstInk, x);
            if (bare.alpha(x, y)) firstBare = std::min(firstBare, x);
        }
    EXPECT_EQ(firstInk, firstBare + 3);
    // No dark stroke anywhere: white text over the white background grey stays white.
    for (int y = 0; y < ghost.th; ++y) {
        for (int x = 0; x < ghost.tw; ++x) {
            ASSERT_EQ(ghost.at(x, y)[0], 255) << x << "," << y;
        }
    }
}

TEST_F(TextTest, TheOutlineShowsOnlyOutsideTheGlyphs) {
    Text fill = draw("dejavu", -29, "O", 40, WHITE, NO_OUTLINE, 3, 0.0f);
    Text lined = draw("dejavu", -29, "O", 40, WHITE, BLACK, 3, 0.0f);
    ASSERT_TRUE(fill.px && lined.px);
    ASSERT_EQ(fill.tw, lined.tw);
    int insideWhite = 0, ring = 0;
    for (int y = 0; y < fill.th; ++y)
        for (int x = 0; x < fill.tw; ++x) {
            const unsigned char* l = lined.at(x, y);
            if (fill.alpha(x, y) == 255) { // inside the glyph: the fill, untouched
                ASSERT_EQ(l[0], 255) << x << "," << y;
                ASSERT_EQ(l[3], 255);
                ++insideWhite;
            } else if (fill.alpha(x, y) > 0) { // glyph edge: fill over black, opaque
                EXPECT_EQ(l[3], 255) << x << "," << y;
                EXPECT_NEAR(l[0], fill.alpha(x, y), 1);
            } else if (l[3] == 255) { // outside: the black ring
                EXPECT_EQ(l[0], 0);
                ++ring;
            }
        }
    EXPECT_GT(insideWhite, 100);
    EXPECT_GT(ring, 40);
    EXPECT_GT(lined.inked(), fill.inked() + 100);
}

TEST_F(TextTest, BackgroundCarriesTheFillGreyAndColoursArePremultiplied) {
    for (auto [fill, grey] : {std::pair{1.0f, 255}, {0.5f, 127}, {0.0f, 0}}) {
        Text t = draw("dejavu", -29, "I", 14, WHITE, NO_OUTLINE, 0, fill);
        ASSERT_TRUE(t.px);
        const unsigned char* corner = t.at(t.tw - 1, t.th - 1);
        EXPECT_EQ(corner[0], grey);
        EXPECT_EQ(corner[1], grey);
        EXPECT_EQ(corner[2], grey);
        EXPECT_EQ(corner[3], 0);
    }
    Text red = draw("dejavu", -29, "I", 40, {1, 0, 0, 0.5f}, NO_OUTLINE, 0, 0.0f);
    int solid = 0;
    for (int y = 0; y < red.th; ++y)
        for (int x = 0; x < red.tw; ++x)
            if (red.at(x, y)[0] >= 127) {
                EXPECT_NEAR(red.at(x, y)[3], 128, 1);
                EXPECT_EQ(red.at(x, y)[1], 0);
                ++solid;
            }
    EXPECT_GT(solid, 50);
}

TEST_F(TextTest, LongTextIsCutAt512AndGlyphIndicesWrapAt16Bits) {
    std::string longText(100, 'W');
    Text t = draw("dejavu", -29, longText.c_str(), 24, WHITE, NO_OUTLINE, 0, 1.0f);
    ASSERT_TRUE(t.px);
    EXPECT_EQ(t.w, 512);
    EXPECT_EQ(t.tw, 512);
    EXPECT_GT(t.alpha(505, 12) + t.alpha(506, 12) + t.alpha(507, 12) + t.alpha(508, 12), 0);

    Text a = draw("dejavu", -29, "Score 12", 24, WHITE, NO_OUTLINE, 0, 1.0f);
    Text b = draw("dejavu", 65536 - 29, "Score 12", 24, WHITE, NO_OUTLINE, 0, 1.0f);
    ASSERT_TRUE(a.px && b.px);
    ASSERT_EQ(a.tw, b.tw);
    EXPECT_EQ(memcmp(a.px.get(), b.px.get(), size_t(a.tw) * a.th * 4), 0);
    // A wrong offset draws other glyphs.
    Text c = draw("dejavu", -28, "Score 12", 24, WHITE, NO_OUTLINE, 0, 1.0f);
    EXPECT_TRUE(c.w != a.w || memcmp(a.px.get(), c.px.get(), size_t(a.tw) * a.th * 4) != 0);
}

TEST_F(TextTest, MissingFontsAndAbsurdSizesGiveEmptyTexturesWithOneMessage) {
    gfxtest::LogCapture log;
    Text t = draw("nofont", -29, "Hi", 14, WHITE, NO_OUTLINE, 0, 1.0f);
    EXPECT_FALSE(t.px);
    EXPECT_EQ(log.lines().size(), 1u);

    ASSERT_TRUE(gfxtest::setupScreen());
    log.lines().clear();
    Texture* none = texture_mgr.getText("Hi", "nofont", -29, 14, WHITE, 0, 1.0f);
    EXPECT_EQ(none->id, 0u);
    EXPECT_EQ(log.lines().size(), 1u);
    texture_mgr.release(none);

    // A text sprite of a missing font has an empty frame and survives scrolling and drawing.
    Sprite* s = new Sprite(14, -29, "nofont", "Hi", WHITE, 2);
    EXPECT_EQ(s->frameSize.x, 0);
    s->setScroll({10, 0});
    EXPECT_FALSE(s->update(1));
    s->draw({10, 10, 0}, {1, 1}, {0, 0, 0}, WHITE);
    killSprite(s);

    for (int size : {0, -5, 100000}) {
        Text bad = draw("dejavu", -29, "Hi", size, WHITE, NO_OUTLINE, 0, 1.0f);
        EXPECT_FALSE(bad.px) << size;
    }
}

TEST_F(TextTest, CacheKeysIgnoreAlphaAndOffsetAndListGreenUnderB) {
    ASSERT_TRUE(gfxtest::setupScreen());
    Texture* a = texture_mgr.getText("Hi", "dejavu", -29, 14, {1, 0.5f, 0.25f, 1}, 0, 0.58f);
    Texture* b = texture_mgr.getText("Hi", "dejavu", 7, 14, {1, 0.5f, 0.25f, 0.2f}, 0, 0.58f);
    Texture* c = texture_mgr.getText("Hi", "dejavu", -29, 14, {1, 0.25f, 0.5f, 1}, 0, 0.58f);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_NE(a->id, 0u);
    const auto* info =
        texture_mgr.find("text=Hi,font=dejavu,size=14,r=1.00,b=0.50,g=0.25,outline=0,fill=0.58");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->texture, a);
    EXPECT_EQ(info->refs, 2);
    texture_mgr.release(a);
    texture_mgr.release(b);
    texture_mgr.release(c);

    // The sprite's fill level is the colour's sum times one third, and text from the shared
    // formatter survives the key being formatted.
    Sprite s(14, -29, "dejavu", util::formatString("%s", "Hi").c_str(), {1, 0.5f, 0.25f, 1}, 0);
    EXPECT_EQ(
        s.texture,
        texture_mgr.find("text=Hi,font=dejavu,size=14,r=1.00,b=0.50,g=0.25,outline=0,fill=0.58")
            ->texture);
    EXPECT_EQ(s.frameSize.y, 14);
    EXPECT_EQ(s.frameCount, 1);
    EXPECT_FLOAT_EQ(s.frames[4], float(s.frameSize.x) / float(s.texture->texSize.x));
    EXPECT_FLOAT_EQ(s.frames[5], 14.0f / 16.0f);
}

TEST_F(TextTest, ATextSpriteDrawsUpright) {
    ASSERT_TRUE(gfxtest::setupScreen(0x000000));
    Sprite* s = new Sprite(48, -29, "dejavu", "T", WHITE, 0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    s->draw({160, 240, 0}, {1, 1}, {0, 0, 0}, WHITE);
    glDisable(GL_BLEND);
    const std::vector<uint8_t> px = testgl::readPixels();
    // Bright pixels per screen row (y up) over the sprite's area.
    int top = -1, bottom = 1000, widest = 0, widestRow = -1;
    std::vector<int> count(480, 0);
    for (int y = 200; y < 280; ++y) {
        for (int x = 120; x < 200; ++x)
            count[y] += (testgl::rgbAt(px, x, 479 - y) >> 16) > 128;
        if (count[y]) top = std::max(top, y), bottom = std::min(bottom, y);
        if (count[y] > widest) widest = count[y], widestRow = y;
    }
    ASSERT_GE(top, 0);
    EXPECT_GT(top - bottom, 25);
    EXPECT_GE(widestRow, top - 6); // the bar is at the top
    EXPECT_LT(count[bottom + 1] * 3, widest);
    killSprite(s);
}

TEST_F(TextTest, TheGameFontsFollowTheirOffsets) {
    const char* res = getenv("FLINGO_RESOURCE_DIR");
    const std::string fawn = std::string(res ? res : "") + "/fawn.ttf";
    const std::string zero = std::string(res ? res : "") + "/zerothre.ttf";
    if (!res || !std::filesystem::exists(fawn) || !std::filesystem::exists(zero))
        GTEST_SKIP() << "the resource folder has no fonts yet";
    for (unsigned c = 32; c < 127; ++c) {
        EXPECT_EQ(cmapIndex(fawn.c_str(), c), int(c) - 29) << char(c);
        EXPECT_EQ(cmapIndex(zero.c_str(), c), int(c) - 32) << char(c);
    }
    platform::setBasePath(res);
    Text score = draw("fawn", -29, "Score 12", 24, WHITE, BLACK, 3, 1.0f);
    Text best = draw("zerothre", -32, "0123456789", 20, WHITE, NO_OUTLINE, 0, 1.0f);
    ASSERT_TRUE(score.px && best.px);
    EXPECT_GT(score.inked(), 300);
    EXPECT_GT(best.inked(), 300);
    EXPECT_GT(score.w, 60);
    // The digits are drawn side by side across the width, none missing.
    int columnsInked = 0;
    for (int x = 0; x < best.w; ++x) {
        bool any = false;
        for (int y = 0; y < best.th; ++y)
            any = any || best.alpha(x, y) > 0;
        columnsInked += any;
    }
    EXPECT_GT(columnsInked, best.w / 2);
}

} // namespace
