// Textures: loading from the resource folder, padding, upload, PVR files and the cache.
#include "gfx/image.h"
#include "gfx/texture.h"
#include "gfx_test_support.h"

#include "core/platform.h"
#include "core/util.h"
#include <GLES/gl.h>

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <png.h>

using Bytes = std::vector<uint8_t>;

namespace {

class TextureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gfxtest::setupScreen());
        dir = gfxtest::makeResourceDir();
    }
    void TearDown() override {
        texture_mgr.cleanup();
        gfxtest::removeResourceDir(dir);
    }
    void put(const std::string& name, const Bytes& bytes) {
        gfxtest::writeFile(dir + "img/" + name, bytes);
    }
    std::string dir;
};

// An image of w x h whose pixel (x, y) is (x, y, 100, 255).
Bytes gradient(int w, int h) {
    Bytes px(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 100, p[3] = 255;
        }
    return px;
}

TEST(MakePowerOfTwo, PadsWithZeroBytesAndKeepsRowsInPlace) {
    int w = 3, h = 3;
    auto* px = new unsigned char[27];
    for (int i = 0; i < 27; ++i)
        px[i] = uint8_t(i + 1);
    unsigned char* out = util::makePowerOfTwo(px, 3, w, h);
    ASSERT_EQ(w, 4);
    ASSERT_EQ(h, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            for (int k = 0; k < 3; ++k) {
                const int got = out[(y * 4 + x) * 3 + k];
                const int want = (x < 3 && y < 3) ? (y * 3 + x) * 3 + k + 1 : 0;
                EXPECT_EQ(got, want) << x << "," << y;
            }
    delete[] out;

    // Power-of-two sides: the same buffer back, sides untouched.
    w = 64, h = 1;
    px = new unsigned char[64];
    EXPECT_EQ(util::makePowerOfTwo(px, 1, w, h), px);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 1);
    delete[] px;
}

TEST_F(TextureTest, PngIsPaddedAndItsPaddingIsTransparentBlack) {
    put("grad.png", gfxtest::rgbaPng(100, 50, gradient(100, 50)));
    Texture t("grad.png");
    ASSERT_NE(t.id, 0u);
    EXPECT_EQ(t.format, 4);
    EXPECT_EQ(t.size.x, 100);
    EXPECT_EQ(t.size.y, 50);
    EXPECT_EQ(t.texSize.x, 128);
    EXPECT_EQ(t.texSize.y, 64);

    // Texel (x, y) lands on screen pixel (x, y): texture row 0 at the bottom of the quad.
    gfxtest::drawTexture(t.id, 0, 0, 128, 64, false);
    EXPECT_EQ(gfxtest::screenRgb(0, 0), 0x000064u);
    EXPECT_EQ(gfxtest::screenRgb(99, 49), 0x633164u);
    EXPECT_EQ(gfxtest::screenRgb(37, 12), 0x250c64u);
    for (auto [x, y] : {std::pair{100, 0}, {127, 63}, {0, 50}, {99, 63}, {127, 10}})
        EXPECT_EQ(gfxtest::screenRgb(x, y), 0u) << x << "," << y;

    // Blended over magenta the padding vanishes (alpha 0) and the image stays.
    gfxtest::drawTexture(t.id, 0, 100, 128, 64, true);
    EXPECT_EQ(gfxtest::screenRgb(120, 160), 0xff00ffu);
    EXPECT_EQ(gfxtest::screenRgb(5, 140), 0x052864u);
}

