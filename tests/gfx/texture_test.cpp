// Textures: loading from the resource folder, padding, upload of every kind, and the cache.
#include "core/util.h"
#include "gfx_test_support.h"

#include <cstdio>

namespace {

using gfxtest::Bytes;
using gfxtest::drawTexture;
using gfxtest::encodePng;
using gfxtest::screenRgb;

class TextureTest : public gfxtest::GfxTest {};

// An image of w x h whose pixel (x, y) is (x, y, 100, 255).
Bytes gradient(int w, int h) {
    Bytes px;
    for (int i = 0; i < w * h; ++i)
        px.insert(px.end(), {uint8_t(i % w), uint8_t(i / w), 100, 255});
    return px;
}

TEST_F(TextureTest, ImagesArePaddedWithTransparentBlackAndUploadedByKind) {
    clear(0xff00ff);
    put("grad.png", gfxtest::rgbaPng(100, 50, gradient(100, 50)));
    Texture t("grad.png");
    EXPECT_EQ(std::tuple(t.size.x, t.size.y, t.texSize.x, t.texSize.y),
              std::tuple(100, 50, 128, 64));
    drawTexture(t.id, 0, 0, 128, 64, false);  // texel (x, y) on screen pixel (x, y)
    drawTexture(t.id, 0, 100, 128, 64, true); // blended: the padding vanishes
    // Grey + alpha must be grey with alpha, not 5-6-5 colour; grey and RGB keep their kinds.
    put("ga.png", encodePng({2, 2, PNG_COLOR_TYPE_GRAY_ALPHA}, {200, 255, 90, 0, 60, 255, 0, 255}));
    put("g.png", encodePng({2, 2, PNG_COLOR_TYPE_GRAY}, {10, 20, 30, 40}));
    put("rgb.png", encodePng({3, 1, PNG_COLOR_TYPE_RGB}, {255, 0, 0, 0, 255, 0, 1, 2, 3}));
    Texture ga("ga.png"), g("g.png"), rgb("rgb.png");
    EXPECT_EQ(std::tuple(ga.format, g.format, rgb.format), std::tuple(2, 1, 3));
    drawTexture(ga.id, 0, 200, 2, 2, true);
    drawTexture(g.id, 10, 200, 2, 2, false);
    drawTexture(rgb.id, 20, 200, 4, 1, false);
    for (auto [x, y, want] : {std::tuple{0, 0, 0x000064u},
                              {99, 49, 0x633164u},
                              {100, 0, 0u},
                              {127, 63, 0u},
                              {0, 50, 0u},
                              {99, 63, 0u},
                              {120, 160, 0xff00ffu},
                              {5, 140, 0x052864u},
                              {0, 200, 0xc8c8c8u},
                              {1, 200, 0xff00ffu},
                              {0, 201, 0x3c3c3cu},
                              {11, 201, 0x282828u},
                              {20, 200, 0xff0000u},
                              {22, 200, 0x010203u},
                              {23, 200, 0u}})
        EXPECT_EQ(screenRgb(x, y), want) << x << "," << y;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, OnlyTheExactExtensionPvrChoosesThePvrDecoder) {
    const Bytes png = gfxtest::rgbaPng(2, 2, Bytes(16, 255));
    const Bytes pvr = gfxtest::pvrFile(8, 8, 4, Bytes(32, 0), 32);
    for (auto [name, bytes, loads] : {std::tuple{"nodot", png, true},
                                      {"a.jpg", png, true},
                                      {"png.PVR", png, true},
                                      {"pvr.PVR", pvr, false},
                                      {"pvr.pvr", pvr, true}}) {
        put(name, bytes);
        EXPECT_EQ(Texture(name).id != 0, loads) << name;
    }
}

TEST_F(TextureTest, BrokenAndMissingFilesGiveAnEmptyTextureAndAMessage) {
    const Bytes good = gfxtest::rgbaPng(8, 8, gradient(8, 8));
    Bytes crc = good, longHeader = gfxtest::pvrFile(8, 8, 4, Bytes(32, 1), 32);
    crc[good.size() - 20] ^= 1;
    longHeader[0] = 0xF0, longHeader[1] = 0xFF; // header longer than the file
    const std::pair<const char*, Bytes> files[] = {
        {"empty.png", {}},
        {"half.png", Bytes(good.begin(), good.begin() + good.size() / 2)},
        {"crc.png", crc},
        {"short.pvr", gfxtest::pvrFile(8, 8, 4, {}, 0)},            // header only
        {"lying.pvr", gfxtest::pvrFile(8, 8, 4, Bytes(32, 1), 33)}, // data past the end
        {"long_header.pvr", longHeader},
        {"tiny.pvr", gfxtest::pvrFile(8, 8, 4, Bytes(31, 1), 31)}, // less than 8 x 8 needs
        {"odd.pvr", gfxtest::pvrFile(12, 8, 4, Bytes(64, 1), 64)},
        {"rgba.pvr", gfxtest::pvrFile(8, 8, 32, Bytes(256, 1), 256)},
        {"huge.pvr", gfxtest::pvrFile(8192, 8, 4, Bytes(32, 1), 32)},
        {"missing.png", {}}};
    for (const auto& [name, bytes] : files) {
        if (name != std::string("missing.png")) put(name, bytes);
        gfxtest::LogCapture log;
        Texture t(name);
        EXPECT_EQ(std::tuple(t.id, t.format, t.size.x, t.texSize.y), std::tuple(0u, 0, 0, 0))
            << name;
        EXPECT_FALSE(log.lines.empty()) << name;
    }
}

TEST_F(TextureTest, CacheCountsReusesAndDeletesTheGlTexture) {
    put("a.png", gfxtest::rgbaPng(4, 4, gradient(4, 4)));
    Texture* t = texture_mgr.get(util::formatString("a%s", ".png").c_str());
    ASSERT_EQ(texture_mgr.get("a.png"), t);
    const GLuint id = t->id;
    EXPECT_EQ(texture_mgr.find("a.png")->refs, 2);
    texture_mgr.release(t);
    texture_mgr.cleanup(); // still held once
    EXPECT_TRUE(glIsTexture(id));
    texture_mgr.release(t);
    EXPECT_TRUE(glIsTexture(id)); // release alone destroys nothing

    // Acquired again before the clean-up: the same texture, not reloaded from the (gone) file.
    std::remove((dir + "img/a.png").c_str());
    EXPECT_EQ(texture_mgr.get("a.png"), t);
    EXPECT_EQ(t->id, id);
    for (int i = 0; i < 3; ++i) // over-released: the count goes below zero
        texture_mgr.release(t);
    EXPECT_EQ(texture_mgr.find("a.png")->refs, -2);
    texture_mgr.release(reinterpret_cast<Texture*>(0x1234)); // unknown: ignored
    texture_mgr.cleanup();
    EXPECT_EQ(texture_mgr.find("a.png"), nullptr);
    EXPECT_FALSE(glIsTexture(id));

    // A missing file is cached as an empty texture, never null.
    Texture* none = texture_mgr.get("a.png");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->id, 0u);
    texture_mgr.release(none);
}

} // namespace
