// Checks the built resource folder against what the game asks of it: every file it names,
// the sizes the sprites cut frames from, the places the level table puts things, the glyph
// order of the fonts, the key file, and sounds that decode to something audible.
#include <SDL.h>
#include <SDL_mixer.h>
#include <ft2build.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include FT_FREETYPE_H

namespace {

std::string resourceDir() {
    const char* dir = std::getenv("FLINGO_RESOURCE_DIR");
    return std::string(dir ? dir : FLINGO_BUILT_RESOURCES) + "/";
}

struct Image {
    int w = 0, h = 0;
    bool fileHasAlpha = false;
    std::vector<uint8_t> rgba; // rows top first

    uint8_t alpha(int x, int y) const { return rgba[(size_t(y) * w + x) * 4 + 3]; }
    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * w + x) * 4]; }
};

// Decodes a PNG to RGBA; empty image (w == 0) when it cannot.
Image loadPng(const std::string& path) {
    Image img;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return img;
    img.fileHasAlpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = PNG_FORMAT_RGBA;
    img.rgba.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, img.rgba.data(), 0, nullptr)) {
        png_image_free(&png);
        return Image{};
    }
    img.w = int(png.width);
    img.h = int(png.height);
    return img;
}

Image loadImg(const std::string& name) {
    return loadPng(resourceDir() + "img/" + name);
}

// --- Images --------------------------------------------------------------------------------

TEST(ResourceImages, FullScreenPicturesAre320x480AndOpaque) {
    for (const char* name : {"img/Level1.png", "img/Level2.png", "img/Level3.png",
                             "img/Airport.png", "img/Basement.png", "img/MMenu.png",
                             "img/SBoard_menu.png", "img/tutorial.png", "Default.png"}) {
        SCOPED_TRACE(name);
        Image img = loadPng(resourceDir() + name);
        ASSERT_EQ(img.w, 320);
        ASSERT_EQ(img.h, 480);
        if (std::string(name) == "img/tutorial.png") continue; // an overlay: mostly see-through
        int holes = 0;
        for (int y = 0; y < img.h; ++y)
            for (int x = 0; x < img.w; ++x)
                holes += img.alpha(x, y) != 255;
        EXPECT_EQ(holes, 0) << "a background must cover the whole screen";
    }
}

struct Sheet {
    const char* name;
    int fw, fh;
};

TEST(ResourceImages, SheetsHoldWholeFramesOfTheirSize) {
    const Sheet sheets[] = {
        {"paper_ball.png", 86, 86},       {"fan_l1l2_left.png", 121, 198},
        {"fan_l1l2_right.png", 121, 198}, {"Far_fan_Left.png", 121, 198},
        {"Far_fan_Right.png", 121, 198},  {"Fan_Bmt_L.png", 28, 79},
        {"Fan_Bmt_R.png", 63, 134},
    };
    for (const Sheet& s : sheets) {
        SCOPED_TRACE(s.name);
        Image img = loadImg(s.name);
        ASSERT_GT(img.w, 0) << "missing or undecodable";
        EXPECT_EQ(img.w % s.fw, 0);
        EXPECT_EQ(img.h % s.fh, 0);
        EXPECT_GE((img.w / s.fw) * (img.h / s.fh), 2) << "an animation needs frames";
        EXPECT_TRUE(img.fileHasAlpha);
        // Every frame draws something and leaves its corners clear.
        for (int fy = 0; fy + s.fh <= img.h; fy += s.fh)
            for (int fx = 0; fx + s.fw <= img.w; fx += s.fw) {
                int ink = 0;
                for (int y = fy; y < fy + s.fh; ++y)
                    for (int x = fx; x < fx + s.fw; ++x)
                        ink += img.alpha(x, y) > 0;
                EXPECT_GT(ink, s.fw * s.fh / 20) << "frame at " << fx << "," << fy;
                EXPECT_EQ(img.alpha(fx, fy), 0) << "frame at " << fx << "," << fy;
            }
    }
    // The ball's frames differ: it turns.
    Image ball = loadImg("paper_ball.png");
    ASSERT_GE(ball.w, 172);
    int differing = 0;
    for (int y = 0; y < 86; ++y)
        for (int x = 0; x < 86; ++x)
            differing += std::abs(ball.at(x, y)[0] - ball.at(x + 86, y)[0]) > 16;
    EXPECT_GT(differing, 200);
}