TEST_F(TextureTest, EveryChannelCountUploadsAsItsOwnKind) {
    // Grey + alpha must be grey with alpha, not 5-6-5 colour.
    gfxtest::PngSpec ga;
    ga.width = 2, ga.height = 2, ga.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    put("ga.png", gfxtest::encodePng(ga, {200, 255, 90, 0, 60, 255, 0, 255}));
    gfxtest::PngSpec grey = ga;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    put("g.png", gfxtest::encodePng(grey, {10, 20, 30, 40}));
    gfxtest::PngSpec rgb = ga;
    rgb.width = 3, rgb.height = 1, rgb.colorType = PNG_COLOR_TYPE_RGB;
    put("rgb.png", gfxtest::encodePng(rgb, {255, 0, 0, 0, 255, 0, 1, 2, 3}));

    Texture tga("ga.png"), tg("g.png"), trgb("rgb.png");
    EXPECT_EQ(tga.format, 2);
    EXPECT_EQ(tg.format, 1);
    EXPECT_EQ(trgb.format, 3);
    EXPECT_EQ(trgb.texSize.x, 4);
    gfxtest::drawTexture(tga.id, 0, 0, 2, 2, true);
    EXPECT_EQ(gfxtest::screenRgb(0, 0), 0xc8c8c8u);
    EXPECT_EQ(gfxtest::screenRgb(1, 0), 0xff00ffu); // alpha 0
    EXPECT_EQ(gfxtest::screenRgb(0, 1), 0x3c3c3cu);
    gfxtest::drawTexture(tg.id, 10, 0, 2, 2, false);
    EXPECT_EQ(gfxtest::screenRgb(11, 1), 0x282828u);
    gfxtest::drawTexture(trgb.id, 20, 0, 4, 1, false);
    EXPECT_EQ(gfxtest::screenRgb(20, 0), 0xff0000u);
    EXPECT_EQ(gfxtest::screenRgb(22, 0), 0x010203u);
    EXPECT_EQ(gfxtest::screenRgb(23, 0), 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, TheExtensionChoosesTheDecoder) {
    const Bytes png = gfxtest::rgbaPng(2, 2, Bytes(16, 255));
    const Bytes pvr = gfxtest::pvrFile(8, 8, 4, Bytes(32, 0), 32);
    put("nodot", png);
    put("pvr_named.PVR", pvr);
    put("png_named.PVR", png);
    put("photo.pvr", pvr);
    put("weird.jpg", png);
    gfxtest::LogCapture log;
    EXPECT_NE(Texture("nodot").id, 0u);
    EXPECT_EQ(Texture("pvr_named.PVR").id, 0u); // upper case is not "pvr": read as PNG, fails
    EXPECT_NE(Texture("png_named.PVR").id, 0u);
    EXPECT_NE(Texture("weird.jpg").id, 0u);
    Texture p("photo.pvr");
    EXPECT_NE(p.id, 0u);
    EXPECT_EQ(p.format, 4 | Texture::COMPRESSED);
    EXPECT_EQ(p.size.x, 8);
    EXPECT_EQ(p.texSize.y, 8);
    EXPECT_EQ(log.lines().size(), 2u); // the failed PVR-as-PNG: decoder + loader
}

TEST_F(TextureTest, BrokenAndMissingFilesGiveAnEmptyTextureAndAMessage) {
    const Bytes good = gfxtest::rgbaPng(8, 8, gradient(8, 8));
    put("empty.png", {});
    put("half.png", Bytes(good.begin(), good.begin() + good.size() / 2));
    Bytes crc = good;
    crc[good.size() - 20] ^= 1;
    put("crc.png", crc);
    put("short.pvr", gfxtest::pvrFile(8, 8, 4, {}, 0)); // exactly 52 bytes
    put("lying.pvr", gfxtest::pvrFile(8, 8, 4, Bytes(32, 1), 33));
    Bytes longHeader = gfxtest::pvrFile(8, 8, 4, Bytes(32, 1), 32);
    longHeader[0] = 0xF0, longHeader[1] = 0xFF; // header longer than the file
    put("long_header.pvr", longHeader);
    put("tiny.pvr", gfxtest::pvrFile(8, 8, 4, Bytes(31, 1), 31)); // fewer bytes than 8x8 needs
    put("odd.pvr", gfxtest::pvrFile(12, 8, 4, Bytes(64, 1), 64));
    put("rgba.pvr", gfxtest::pvrFile(8, 8, 32, Bytes(256, 1), 256));
    put("huge.pvr", gfxtest::pvrFile(8192, 8, 4, Bytes(32, 1), 32));
    for (const char* name :
         {"missing.png", "empty.png", "half.png", "crc.png", "short.pvr", "lying.pvr",
          "long_header.pvr", "tiny.pvr", "odd.pvr", "rgba.pvr", "huge.pvr"}) {
        gfxtest::LogCapture log;
        Texture t(name);
        EXPECT_EQ(t.id, 0u) << name;
        EXPECT_EQ(t.format, 0) << name;
        EXPECT_EQ(t.size.x, 0) << name;
        EXPECT_EQ(t.texSize.y, 0) << name;
        EXPECT_FALSE(log.lines().empty()) << name;
    }
}

TEST_F(TextureTest, CacheCountsAcquisitionsAndCleanupDeletesTheGlTexture) {
    put("a.png", gfxtest::rgbaPng(4, 4, gradient(4, 4)));
    Texture* t1 = texture_mgr.get("a.png");
    Texture* t2 = texture_mgr.get("a.png");
    ASSERT_EQ(t1, t2);
    ASSERT_NE(t1->id, 0u);
    const GLuint id = t1->id;
    EXPECT_EQ(texture_mgr.find("a.png")->refs, 2);

    texture_mgr.cleanup(); // still held
    ASSERT_NE(texture_mgr.find("a.png"), nullptr);
    EXPECT_TRUE(glIsTexture(id));

    texture_mgr.release(t1);
    texture_mgr.release(t2);
    EXPECT_EQ(texture_mgr.find("a.png")->refs, 0);
    EXPECT_TRUE(glIsTexture(id)); // release alone destroys nothing
    texture_mgr.cleanup();
    EXPECT_EQ(texture_mgr.find("a.png"), nullptr);
    EXPECT_FALSE(glIsTexture(id));

    // Over-release: the count goes below zero and the texture still goes at the next clean-up.
    Texture* t3 = texture_mgr.get("a.png");
    for (int i = 0; i < 3; ++i)
        texture_mgr.release(t3);
    EXPECT_EQ(texture_mgr.find("a.png")->refs, -2);
    texture_mgr.release(reinterpret_cast<Texture*>(0x1234)); // unknown: ignored
    texture_mgr.cleanup();
    EXPECT_EQ(texture_mgr.find("a.png"), nullptr);

    // A missing file is cached as an empty texture, never null.
    Texture* none = texture_mgr.get("nothing.png");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->id, 0u);
    EXPECT_EQ(texture_mgr.get("nothing.png"), none);
    EXPECT_EQ(texture_mgr.find("nothing.png")->refs, 2);
    texture_mgr.release(none);
    texture_mgr.release(none);
}

