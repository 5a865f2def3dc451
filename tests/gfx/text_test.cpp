// SPDX-License-Identifier: MIT
// Text rasterised by glyph index: geometry, orientation, outline, colours, cache keys.
#include "core/util.h"
#include "gfx/text.h"
#include "support/gfx.h"

#include <array>

namespace {

constexpr Vector4<float> WHITE{1, 1, 1, 1}, BLACK{0, 0, 0, 1}, NONE{0, 0, 0, 0};

struct Text {
    std::vector<uint8_t> px; // empty when nothing was drawn
    int w = 0, h = 0, tw = 0, th = 0;
    bool operator==(const Text&) const = default;
    const uint8_t* at(int i) const { return &px[size_t(i) * 4]; }
    // Left, bottom, right and top of the pixels with any coverage (row 0 is the bottom).
    std::array<int, 4> ink() const {
        std::array<int, 4> box{tw, th, -1, -1};
        for (int i = 0; i < tw * th; ++i)
            if (at(i)[3])
                box = {std::min(box[0], i % tw), std::min(box[1], i / tw), std::max(box[2], i % tw),
                       std::max(box[3], i / tw)};
        return box;
    }
};

// DejaVu Sans keeps printable ASCII in code order from glyph 3, like the game's "fawn".
Text draw(const char* text, int size, Vector4<float> colour = WHITE, Vector4<float> outline = NONE,
          int outlineWidth = 0, float fill = 1, int offset = -29, const char* font = "dejavu",
          int room = 512) {
    platform::TextImage im;
    std::unique_ptr<uint8_t[]> px(platform::loadFontFileText(
        text, {font, offset, size, colour, outline, outlineWidth, fill, room}, im));
    const size_t n = px ? size_t(im.texWidth) * im.texHeight * im.bytesPerPixel : 0;
    return {{px.get(), px.get() + n}, im.width, im.height, im.texWidth, im.texHeight};
}

class TextTest : public gfxtest::GfxTest {
  protected:
    void SetUp() override {
        GfxTest::SetUp();
        std::filesystem::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                   dir + "dejavu.ttf");
    }
};

TEST_F(TextTest, SizesOutlineRoomRowZeroAtTheBottomAndTheCutAt512) {
    Text t = draw("A", 14), o = draw("A", 20, WHITE, BLACK, 2);
    ASSERT_FALSE(t.px.empty());
    EXPECT_EQ(std::tuple(t.px.size(), t.h, t.th, t.tw), std::tuple(16u * t.tw * 4, 14, 16, 16));
    EXPECT_TRUE(t.w > 8 && t.w < 14) << t.w;
    EXPECT_EQ(t.ink()[1], 3); // "A" stands on the baseline 3.5 rows up
    // An outline of 2 adds 2 rows (texture 32) and counts at both ends of the line.
    EXPECT_EQ(std::tuple(o.h, o.th, o.w), std::tuple(22, 32, draw("A", 20).w + 4));
    // An outline with alpha 0 is not drawn but still moves and grows the text: no dark stroke.
    Text ghost = draw("I", 40, WHITE, NONE, 3), bare = draw("I", 40);
    EXPECT_EQ(std::tuple(ghost.h, ghost.w, ghost.ink()[0]),
              std::tuple(43, bare.w + 6, bare.ink()[0] + 3));
    for (int i = 0; i < ghost.tw * ghost.th; ++i)
        ASSERT_EQ(ghost.at(i)[0], 255) << i;
    Text cut = draw(std::string(100, 'W').c_str(), 24);
    EXPECT_EQ(std::tuple(cut.w, cut.tw, cut.ink()[2] >= 505), std::tuple(512, 512, true));
    // A room of no power of two: the texture is wider than the room, and blank past it.
    Text wide = draw(std::string(100, 'W').c_str(), 24, WHITE, NONE, 0, 1, -29, "dejavu", 600);
    EXPECT_EQ(std::tuple(wide.w, wide.tw, wide.ink()[2] < 600), std::tuple(600, 1024, true));
    // Glyph indices wrap at 16 bits; a wrong offset draws other glyphs.
    EXPECT_EQ(draw("Score 12", 24), draw("Score 12", 24, WHITE, NONE, 0, 1, 65536 - 29));
    EXPECT_NE(draw("Score 12", 24), draw("Score 12", 24, WHITE, NONE, 0, 1, -28));
    for (int size : {0, -5, 100000})
        EXPECT_TRUE(draw("Hi", size).px.empty()) << size;
}