TEST(ResourceImages, EveryOtherNamedImageDecodes) {
    // Still images with see-through parts, drawn over other things.
    for (const char* name :
         {"CanFront_L1.png", "CanFront_L2.png", "CanFront_L3.png", "Airport_Canfront.png",
          "canfront_basement.png", "Level1_foreground.png", "Level2_foreground.png",
          "Level2_Computer.png", "Front_desks_L3.png", "Basement_foreground.png", "arrow.png",
          "wind_arrow.png", "Easy_button.png", "Med_button.png", "Hard_button.png",
          "Airport_button.png", "Basement_button.png", "HS_btn_green.png"}) {
        SCOPED_TRACE(name);
        Image img = loadImg(name);
        ASSERT_GT(img.w, 0) << "missing or undecodable";
        EXPECT_TRUE(img.fileHasAlpha);
        EXPECT_EQ(img.alpha(0, 0), 0) << "corner should be see-through";
    }
    // The wind arrow lies on the floor pointing right (+x); turned round for a wind to the left.
    Image wind = loadImg("wind_arrow.png");
    ASSERT_GT(wind.w, wind.h);
    int left = 0, right = 0;
    for (int y = 0; y < wind.h; ++y) {
        left += wind.alpha(wind.w / 8, y) > 128;
        right += wind.alpha(wind.w - wind.w / 8, y) > 128;
    }
    EXPECT_LT(right, left) << "the head (narrowing to a point) should be on the right";

    for (const char* name : {"house_banner_0.png", "house_banner_1.png", "house_banner_2.png"}) {
        SCOPED_TRACE(name);
        Image img = loadImg(name);
        EXPECT_EQ(img.w, 320);
        EXPECT_EQ(img.h, 50);
    }
    Image badge = loadPng(resourceDir() + "BestBuyOverlay.png");
    ASSERT_GT(badge.w, 0);
    EXPECT_LE(badge.w, 320);
    EXPECT_LE(badge.h, 480);
    // Centred at (173, 417) on the start-up screen, it must stay on it.
    EXPECT_LE(417 + badge.h / 2, 480);
}

// --- Level geometry ------------------------------------------------------------------------

struct Placed {
    const char* name;
    float x, y; // centre on the screen, y upwards
    int fw, fh; // frame size; 0 = whole image
};

struct LevelGeometry {
    const char* background;
    const char* canFront;
    float basketX, basketY, rimHalfWidth, rimHeight;
    float menuX, menuY;
    float labels[3][2];       // score, best, Submit
    std::vector<Placed> over; // drawn after the labels: foregrounds and fans
};

const LevelGeometry kLevels[] = {
    {"Level1.png",
     "CanFront_L1.png",
     160,
     183,
     37,
     30,
     48,
     295,
     {{40, 410}, {40, 385}, {40, 360}},
     {{"Level1_foreground.png", 160, 240, 0, 0},
      {"fan_l1l2_left.png", 31, 58, 121, 198},
      {"fan_l1l2_right.png", 292, 66, 121, 198}}},
    {"Level2.png",
     "CanFront_L2.png",
     162,
     271,
     24,
     30,
     162,
     404,
     {{64, 415}, {64, 397}, {64, 379}},
     {{"Level2_foreground.png", 160, 240, 0, 0},
      {"Level2_Computer.png", 160, 240, 0, 0},
      {"fan_l1l2_left.png", 7, 78, 121, 198},
      {"fan_l1l2_right.png", 314, 80, 121, 198}}},
    {"Level3.png",
     "CanFront_L3.png",
     160,
     322,
     12,
     16,
     230,
     408,
     {{114, 414}, {112, 397}, {114, 380}},
     {{"Front_desks_L3.png", 160, 240, 0, 0},
      {"Far_fan_Left.png", 40, 324, 121, 198},
      {"Far_fan_Right.png", 290, 322, 121, 198}}},
    {"Airport.png",
     "Airport_Canfront.png",
     160,
     166,
     28,
     36,
     268,
     304,
     {{268, 402}, {268, 382}, {268, 362}},
     {{"fan_l1l2_left.png", 24, 35, 121, 198}, {"fan_l1l2_right.png", 304, 35, 121, 198}}},
    {"Basement.png",
     "canfront_basement.png",
     161,
     221,
     18,
     18,
     284,
     40,
     {{91, 365}, {89, 342}, {91, 321}},
     {{"Basement_foreground.png", 160, 284, 0, 0},
      {"Fan_Bmt_L.png", 14, 224, 28, 79},
      {"Fan_Bmt_R.png", 290, 171, 63, 134}}},
};

