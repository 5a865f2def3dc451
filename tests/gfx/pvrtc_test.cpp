// The software PVRTC decoder, on blocks built by hand from the format's bit layout.
#include "core/platform.h"
#include "gfx/image.h"
#include "gfx/texture.h"
#include "gfx_test_support.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using Bytes = std::vector<uint8_t>;

// Colour words: colour B in the top half, colour A below, bit 0 the mode.
constexpr uint32_t WHITE_ON_BLACK = 0xFFFF8000u; // A opaque black, B opaque white
constexpr uint32_t RED = 0xFC00FC00u;            // both opaque red
constexpr uint32_t BLACK = 0x80008000u;          // both opaque black

void putBlock(Bytes& data, int index, uint32_t modulation, uint32_t colour) {
    for (int b = 0; b < 4; ++b) {
        data[size_t(index) * 8 + b] = uint8_t(modulation >> (8 * b));
        data[size_t(index) * 8 + 4 + b] = uint8_t(colour >> (8 * b));
    }
}

struct Image {
    std::unique_ptr<unsigned char[]> px;
    int w;
    const unsigned char* at(int x, int y) const { return px.get() + (size_t(y) * w + x) * 4; }
    uint32_t rgba(int x, int y) const {
        const unsigned char* p = at(x, y);
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    }
};

Image decode(const Bytes& data, int bits, int w, int h) {
    EXPECT_GE(data.size(), size_t(image::pvrtcSize(bits, w, h)));
    return {std::unique_ptr<unsigned char[]>(image::decodePvrtc(data.data(), bits, w, h)), w};
}

TEST(Pvrtc, DataSizesFollowTheBlockGrid) {
    EXPECT_EQ(image::pvrtcSize(4, 8, 8), 32);
    EXPECT_EQ(image::pvrtcSize(4, 4, 4), 32); // at least 2 x 2 blocks
    EXPECT_EQ(image::pvrtcSize(4, 256, 128), 256 * 128 / 2);
    EXPECT_EQ(image::pvrtcSize(2, 16, 8), 32);
    EXPECT_EQ(image::pvrtcSize(2, 8, 8), 32);
    EXPECT_EQ(image::pvrtcSize(2, 256, 256), 256 * 256 / 4);
}