// The outline shows only outside the glyphs; the background carries the fill level as grey at
// alpha 0; colours come premultiplied by their alpha.
TEST_F(TextTest, OutlineOutsideFillGreyAndPremultipliedColours) {
    Text fill = draw("O", 40, WHITE, NONE, 3, 0), lined = draw("O", 40, WHITE, BLACK, 3, 0);
    ASSERT_TRUE(!fill.px.empty() && fill.tw == lined.tw);
    int inside = 0, ring = 0, wrong = 0;
    for (int i = 0; i < fill.tw * fill.th; ++i) {
        const int a = fill.at(i)[3], red = lined.at(i)[0], alpha = lined.at(i)[3];
        if (a == 255) // inside the glyph: the white fill, untouched
            ++inside, wrong += red + alpha != 510;
        else if (a > 0) // glyph edge: fill over black, opaque
            wrong += alpha != 255 || std::abs(red - a) > 1;
        else if (alpha == 255) // outside: the black ring
            ++ring, wrong += red != 0;
    }
    EXPECT_TRUE(wrong == 0 && inside > 100 && ring > 40) << wrong << " " << inside << " " << ring;
    Text grey = draw("I", 14, WHITE, NONE, 0, 0.5f),
         red = draw("I", 40, {1, 0, 0, 0.5f}, NONE, 0, 0);
    EXPECT_EQ(std::vector<uint8_t>(grey.px.end() - 4, grey.px.end()),
              std::vector<uint8_t>({127, 127, 127, 0}));
    int solid = 0; // half-covered pixels of a half-transparent red: red equals alpha everywhere
    for (int i = 0; i < red.tw * red.th; ++i) {
        const uint8_t* p = red.at(i);
        EXPECT_TRUE(std::abs(p[0] - p[3]) <= 1 && p[1] == 0 && p[3] <= 129) << i;
        solid += p[3] >= 127;
    }
    EXPECT_GT(solid, 50);
}

TEST_F(TextTest, ABrokenFontIsNamedOnceAndAnotherFontDrawsItsText) {
    const std::string good = testrun::readFile(dir + "dejavu.ttf");
    std::string flipped = good;
    for (size_t i = good.size() / 3; i < good.size() / 3 + 64; ++i)
        flipped[i] ^= 0x5a;
    for (auto [name, bytes] :
         {std::pair{"half", good.substr(0, good.size() / 2)}, {"empty", ""}, {"flipped", flipped}})
        testrun::writeFile(dir + name + ".ttf", bytes);
    // DejaVu's glyph order is the code order less 29, so drawn by its character map the text
    // comes out the same.
    const Text want = draw("Sound: on", 20);
    for (const char* font : {"nofont", "half", "empty", "flipped"}) {
        log.clear();
        for (int twice = 0; twice < 2; ++twice)
            EXPECT_EQ(draw("Sound: on", 20, WHITE, NONE, 0, 1, 7, font), want) << font;
        ASSERT_EQ(log.size(), 1u) << font;
        EXPECT_NE(log[0].find(dir + font + ".ttf ("), std::string::npos) << log[0];
    }
    // With no font at all: an empty texture, one message, and it survives use.
    std::filesystem::create_directory(dir + "none/");
    platform::setBasePath((dir + "none/").c_str());
    log.clear();
    Sprite* s = new Sprite(14, -29, "nofont", "Hi", WHITE, 2);
    EXPECT_EQ(std::tuple(log.size(), s->texture->id, s->frameSize.x), std::tuple(1u, 0u, 0));
    s->setScroll({10, 0});
    EXPECT_FALSE(s->update(1));
    s->draw({10, 10, 0}, {1, 1}, {0, 0, 0}, WHITE);
    killSprite(s);
}

TEST_F(TextTest, TextTexturesAreSharedAcrossAlphaAndOffsetButNotColours) {
    Texture* a = texture_mgr.getText("Hi", "dejavu", -29, 14, {1, 0.5f, 0.25f, 1}, 0, 0.58f);
    Texture* b = texture_mgr.getText("Hi", "dejavu", 7, 14, {1, 0.5f, 0.25f, 0.2f}, 0, 0.58f);
    Texture* c = texture_mgr.getText("Hi", "dejavu", -29, 14, {1, 0.5f, 0.5f, 1}, 0, 0.58f);
    Texture* d = texture_mgr.getText("Hi", "dejavu", -29, 14, {1, 0.25f, 0.25f, 1}, 0, 0.58f);
    EXPECT_TRUE(a == b && a != c && a != d && a->id != 0); // c differs in blue only, d in green
    for (Texture* t : {a, b, c, d})
        texture_mgr.release(t);
    // The sprite's fill level is the colour's sum times one third, text from the shared
    // formatter survives the key being formatted, and its frame is upright: rows bottom first.
    Sprite s(14, -29, "dejavu", util::formatString("%s", "Hi").c_str(), {1, 0.5f, 0.25f, 1}, 0);
    // 14 rows are not a power of two: one more, for the filter to fade into.
    EXPECT_EQ(a->texSize.y, 15);
    const float u = float(s.frameSize.x) / float(a->texSize.x), v = 14.0f / 15;
    EXPECT_EQ(std::vector<float>(s.frames, s.frames + 8),
              (std::vector<float>{0, 0, u, 0, u, v, 0, v}));
    EXPECT_EQ(s.texture, a);
}

} // namespace