// Alpha of an image drawn centred at (cx, cy) at the screen point (sx, sy); 0 off the image.
int alphaAt(const Image& img, int fw, int fh, float cx, float cy, float sx, float sy) {
    if (fw == 0) fw = img.w, fh = img.h;
    int x = int(std::floor(sx - (cx - fw / 2.0f)));
    int y = int(std::floor((cy + fh / 2.0f) - sy));
    if (x < 0 || y < 0 || x >= fw || y >= fh) return 0;
    return img.alpha(x, y); // frame 0: the sheet's top-left frame
}

TEST(ResourceLevelArt, BasketFrontSitsOnTheBasketAndLeavesTheOpeningClear) {
    for (const LevelGeometry& lv : kLevels) {
        SCOPED_TRACE(lv.canFront);
        Image front = loadImg(lv.canFront);
        ASSERT_GT(front.w, 0);
        // Drawn centred on the basket's base: wide enough for the rim, tall enough for it.
        EXPECT_GE(front.w, 2 * lv.rimHalfWidth);
        EXPECT_GE(front.h / 2.0f, lv.rimHeight);
        auto a = [&](float sx, float sy) {
            return alphaAt(front, 0, 0, lv.basketX, lv.basketY, sx, sy);
        };
        // The front wall hides a ball that dropped in to the base...
        EXPECT_EQ(a(lv.basketX, lv.basketY), 255);
        EXPECT_EQ(a(lv.basketX, lv.basketY + lv.rimHeight * 0.5f), 255);
        // ...but a ball arriving at the rim line shows above the near rim.
        EXPECT_EQ(a(lv.basketX, lv.basketY + lv.rimHeight + 2), 0);
        EXPECT_EQ(a(lv.basketX, lv.basketY + lv.rimHeight + lv.rimHeight * 0.5f), 0);
        // Outside the rim edges, above the base, nothing is covered.
        EXPECT_EQ(a(lv.basketX - lv.rimHalfWidth - 3, lv.basketY + lv.rimHeight * 0.5f), 0);
        EXPECT_EQ(a(lv.basketX + lv.rimHalfWidth + 3, lv.basketY + lv.rimHeight * 0.5f), 0);
        // Drawn over its own background, the front matches it: no seam where it ends.
        Image bg = loadImg(lv.background);
        ASSERT_EQ(bg.w, 320);
        int x0 = int(lv.basketX) - front.w / 2, y0 = (480 - int(lv.basketY)) - front.h / 2;
        int mismatched = 0;
        for (int y = 0; y < front.h; ++y)
            for (int x = 0; x < front.w; ++x) {
                if (front.alpha(x, y) < 255) continue;
                const uint8_t* f = front.at(x, y);
                const uint8_t* b = bg.at(x0 + x, y0 + y);
                mismatched +=
                    std::abs(f[0] - b[0]) + std::abs(f[1] - b[1]) + std::abs(f[2] - b[2]) > 6;
            }
        EXPECT_EQ(mismatched, 0);
    }
}

TEST(ResourceLevelArt, MenuButtonIsPaintedWhereItIsTapped) {
    for (const LevelGeometry& lv : kLevels) {
        SCOPED_TRACE(lv.background);
        Image bg = loadImg(lv.background);
        ASSERT_EQ(bg.w, 320);
        // The 48 x 48 tap square is centred at the menu position; its plate is red, the rest of the
        // picture a few pixels outside the square is not the same plate.
        int red = 0;
        for (int dy = -18; dy <= 18; dy += 6)
            for (int dx = -18; dx <= 18; dx += 6) {
                const uint8_t* p = bg.at(int(lv.menuX + dx), 480 - int(lv.menuY + dy));
                red += p[0] > 180 && p[1] < 120 && p[2] < 120;
            }
        EXPECT_GE(red, 20) << "of 49 samples in the tap square";
        const uint8_t* outside = bg.at(int(lv.menuX), 480 - int(lv.menuY + 34));
        EXPECT_FALSE(outside[0] > 180 && outside[1] < 120 && outside[2] < 120);
    }
}