TEST(Pvrtc, FourBitModulationPicksBetweenTheTwoColours) {
    Bytes data(32);
    putBlock(data, 0, 0xFFFFFFFFu, WHITE_ON_BLACK);     // all "3": colour B
    putBlock(data, 1, 0x00000000u, WHITE_ON_BLACK);     // all "0": colour A
    putBlock(data, 2, 0x55555555u, WHITE_ON_BLACK);     // all "1": 3/8 of the way
    putBlock(data, 3, 0xAAAAAAAAu, WHITE_ON_BLACK | 1); // punch-through mode, all "2"
    Image img = decode(data, 4, 8, 8);
    // Blocks are stored twiddled: index 1 is the block below index 0, index 2 the one right.
    EXPECT_EQ(img.rgba(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(img.rgba(1, 5), 0x000000FFu);
    EXPECT_EQ(img.rgba(6, 2), 0x606060FFu); // 255 * 3 / 8, rounded
    EXPECT_EQ(img.at(6, 6)[3], 0);          // punched through
    EXPECT_EQ(img.at(6, 6)[0], 128);        // halfway
}

TEST(Pvrtc, ColoursBlendBilinearlyBetweenBlockCentresAndWrap) {
    Bytes data(32);
    for (int i = 0; i < 4; ++i)
        putBlock(data, i, 0, BLACK);
    putBlock(data, 2, 0, RED); // block (1, 0)
    Image img = decode(data, 4, 8, 8);
    EXPECT_EQ(img.rgba(6, 2), 0xFF0000FFu); // the block's centre is pure
    EXPECT_EQ(img.rgba(4, 2), 0x800000FFu); // halfway to the block on its left
    EXPECT_EQ(img.rgba(6, 4), 0x800000FFu); // halfway to the block below
    // The left edge wraps around to the right-hand block.
    EXPECT_EQ(img.rgba(0, 2), 0x800000FFu);
    EXPECT_EQ(img.rgba(2, 2), 0x000000FFu);
}

TEST(Pvrtc, NonSquareGridsTwiddleTheSurplusBits) {
    // 32 x 8 at 4 bpp: 8 x 2 blocks; block (x, y) sits at index (x >> 1) * 4 + (x & 1) * 2 + y.
    Bytes data(size_t(image::pvrtcSize(4, 32, 8)));
    for (int i = 0; i < 16; ++i)
        putBlock(data, i, 0, BLACK);
    putBlock(data, 13, 0xFFFFFFFFu, WHITE_ON_BLACK); // block (6, 1): 3*4 + 0*2 + 1
    Image img = decode(data, 4, 32, 8);
    EXPECT_EQ(img.rgba(26, 6), 0xFFFFFFFFu); // the block's centre
    EXPECT_EQ(img.rgba(29, 5), 0x000000FFu);
    EXPECT_EQ(img.rgba(25, 1), 0x000000FFu);
}

TEST(Pvrtc, TwoBitBlocksUseOneBitOrInterpolatedModulation) {
    Bytes data(32);                                     // 16 x 8: 2 x 2 blocks of 8 x 4
    putBlock(data, 0, 0x0000000Fu, WHITE_ON_BLACK);     // one bit a pixel: first 4 of row 0
    putBlock(data, 1, 0, WHITE_ON_BLACK);               // block (0, 1): all A
    putBlock(data, 2, 0, WHITE_ON_BLACK);               // block (1, 0): all A
    putBlock(data, 3, 0xFFFFFFFEu, WHITE_ON_BLACK | 1); // interpolated, all stored values "3"
    Image img = decode(data, 2, 16, 8);
    EXPECT_EQ(img.rgba(3, 0), 0xFFFFFFFFu);
    EXPECT_EQ(img.rgba(4, 0), 0x000000FFu);
    EXPECT_EQ(img.rgba(0, 1), 0x000000FFu);
    // Block (1, 1) covers x 8..15, y 4..7. Its stored pixels are white; the others average
    // their four neighbours, which at the block's edges lie in the black blocks around it.
    EXPECT_EQ(img.rgba(10, 6), 0xFFFFFFFFu);
    EXPECT_EQ(img.rgba(11, 6), 0xFFFFFFFFu);
    EXPECT_EQ(img.rgba(9, 4), 0xBFBFBFFFu);  // up neighbour is in block (1, 0): (8+8+8+0)/4 = 6
    EXPECT_EQ(img.rgba(15, 6), 0xBFBFBFFFu); // right neighbour wraps to block (0, 1)
}

TEST(Pvrtc, PvrFilesDrawThroughTheSoftwareDecoder) {
    ASSERT_TRUE(gfxtest::setupScreen());
    const std::string dir = gfxtest::makeResourceDir();
    Bytes data(32);
    putBlock(data, 0, 0xFFFFFFFFu, WHITE_ON_BLACK);
    putBlock(data, 1, 0, WHITE_ON_BLACK);
    putBlock(data, 2, 0, WHITE_ON_BLACK);
    putBlock(data, 3, 0xFFFFFFFFu, WHITE_ON_BLACK);
    data.resize(48, 0x77); // extra levels after the first are ignored
    gfxtest::writeFile(dir + "img/check.pvr", gfxtest::pvrFile(8, 8, 4, data, 48));
    Texture t("check.pvr");
    ASSERT_NE(t.id, 0u);
    gfxtest::drawTexture(t.id, 0, 0, 8, 8, false);
    EXPECT_EQ(gfxtest::screenRgb(1, 1), 0xFFFFFFu);
    EXPECT_EQ(gfxtest::screenRgb(1, 6), 0u);
    EXPECT_EQ(gfxtest::screenRgb(6, 1), 0u);
    EXPECT_EQ(gfxtest::screenRgb(6, 6), 0xFFFFFFu);
    gfxtest::removeResourceDir(dir);
}

} // namespace
