// PNG decoding of every kind of file, and of files that are broken.
#include "core/platform.h"
#include "gfx/image.h"
#include "gfx_test_support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

using gfxtest::encodePng;
using gfxtest::PngSpec;

namespace {

struct Decoded {
    std::vector<uint8_t> pixels;
    int width = -1, height = -1, components = -1;
    bool ok = false;
};

Decoded decode(const std::vector<uint8_t>& file) {
    Decoded d;
    unsigned char* p =
        platform::loadPng(file.data(), int(file.size()), d.width, d.height, d.components);
    if (p) {
        d.ok = true;
        d.pixels.assign(p, p + size_t(d.width) * d.height * d.components);
        delete[] p;
    }
    return d;
}

PngSpec spec(int w, int h, int type, int depth) {
    PngSpec s;
    s.width = w;
    s.height = h;
    s.colorType = type;
    s.bitDepth = depth;
    return s;
}

using Bytes = std::vector<uint8_t>;

TEST(Png, PaletteImagesBecomeRgbOrRgbaInChannelOrder) {
    PngSpec s = spec(3, 1, PNG_COLOR_TYPE_PALETTE, 8);
    s.palette = {255, 0, 0, 0, 255, 0, 10, 20, 30};
    Decoded d = decode(encodePng(s, {0, 1, 2}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.components, 3);
    EXPECT_EQ(d.pixels, (Bytes{255, 0, 0, 0, 255, 0, 10, 20, 30}));

    // Packed 2-bit indices with a transparency table: alpha for the first two entries only.
    s = spec(4, 1, PNG_COLOR_TYPE_PALETTE, 2);
    s.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    s.trnsAlpha = {0, 128};
    d = decode(encodePng(s, {0b00011000})); // indices 0, 1, 2, 0
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.components, 4);
    EXPECT_EQ(d.pixels, (Bytes{255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255, 255, 0, 0, 0}));
}

TEST(Png, GreyImagesOfEveryDepthWidenToOneByte) {
    Decoded d = decode(encodePng(spec(8, 1, PNG_COLOR_TYPE_GRAY, 1), {0b10100001}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.components, 1);
    EXPECT_EQ(d.pixels, (Bytes{255, 0, 255, 0, 0, 0, 0, 255}));

    d = decode(encodePng(spec(4, 1, PNG_COLOR_TYPE_GRAY, 4), {0x0F, 0x73}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.pixels, (Bytes{0, 255, 7 * 17, 3 * 17}));

    d = decode(
        encodePng(spec(3, 1, PNG_COLOR_TYPE_GRAY, 16), {0x00, 0x00, 0xFF, 0xFF, 0x80, 0x00}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.components, 1);
    ASSERT_EQ(d.pixels.size(), 3u);
    EXPECT_EQ(d.pixels[0], 0);
    EXPECT_EQ(d.pixels[1], 255);
    EXPECT_NEAR(d.pixels[2], 128, 1);

    // A transparency key on grey gives grey + alpha.
    PngSpec keyed = spec(2, 1, PNG_COLOR_TYPE_GRAY, 8);
    keyed.trnsGrey = 50;
    d = decode(encodePng(keyed, {50, 51}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.components, 2);
    EXPECT_EQ(d.pixels, (Bytes{50, 0, 51, 255}));
}

TEST(Png, GreyAlphaRgbAndRgbaKeepTheirChannels) {
    Decoded d = decode(encodePng(spec(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8), {10, 20, 30, 40}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.components, 2);
    EXPECT_EQ(d.pixels, (Bytes{10, 20, 30, 40}));

    d = decode(
        encodePng(spec(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16), {0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0xFF}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.pixels, (Bytes{255, 0, 0, 255}));

    // Three-byte rows of odd length come out packed, red first.
    d = decode(encodePng(spec(3, 2, PNG_COLOR_TYPE_RGB, 8),
                         {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.components, 3);
    EXPECT_EQ(d.pixels, (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    d = decode(encodePng(spec(1, 1, PNG_COLOR_TYPE_RGB, 16), {0xFF, 0xFF, 0, 0, 0, 0}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.pixels, (Bytes{255, 0, 0}));

    d = decode(encodePng(spec(2, 1, PNG_COLOR_TYPE_RGBA, 8), {1, 2, 3, 4, 250, 251, 252, 0}));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.components, 4);
    EXPECT_EQ(d.pixels, (Bytes{1, 2, 3, 4, 250, 251, 252, 0}));

    d = decode(
        encodePng(spec(1, 1, PNG_COLOR_TYPE_RGBA, 16), {0, 0, 0, 0, 0xFF, 0xFF, 0x80, 0x00}));
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.pixels.size(), 4u);
    EXPECT_EQ(d.pixels[0], 0);
    EXPECT_EQ(d.pixels[2], 255);
    EXPECT_NEAR(d.pixels[3], 128, 1);
}

TEST(Png, InterlacedDecodesToTheSamePixelsRowsTopFirst) {
    const int w = 9, h = 7; // odd sides leave some interlace passes partly empty
    Bytes rgba(size_t(w) * h * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = uint8_t(i * 7 + 3);
    PngSpec s = spec(w, h, PNG_COLOR_TYPE_RGBA, 8);
    Decoded plain = decode(encodePng(s, rgba));
    s.interlaced = true;
    Decoded laced = decode(encodePng(s, rgba));
    ASSERT_TRUE(plain.ok);
    ASSERT_TRUE(laced.ok);
    EXPECT_EQ(plain.pixels, rgba); // row 0 of the file is row 0 of the buffer
    EXPECT_EQ(laced.pixels, rgba);
    EXPECT_EQ(laced.width, w);
    EXPECT_EQ(laced.height, h);
}

// Rewrites the CRC of the chunk starting at offset (length field first).
void fixCrc(Bytes& f, size_t offset) {
    const uint32_t len =
        uint32_t(f[offset]) << 24 | f[offset + 1] << 16 | f[offset + 2] << 8 | f[offset + 3];
    const uint32_t crc = uint32_t(crc32(0, f.data() + offset + 4, len + 4));
    for (int i = 0; i < 4; ++i)
        f[offset + 8 + len + i] = uint8_t(crc >> (24 - 8 * i));
}

TEST(Png, BrokenFilesGiveNoPixelsAndAMessage) {
    gfxtest::LogCapture log;
    Bytes good = gfxtest::rgbaPng(4, 4, Bytes(64, 200));
    ASSERT_TRUE(decode(good).ok);
    int w = 0, h = 0, c = 0;

    EXPECT_EQ(platform::loadPng(good.data(), 0, w, h, c), nullptr);
    EXPECT_EQ(platform::loadPng(nullptr, 0, w, h, c), nullptr);
    EXPECT_FALSE(decode(Bytes(good.begin(), good.begin() + good.size() / 2)).ok);
    EXPECT_FALSE(decode(Bytes(good.begin(), good.begin() + 20)).ok);
    EXPECT_FALSE(decode(Bytes(100, 0x42)).ok);

    Bytes badCrc = good;
    badCrc[good.size() - 20] ^= 0x55; // inside the image data
    EXPECT_FALSE(decode(badCrc).ok);

    // Absurd sides, with a correct header CRC so only the size is wrong.
    for (uint32_t side : {100000u, 4097u, 0x7FFFFFFFu}) {
        Bytes huge = good;
        for (int i = 0; i < 4; ++i)
            huge[16 + i] = uint8_t(side >> (24 - 8 * i));
        fixCrc(huge, 8);
        EXPECT_FALSE(decode(huge).ok) << side;
    }
    EXPECT_GE(log.lines().size(), 8u);
    EXPECT_EQ(w, 0); // failures leave the outputs alone
    EXPECT_EQ(h, 0);
}

TEST(Png, SidesUpTo4096AreAccepted) {
    Decoded d = decode(encodePng(spec(4096, 1, PNG_COLOR_TYPE_GRAY, 8), Bytes(4096, 9)));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.width, 4096);
    d = decode(encodePng(spec(4097, 1, PNG_COLOR_TYPE_GRAY, 8), Bytes(4097, 9)));
    EXPECT_FALSE(d.ok);
}

} // namespace