TEST(ResourceLevelArt, NothingDrawnLaterCoversTheLabelsOrTheRim) {
    for (const LevelGeometry& lv : kLevels) {
        SCOPED_TRACE(lv.background);
        for (const Placed& p : lv.over) {
            SCOPED_TRACE(p.name);
            Image img = loadImg(p.name);
            ASSERT_GT(img.w, 0);
            // Score, best and Submit labels are about 80 x 24 points around their positions.
            for (const auto& label : lv.labels)
                for (float dx : {-36.f, -18.f, 0.f, 18.f, 36.f})
                    for (float dy : {-8.f, 0.f, 8.f})
                        EXPECT_EQ(alphaAt(img, p.fw, p.fh, p.x, p.y, label[0] + dx, label[1] + dy),
                                  0)
                            << "label at " << label[0] << "," << label[1] << " covered at offset "
                            << dx << "," << dy;
            // The rim line above the basket must stay in view.
            for (float dx : {-lv.rimHalfWidth, 0.f, lv.rimHalfWidth})
                EXPECT_EQ(alphaAt(img, p.fw, p.fh, p.x, p.y, lv.basketX + dx,
                                  lv.basketY + lv.rimHeight + 2),
                          0);
        }
    }
}

// --- Fonts and key -------------------------------------------------------------------------

TEST(ResourceFonts, GlyphIndexIsCharacterCodePlusOffset) {
    FT_Library lib;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    struct {
        const char* file;
        int offset;
    } fonts[] = {{"fawn.ttf", -29}, {"zerothre.ttf", -32}};
    for (const auto& f : fonts) {
        SCOPED_TRACE(f.file);
        FT_Face face;
        ASSERT_EQ(FT_New_Face(lib, (resourceDir() + f.file).c_str(), 0, &face), 0);
        EXPECT_EQ(face->num_glyphs >= 126 + f.offset + 1, true);
        ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 24), 0);
        for (int c = 33; c < 127; ++c) {
            // The character map agrees with the index arithmetic the game uses.
            EXPECT_EQ(int(FT_Get_Char_Index(face, FT_ULong(c))), c + f.offset)
                << "char " << char(c);
        }
        // Digits, the letters of the labels and the point draw ink; the space draws none but
        // advances.
        const std::string inked =
            std::string(f.offset == -29 ? "ScoreBstSubmitMenuLvlUkdgjpqy" : "") + "0123456789.";
        for (char c : inked) {
            ASSERT_EQ(
                FT_Load_Glyph(face, FT_UInt(c + f.offset), FT_LOAD_RENDER | FT_LOAD_NO_HINTING), 0);
            EXPECT_GT(face->glyph->bitmap.width * face->glyph->bitmap.rows, 0u) << "char " << c;
            // The game's text box puts the baseline a quarter of the point size above its
            // bottom and cuts the rest: the glyph must fit in 18 pixels up and 6 down at 24.
            EXPECT_LE(face->glyph->bitmap_top, 18) << "char " << c << " rises above the box";
            EXPECT_LE(int(face->glyph->bitmap.rows) - face->glyph->bitmap_top, 6)
                << "char " << c << " drops below the box";
        }
        ASSERT_EQ(FT_Load_Glyph(face, FT_UInt(' ' + f.offset), FT_LOAD_RENDER), 0);
        EXPECT_EQ(face->glyph->bitmap.width * face->glyph->bitmap.rows, 0u);
        EXPECT_GT(face->glyph->advance.x, 0);
        // Scores line up: all digits advance alike in the scoreboard face.
        if (f.offset == -32) {
            FT_Load_Glyph(face, FT_UInt('0' + f.offset), 0);
            FT_Pos zero = face->glyph->advance.x;
            FT_Load_Glyph(face, FT_UInt('1' + f.offset), 0);
            EXPECT_EQ(face->glyph->advance.x, zero);
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(lib);
}

