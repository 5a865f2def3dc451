// SPDX-License-Identifier: MIT
// Checks the built resource folder against what the game asks of it: every file the level
// catalogue and the game name, the sizes sprites cut frames from, the places the catalogue puts
// things, the glyph order of the fonts and the key file. (The sounds have a checker of their own.)
#include "game/level_defs.h"
#include "game/mirrors.h"
#include "support/run.h"

#include <cmath>
#include <ft2build.h>
#include <gtest/gtest.h>
#include <png.h>
#include FT_FREETYPE_H

namespace {

const char* const env_dir = std::getenv("FLINGO_RESOURCE_DIR");
const std::string res = std::string(env_dir ? env_dir : FLINGO_BUILT_RESOURCES) + "/";

struct Image {
    int w = 0, h = 0;
    bool fileHasAlpha = false;
    std::vector<uint8_t> rgba; // rows top first
    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * w + x) * 4]; }
    uint8_t alpha(int x, int y) const { return at(x, y)[3]; }
};

// Decodes a PNG of the "img" folder (or of the top with a leading "/") to RGBA; w == 0 when it
// cannot.
Image load(const std::string& name) {
    Image img;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    const std::string path = res + (name[0] == '/' ? name.substr(1) : "img/" + name);
    if (!png_image_begin_read_from_file(&png, path.c_str())) return img;
    img.fileHasAlpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = PNG_FORMAT_RGBA;
    img.rgba.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, img.rgba.data(), 0, nullptr)) return Image{};
    std::tie(img.w, img.h) = std::pair(int(png.width), int(png.height));
    return img;
}

// The catalogue, filled as at start-up.
const fg::LevelInfo* const levels = (fg::initializeData(), fg::level_info);

// Backgrounds cover the whole screen; sheets hold whole frames of their size, every one drawing
// something; overlays are see-through at the corners.
TEST(ResourceImages, BackgroundsSheetsAndOverlays) {
    std::vector<std::pair<std::string, Vector2<int>>> images = {
        {fg::menu_info.background, {320, 480}},
        {fg::score_menu_info.background, {320, 480}},
        {"/Default.png", {320, 480}},
        {"paper_ball.png", {86, 86}},
        {fg::menu_info.scoresButton, {0, 0}},
        {"arrow.png", {0, 0}},
        {"wind_arrow.png", {0, 0}}};
    for (int i = 0; i < fg::LEVEL_COUNT; ++i) {
        images.push_back({levels[i].background, {320, 480}});
        for (const auto& group : levels[i].fans)
            for (const fg::FanLayer& layer : group) {
                const char* mirrored = layer.texture ? fg::mirroredSheet(layer.texture) : nullptr;
                if (layer.texture)
                    images.push_back({mirrored ? mirrored : layer.texture, layer.frameSize});
            }
        for (const char* name : {levels[i].canFront, levels[i].menuButton}) // cropped
            if (name) images.push_back({name, {0, 0}});
    }
    for (const auto& [name, frame] : images) {
        SCOPED_TRACE(name);
        const Image img = load(name);
        ASSERT_GT(img.w, 0) << "missing or undecodable";
        if (frame.x == 0) {
            EXPECT_EQ(img.alpha(0, 0), 0);
        } else if (frame.y == 480) {
            ASSERT_EQ(std::pair(img.w, img.h), std::pair(320, 480));
            for (int i = 3; i < 320 * 480 * 4; i += 4)
                ASSERT_EQ(img.rgba[i], 255) << "a background must cover the whole screen";
        } else {
            EXPECT_TRUE(img.fileHasAlpha);
            ASSERT_TRUE(img.w % frame.x == 0 && img.h % frame.y == 0);
            EXPECT_GE((img.w / frame.x) * (img.h / frame.y), 2) << "an animation needs frames";
            for (int fy = 0; fy < img.h; fy += frame.y)
                for (int fx = 0; fx < img.w; fx += frame.x) {
                    int ink = 0;
                    for (int y = fy; y < fy + frame.y; ++y)
                        for (int x = fx; x < fx + frame.x; ++x)
                            ink += img.alpha(x, y) > 0;
                    EXPECT_GT(ink, frame.x * frame.y / 20) << "frame at " << fx << "," << fy;
                }
        }
    }
    // The wind arrow lies on the floor pointing right (+x), narrowing to its head.
    const Image wind = load("wind_arrow.png");
    ASSERT_GT(wind.w, wind.h);
    int left = 0, right = 0;
    for (int y = 0; y < wind.h; ++y) {
        left += wind.alpha(wind.w / 8, y) > 128;
        right += wind.alpha(wind.w - wind.w / 8, y) > 128;
    }
    EXPECT_LT(right, left) << "the head should be on the right";
    for (const char* name : {"house_banner_0.png", "house_banner_1.png", "house_banner_2.png"})
        EXPECT_TRUE(load(name).w == 320 && load(name).h == 50) << name;
    // Centred at (173, 417) on the start-up screen, the badge must stay on it.
    const Image badge = load("/BestBuyOverlay.png");
    EXPECT_TRUE(badge.w > 0 && badge.w <= 320 && 417 + badge.h / 2 <= 480);
}

