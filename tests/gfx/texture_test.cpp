// SPDX-License-Identifier: MIT
// Textures: loading from the resource folder, padding, upload of every kind, and the cache.
#include "core/util.h"
#include "support/gfx.h"

#include <cstdio>

namespace {

using gfxtest::Bytes;
using gfxtest::drawTexture;
using gfxtest::encodePng;

class TextureTest : public gfxtest::GfxTest {};

// An image of w x h whose pixel (x, y) is (x, y, 100, 255).
Bytes gradient(int w, int h) {
    Bytes px;
    for (int i = 0; i < w * h; ++i)
        px.insert(px.end(), {uint8_t(i % w), uint8_t(i / w), 100, 255});
    return px;
}

TEST_F(TextureTest, ImagesArePaddedWithTransparentBlackUploadedByKindAndFittedToo) {
    clear(0xff00ff);
    put("grad.png", encodePng({100, 50}, gradient(100, 50)));
    Texture t("grad.png");
    EXPECT_EQ(std::tuple(t.size.x, t.size.y, t.texSize.x, t.texSize.y),
              std::tuple(100, 50, 128, 64));
    drawTexture(t.id, 0, 0, 128, 64, false);  // texel (x, y) on screen pixel (x, y)
    drawTexture(t.id, 0, 100, 128, 64, true); // blended: the padding vanishes
    // Grey + alpha must be grey with alpha, not 5-6-5 colour; grey keeps its kind, RGB gets an
    // opaque alpha.
    put("ga.png", encodePng({2, 2, PNG_COLOR_TYPE_GRAY_ALPHA}, {200, 255, 90, 0, 60, 255, 0, 255}));
    put("g.png", encodePng({2, 2, PNG_COLOR_TYPE_GRAY}, {10, 20, 30, 40}));
    put("rgb.png", encodePng({3, 1, PNG_COLOR_TYPE_RGB}, {255, 0, 0, 0, 255, 0, 1, 2, 3}));
    Texture ga("ga.png"), g("g.png"), rgb("rgb.png");
    EXPECT_EQ(std::tuple(ga.format, g.format, rgb.format), std::tuple(2, 1, 4));
    drawTexture(ga.id, 0, 200, 2, 2, true);
    drawTexture(g.id, 10, 200, 2, 2, false);
    drawTexture(rgb.id, 20, 200, 4, 1, false);
    gfxtest::expectScreen({0,   0,   0x000064, 99, 49,  0x633164, 100, 0,   0,
                           127, 63,  0,        0,  50,  0,        99,  63,  0,
                           120, 160, 0xff00ff, 5,  140, 0x052864, 0,   200, 0xc8c8c8,
                           1,   200, 0xff00ff, 0,  201, 0x3c3c3c, 11,  201, 0x282828,
                           20,  200, 0xff0000, 22, 200, 0x010203, 23,  200, 0});
    // A fitted texture (one texel of padding) filters like the power-of-two one wherever it is
    // drawn upright, at any scale and offset: the same pixels, edges included.
    clear(0xff00ff);
    Texture fit("grad.png", true);
    EXPECT_EQ(std::pair(fit.texSize.x, fit.texSize.y), std::pair(101, 51));
    for (const Texture* f : {&t, &fit})
        drawTexture(f->id, f == &t ? 0.25f : 160.25f, 0.5f, 150.5f, 75.25f, true,
                    100.0f / float(f->texSize.x), 50.0f / float(f->texSize.y), GL_LINEAR);
    const std::vector<uint8_t> px = testgl::readPixels();
    const int bottom = testgl::height() - 1;
    int differ = 0;
    for (int y = bottom - 80; y <= bottom; ++y)
        for (int x = 0; x < 155; ++x)
            differ += testgl::rgbAt(px, x, y) != testgl::rgbAt(px, x + 160, y);
    EXPECT_EQ(differ, 0);
    EXPECT_NE(testgl::rgbAt(px, 0, bottom), testgl::rgbAt(px, 159, bottom));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A released large texture keeps its storage for the next RGBA picture of its very size; small
// ones, and the oldest of too many, are deleted.
TEST_F(TextureTest, AReleasedLargeTextureLendsItsStorageToTheNextPictureOfItsSize) {
    clear(0xff00ff);
    put("big.png", encodePng({200, 100}, gradient(200, 100)));
    put("rgb.png", encodePng({200, 100, PNG_COLOR_TYPE_RGB}, Bytes(200 * 100 * 3, 7)));
    put("small.png", encodePng({8, 8}, gradient(8, 8)));
    put("short.png", encodePng({200, 60}, gradient(200, 60)));
    Texture big("big.png", true), small("small.png", true);
    gfx::releaseTexture(big.id, big.texSize.x, big.texSize.y);
    gfx::releaseTexture(small.id, small.texSize.x, small.texSize.y);
    EXPECT_FALSE(glIsTexture(small.id));
    Texture other("short.png", true); // 201 x 61: another size
    Texture fit("rgb.png", true);
    EXPECT_EQ(std::pair(other.id != big.id, fit.id), std::pair(true, big.id));
    drawTexture(fit.id, 0, 0, 201, 101, true); // its pixels, and its padding transparent
    gfxtest::expectScreen(
        {0, 0, 0x070707, 199, 99, 0x070707, 200, 50, 0xff00ff, 100, 100, 0xff00ff});
    Texture others[3] = {Texture("big.png", true), Texture("big.png", true),
                         Texture("big.png", true)};
    for (const Texture& t : others)
        gfx::releaseTexture(t.id, t.texSize.x, t.texSize.y);
    EXPECT_EQ(
        std::tuple(glIsTexture(others[0].id), glIsTexture(others[1].id), glIsTexture(others[2].id)),
        std::tuple(GL_FALSE, GL_TRUE, GL_TRUE));
    EXPECT_EQ(Texture("big.png", true).id, others[1].id);
    EXPECT_EQ(Texture("big.png", true).id, others[2].id); // none left waiting
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, BrokenAndMissingFilesGiveAnEmptyTextureAndOneMessageWithTheReason) {
    using gfxtest::pvrFile;
    const Bytes good = encodePng({8, 8}, gradient(8, 8)), data(32, 1);
    std::vector<std::pair<const char*, Bytes>> files = {
        {"png", {}}, // missing: the only one not written
        {"png", {}},
        {"png", Bytes(good.begin(), good.begin() + good.size() / 2)},
        {"png", Bytes(good.begin(), good.begin() + 20)},
        {"png", Bytes(100, 0x42)},
        {"png", good},                                      // with a bad CRC below
        {"pvr", pvrFile(8, 8, 4, {}, 0)},                   // header only
        {"pvr", pvrFile(8, 8, 4, data, 33)},                // data past the end
        {"pvr", pvrFile(8, 8, 4, data, 32)},                // header longer than the file, below
        {"pvr", pvrFile(8, 8, 4, Bytes(31, 1), 31)},        // less than 8 x 8 needs
        {"pvr", pvrFile(12, 8, 4, Bytes(64, 1), 64)},       // not a power of two
        {"pvr", pvrFile(8, 8, 32, Bytes(256, 1), 256)},     // not PVRTC
        {"pvr", pvrFile(8192, 8, 4, Bytes(32768), 32768)}}; // too large
    files[5].second[good.size() - 20] ^= 1;
    files[8].second[0] = 0xF0, files[8].second[1] = 0xFF;
    for (auto [w, h] : {std::pair{4097, 1}, {1, 5000}}) // a side above 4096
        files.emplace_back("png", encodePng({w, h, PNG_COLOR_TYPE_GRAY}, Bytes(size_t(w) * h)));
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string name = "case" + std::to_string(i) + "." + files[i].first;
        if (i > 0) put(name, files[i].second);
        log.clear();
        Texture t(name.c_str());
        EXPECT_EQ(std::tuple(t.id, t.format, t.size.x, t.texSize.y), std::tuple(0u, 0, 0, 0))
            << name;
        // One line, naming the file and saying why.
        ASSERT_EQ(log.size(), 1u) << name;
        EXPECT_NE(log[0].find(dir + "img/" + name + ": "), std::string::npos) << log[0];
    }
}

TEST_F(TextureTest, CacheCountsReusesAndDeletesTheGlTexture) {
    put("a.png", encodePng({4, 4}, gradient(4, 4)));
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
    EXPECT_EQ(std::pair(texture_mgr.get("a.png"), t->id), std::pair(t, id));
    for (int i = 0; i < 3; ++i) // over-released: the count goes below zero
        texture_mgr.release(t);
    EXPECT_EQ(texture_mgr.find("a.png")->refs, -2);
    texture_mgr.release(reinterpret_cast<Texture*>(0x1234)); // unknown: ignored
    texture_mgr.cleanup();
    EXPECT_EQ(texture_mgr.find("a.png"), nullptr);
    EXPECT_FALSE(glIsTexture(id));
}

} // namespace