TEST_F(TextureTest, ReacquiredBeforeCleanupIsReusedWithoutReloading) {
    put("b.png", gfxtest::rgbaPng(4, 4, gradient(4, 4)));
    Texture* t = texture_mgr.get("b.png");
    const GLuint id = t->id;
    texture_mgr.release(t);
    std::remove((dir + "img/b.png").c_str()); // a reload would now fail
    Texture* again = texture_mgr.get("b.png");
    EXPECT_EQ(again, t);
    EXPECT_EQ(again->id, id);
    texture_mgr.cleanup();
    EXPECT_TRUE(glIsTexture(id));
    texture_mgr.release(again);
    texture_mgr.cleanup();
    // Gone now, and the next get loads from the (missing) file.
    Texture* reloaded = texture_mgr.get("b.png");
    EXPECT_EQ(reloaded->id, 0u);
    texture_mgr.release(reloaded);
}

TEST_F(TextureTest, NamesFromTheSharedFormatterAreSafe) {
    put("frame3.png", gfxtest::rgbaPng(2, 2, Bytes(16, 255)));
    Texture* t = texture_mgr.get(util::formatString("frame%d.png", 3).c_str());
    EXPECT_NE(t->id, 0u);
    EXPECT_NE(texture_mgr.find("frame3.png"), nullptr);
    texture_mgr.release(t);
}

} // namespace
