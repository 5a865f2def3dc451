// PNG decoding of every kind of file, and of files that are broken.
#include "gfx/image.h"
#include "gfx_test_support.h"

#include <zlib.h>

namespace {

using gfxtest::Bytes;

// The decoded pixels, empty when nothing came out; components and sides through the others.
Bytes decode(const Bytes& file, int* components = nullptr, int* side = nullptr) {
    int w = 0, h = 0, c = 0;
    std::unique_ptr<unsigned char[]> p(platform::loadPng(file.data(), int(file.size()), w, h, c));
    if (components) *components = c;
    if (side) *side = w * 1000 + h;
    return p ? Bytes(p.get(), p.get() + size_t(w) * h * c) : Bytes();
}

TEST(Png, EveryKindDecodesToEightBitChannelsInOrder) {
    const std::vector<png_color> pal = {{255, 0, 0}, {0, 255, 0}, {10, 20, 30}};
    const int PAL = PNG_COLOR_TYPE_PALETTE, GREY = PNG_COLOR_TYPE_GRAY,
              GA = PNG_COLOR_TYPE_GRAY_ALPHA, RGB = PNG_COLOR_TYPE_RGB;
    const struct {
        const char* name;
        gfxtest::PngSpec spec;
        Bytes rows, want; // want holds w * h * components bytes
    } cases[] = {
        // clang-format off
        {"palette", {3, 1, PAL, 8, false, pal}, {0, 1, 2}, {255, 0, 0, 0, 255, 0, 10, 20, 30}},
        {"2-bit palette, alpha for two entries", {4, 1, PAL, 2, false, pal, {0, 128}}, {0b00011000},
         {255, 0, 0, 0, 0, 255, 0, 128, 10, 20, 30, 255, 255, 0, 0, 0}},
        {"1-bit grey", {8, 1, GREY, 1}, {0b10100001}, {255, 0, 255, 0, 0, 0, 0, 255}},
        {"16-bit grey", {3, 1, GREY, 16}, {0, 0, 255, 255, 0x80, 0x80}, {0, 255, 128}},
        {"grey with a key", {2, 1, GREY, 8, false, {}, {}, 50}, {50, 51}, {50, 0, 51, 255}},
        {"grey + alpha", {2, 1, GA, 8}, {10, 20, 30, 40}, {10, 20, 30, 40}},
        {"RGB, odd rows", {3, 2, RGB, 8}, {9, 0, 0, 0, 9, 0, 0, 0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9},
         {9, 0, 0, 0, 9, 0, 0, 0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"RGBA", {2, 1, PNG_COLOR_TYPE_RGBA, 8}, {1, 2, 3, 4, 250, 251, 252, 0},
         {1, 2, 3, 4, 250, 251, 252, 0}},
        {"16-bit RGBA", {1, 1, PNG_COLOR_TYPE_RGBA, 16}, {0, 0, 0, 0, 255, 255, 0x80, 0x80},
         {0, 0, 255, 128}},
        // clang-format on
    };
    for (const auto& c : cases) {
        int components = 0;
        EXPECT_EQ(decode(gfxtest::encodePng(c.spec, c.rows), &components), c.want) << c.name;
        EXPECT_EQ(components * c.spec.width * c.spec.height, int(c.want.size())) << c.name;
    }
    // Interlaced or not, rows come out top first; odd sides leave some passes partly empty.
    Bytes rgba(9 * 7 * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = uint8_t(i * 7 + 3);
    for (bool interlaced : {false, true}) {
        int side = 0;
        EXPECT_EQ(decode(gfxtest::encodePng({9, 7, PNG_COLOR_TYPE_RGBA, 8, interlaced}, rgba),
                         nullptr, &side),
                  rgba)
            << "interlaced " << interlaced;
        EXPECT_EQ(side, 9007) << "interlaced " << interlaced;
    }
}

TEST(Png, BrokenFilesGiveNoPixelsAndAMessage) {
    gfxtest::LogCapture log;
    const Bytes good = gfxtest::rgbaPng(4, 4, Bytes(64, 200));
    ASSERT_FALSE(decode(good).empty());
    Bytes badCrc = good;
    badCrc[good.size() - 20] ^= 0x55; // inside the image data
    std::vector<Bytes> broken = {{},
                                 Bytes(good.begin(), good.begin() + good.size() / 2),
                                 Bytes(good.begin(), good.begin() + 20),
                                 Bytes(100, 0x42),
                                 badCrc};
    for (uint32_t side : {4097u, 100000u, 0x7FFFFFFFu}) { // absurd, with a sound header CRC
        Bytes huge = good;
        for (int i = 0; i < 4; ++i)
            huge[16 + i] = uint8_t(side >> (24 - 8 * i));
        const uint32_t crc = uint32_t(crc32(0, huge.data() + 12, 17));
        for (int i = 0; i < 4; ++i)
            huge[29 + i] = uint8_t(crc >> (24 - 8 * i));
        broken.push_back(huge);
    }
    for (size_t i = 0; i < broken.size(); ++i) {
        log.lines.clear();
        EXPECT_TRUE(decode(broken[i]).empty()) << "case " << i;
        EXPECT_FALSE(log.lines.empty()) << "case " << i;
    }
    // The largest side allowed still decodes.
    EXPECT_FALSE(
        decode(gfxtest::encodePng({4096, 1, PNG_COLOR_TYPE_GRAY}, Bytes(4096, 9))).empty());
}

} // namespace