TEST(ResourceKeyFile, IsFixedSoSavedScoresStayValid) {
    std::ifstream in(resourceDir() + "obf.dat", std::ios::binary);
    ASSERT_TRUE(in.good());
    std::vector<unsigned char> key((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    ASSERT_EQ(key.size(), 1024u);
    // FNV-1a of the whole file. Best scores saved by any earlier build only verify with these
    // exact bytes: if this fails, the key changed and every player's records would read as
    // tampered.
    uint64_t h = 1469598103934665603ull;
    for (unsigned char b : key)
        h = (h ^ b) * 1099511628211ull;
    EXPECT_EQ(h, 0x78249a1ce3a72e1eull);
    // Not a degenerate key: most byte values appear.
    std::vector<int> seen(256);
    for (unsigned char b : key)
        seen[b] = 1;
    EXPECT_GT(std::count(seen.begin(), seen.end(), 1), 200);
}

// --- Sounds --------------------------------------------------------------------------------

const char* const kEffects[] = {
    "Crumple.wav",
    "Computer.wav",
    "In.wav",
    "BounceIn.wav",
    "RimIn.wav",
    "RimOut.wav",
    "Out.wav",
    "Aww.wav",
    "Applause.wav",
    "unlock.wav",
    "OffScreenLeft0.wav",
    "OffScreenLeft1.wav",
    "OffScreenLeft2.wav",
    "OffScreenLeft3.wav",
    "OffScreenRight0.wav",
    "OffScreenRight1.wav",
    "AirportLeft0.wav",
    "AirportLeft1.wav",
    "AirportRight0.wav",
    "AirportRight1.wav",
    "mopper_urinal.wav",
    "crooner_worldtour.wav",
    "MetalClank.wav",
    "Rats.wav",
};

// Peak of 16-bit samples.
int peak(const int16_t* s, size_t n) {
    int p = 0;
    for (size_t i = 0; i < n; ++i)
        p = std::max(p, std::abs(int(s[i])));
    return p;
}

TEST(ResourceSounds, EveryEffectDecodesAt44100AndIsAudible) {
    ASSERT_EQ(SDL_Init(0), 0);
    for (const char* name : kEffects) {
        SCOPED_TRACE(name);
        SDL_AudioSpec spec;
        Uint8* buf = nullptr;
        Uint32 len = 0;
        ASSERT_NE(SDL_LoadWAV((resourceDir() + "sounds/" + name).c_str(), &spec, &buf, &len),
                  nullptr)
            << SDL_GetError();
        EXPECT_EQ(spec.freq, 44100);
        // Bring it to signed 16-bit whatever it was stored as.
        SDL_AudioCVT cvt;
        ASSERT_GE(SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16SYS,
                                    spec.channels, spec.freq),
                  0);
        std::vector<Uint8> data(size_t(len) * std::max(1, cvt.len_mult));
        std::copy(buf, buf + len, data.begin());
        SDL_FreeWAV(buf);
        cvt.buf = data.data();
        cvt.len = int(len);
        if (cvt.needed) {
            ASSERT_EQ(SDL_ConvertAudio(&cvt), 0);
        }
        size_t samples = size_t(cvt.needed ? cvt.len_cvt : int(len)) / 2;
        double seconds = double(samples) / spec.channels / spec.freq;
        EXPECT_GT(seconds, 0.05);
        EXPECT_LT(seconds, 10.0) << "an effect, not a track";
        int p = peak(reinterpret_cast<const int16_t*>(data.data()), samples);
        EXPECT_GT(p, 32768 / 10) << "too quiet to hear";
    }
    SDL_Quit();
}

TEST(ResourceSounds, BackgroundTracksDecodeToHalfAMinuteOrMore) {
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024), 0) << Mix_GetError();
    Mix_Init(MIX_INIT_MP3);
    for (const char* name : {"OfficeNoise.mp3", "AirportNoise.mp3", "BasementAmbient.mp3"}) {
        SCOPED_TRACE(name);
        Mix_Chunk* chunk = Mix_LoadWAV((resourceDir() + "sounds/" + name).c_str());
        ASSERT_NE(chunk, nullptr) << Mix_GetError();
        size_t samples = chunk->alen / 2;
        EXPECT_GE(double(samples) / 2 / 44100, 30.0);
        const int16_t* s = reinterpret_cast<const int16_t*>(chunk->abuf);
        EXPECT_GT(peak(s, samples), 32768 / 50) << "a silent track";
        Mix_FreeChunk(chunk);
    }
    Mix_CloseAudio();
    Mix_Quit();
    SDL_Quit();
}

} // namespace