// The basket's front sits on the basket and matches its background; the menu button is painted
// where it is tapped.
TEST(ResourceLevelArt, BasketFrontAndMenuButtonSitWhereTheCatalogueSays) {
    auto red = [](const uint8_t* p) { return p[0] > 180 && p[1] < 120 && p[2] < 120; };
    for (int i = 0; i < fg::LEVEL_COUNT; ++i) {
        const fg::LevelInfo& lv = levels[i];
        SCOPED_TRACE(lv.canFront);
        const Image front = load(lv.canFront), bg = load(lv.background);
        ASSERT_TRUE(front.w > 0 && bg.w == 320);
        // Alpha of the front, drawn centred on the basket's base, at a screen point (y up).
        auto a = [&](float dx, float dy) {
            const int x = int(std::floor(dx + front.w / 2.0f));
            const int y = int(std::floor(front.h / 2.0f - dy));
            return x < 0 || y < 0 || x >= front.w || y >= front.h ? 0 : front.alpha(x, y);
        };
        const float rim = lv.rimHeight, half = lv.rimHalfWidth;
        EXPECT_TRUE(front.w >= 2 * half && front.h / 2.0f >= rim) << "room for the rim";
        // The front wall hides a ball that dropped in, but not one at the rim line or beside it.
        EXPECT_EQ(std::vector<int>({a(0, 0), a(0, rim * 0.5f), a(0, rim + 2), a(0, rim * 1.5f),
                                    a(-half - 3, rim * 0.5f), a(half + 3, rim * 0.5f)}),
                  std::vector<int>({255, 255, 0, 0, 0, 0}));
        // Drawn over its own background, the front matches it: no seam where it ends.
        const int x0 = int(lv.basketX) - front.w / 2, y0 = (480 - int(lv.basketY)) - front.h / 2;
        int mismatched = 0;
        for (int y = 0; y < front.h; ++y)
            for (int x = 0; x < front.w; ++x) {
                const uint8_t *f = front.at(x, y), *b = bg.at(x0 + x, y0 + y);
                mismatched +=
                    f[3] == 255 &&
                    std::abs(f[0] - b[0]) + std::abs(f[1] - b[1]) + std::abs(f[2] - b[2]) > 6;
            }
        EXPECT_EQ(mismatched, 0);
        // The red plate fills the 48 x 48 tap square at the menu position, and ends near it.
        const int mx = int(lv.hudMenuPos.x), my = 480 - int(lv.hudMenuPos.y);
        int plate = 0;
        for (int dy = -18; dy <= 18; dy += 6)
            for (int dx = -18; dx <= 18; dx += 6)
                plate += red(bg.at(mx + dx, my + dy));
        EXPECT_GE(plate, 20) << "of 49 samples in the tap square";
        EXPECT_FALSE(red(bg.at(mx, my - 34)));
    }
}

TEST(ResourceFonts, GlyphIndexIsCharacterCodePlusOffsetAndGlyphsFitTheTextBox) {
    FT_Library lib;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    for (auto [file, offset] : {std::pair{"fawn.ttf", -29}, std::pair{"zerothre.ttf", -32}}) {
        SCOPED_TRACE(file);
        FT_Face face;
        ASSERT_EQ(FT_New_Face(lib, (res + file).c_str(), 0, &face), 0);
        ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 24), 0);
        // The character map agrees with the index arithmetic the game uses.
        for (int c = 33; c < 127; ++c)
            EXPECT_EQ(int(FT_Get_Char_Index(face, FT_ULong(c))), c + offset) << char(c);
        // Digits, the letters of the labels and the point draw ink that fits the game's text
        // box: the baseline a quarter of the point size above its bottom, the rest cut, so 18
        // pixels up and 6 down at 24. The space draws nothing but advances; in the score face
        // all digits advance alike, so scores line up.
        const std::string inked =
            std::string(offset == -29 ? "ScoreBstSubmitMenuLvlUkdgjpqy" : "") + "0123456789. ";
        FT_Pos zero = 0;
        for (char c : inked) {
            ASSERT_EQ(FT_Load_Glyph(face, FT_UInt(c + offset), FT_LOAD_RENDER | FT_LOAD_NO_HINTING),
                      0);
            const FT_GlyphSlot g = face->glyph;
            EXPECT_EQ(g->bitmap.width * g->bitmap.rows > 0, c != ' ') << c;
            EXPECT_LE(g->bitmap_top, 18) << c << " rises above the box";
            EXPECT_LE(int(g->bitmap.rows) - g->bitmap_top, 6) << c << " drops below the box";
            zero = c == '0' ? g->advance.x : zero;
            EXPECT_TRUE((c != ' ' || g->advance.x > 0) &&
                        (offset == -29 || !isdigit(c) || g->advance.x == zero))
                << c;
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(lib);
}

TEST(ResourceKeyFile, IsFixedSoSavedScoresStayValid) {
    const std::string key = testrun::readFile(res + "obf.dat");
    ASSERT_EQ(key.size(), 1024u);
    // FNV-1a of the whole file. Best scores saved by any earlier build only verify with these
    // exact bytes: if this fails, the key changed and every player's records read as tampered.
    uint64_t h = 1469598103934665603ull;
    for (char b : key)
        h = (h ^ uint8_t(b)) * 1099511628211ull;
    EXPECT_EQ(h, 0x78249a1ce3a72e1eull);
}

} // namespace
