// SPDX-License-Identifier: MIT
// Decoding images: PNG of every kind (broken ones are loaded as textures) and PVRTC data, the
// latter on blocks built by hand from the format's bit layout.
#include "gfx/image.h"
#include "support/gfx.h"

#include <cstring>

namespace {

using gfxtest::Bytes;

// The decoded pixels, empty when nothing came out, and the bytes per pixel.
std::pair<Bytes, int> decode(const Bytes& file) {
    int w = 0, h = 0, c = 0;
    std::unique_ptr<unsigned char[]> p(platform::loadPng(file.data(), int(file.size()), w, h, c));
    return {p ? Bytes(p.get(), p.get() + size_t(w) * h * c) : Bytes(), c};
}

TEST(Png, EveryKindDecodesToEightBitChannelsInOrder) {
    const std::vector<png_color> pal = {{255, 0, 0}, {0, 255, 0}, {10, 20, 30}};
    const int PAL = PNG_COLOR_TYPE_PALETTE, GREY = PNG_COLOR_TYPE_GRAY,
              GA = PNG_COLOR_TYPE_GRAY_ALPHA, RGB = PNG_COLOR_TYPE_RGB, RGBA = PNG_COLOR_TYPE_RGBA;
    const struct {
        const char* name;
        gfxtest::PngKind kind;
        Bytes rows, want; // want: w * h * components bytes, or empty for the rows themselves
    } cases[] = {
        // clang-format off
        {"palette", {3, 1, PAL, 8, false, pal}, {0, 1, 2}, {255, 0, 0, 0, 255, 0, 10, 20, 30}},
        {"2-bit palette, alpha for two entries", {4, 1, PAL, 2, false, pal, {0, 128}}, {0b00011000},
         {255, 0, 0, 0, 0, 255, 0, 128, 10, 20, 30, 255, 255, 0, 0, 0}},
        {"1-bit grey", {8, 1, GREY, 1}, {0b10100001}, {255, 0, 255, 0, 0, 0, 0, 255}},
        {"16-bit grey", {3, 1, GREY, 16}, {0, 0, 255, 255, 0x80, 0x80}, {0, 255, 128}},
        {"grey with a key", {2, 1, GREY, 8, false, {}, {50}}, {50, 51}, {50, 0, 51, 255}},
        {"grey + alpha", {2, 1, GA, 8}, {10, 20, 30, 40}, {}},
        {"RGB, odd rows", {3, 2, RGB, 8}, {9, 0, 0, 0, 9, 0, 0, 0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {}},
        {"RGBA", {2, 1, RGBA, 8}, {1, 2, 3, 4, 250, 251, 252, 0}, {}},
        {"16-bit RGBA", {1, 1, RGBA, 16}, {0, 0, 0, 0, 255, 255, 0x80, 0x80}, {0, 0, 255, 128}},
        // Odd sides leave some Adam7 passes partly empty.
        {"interlaced", {3, 3, RGB, 8, true}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                                               16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27}, {}},
        // clang-format on
    };
    for (const auto& c : cases) {
        const Bytes& want = c.want.empty() ? c.rows : c.want;
        EXPECT_EQ(decode(gfxtest::encodePng(c.kind, c.rows)),
                  std::pair(want, int(want.size()) / c.kind.width / c.kind.height))
            << c.name;
    }
    // The largest side allowed (one more is refused along with the other broken files).
    EXPECT_EQ(decode(gfxtest::encodePng({4096, 1, GREY}, Bytes(4096, 9))).first.size(), 4096u);
}

// Colour words: colour B in the top half, colour A below, bit 0 the mode.
constexpr uint32_t WB = 0xFFFF8000u;  // A opaque black, B opaque white
constexpr uint32_t RED = 0xFC00FC00u; // both opaque red

// count blocks of opaque black, then the blocks given as (index, modulation, colour) triples.
Bytes blocks(int count, const std::vector<uint32_t>& set) {
    Bytes data;
    for (int i = 0; i < count; ++i)
        data.insert(data.end(), {0, 0, 0, 0, 0x00, 0x80, 0x00, 0x80}); // colour 0x80008000
    for (size_t i = 0; i + 2 < set.size(); i += 3) // the two words, little-endian like the host
        memcpy(&data[set[i] * 8], &set[i + 1], 8);
    return data;
}

// Decodes and compares the pixels given as (x, y, 0xRRGGBBAA) triples.
void expectPixels(const char* what, const Bytes& data, int bits, int w, int h,
                  const std::vector<uint32_t>& probes) {
    ASSERT_EQ(data.size(), size_t(image::pvrtcSize(bits, w, h))) << what;
    std::unique_ptr<unsigned char[]> px(image::decodePvrtc(data.data(), bits, w, h));
    for (size_t i = 0; i + 2 < probes.size(); i += 3) {
        const unsigned char* q = px.get() + (probes[i + 1] * w + probes[i]) * 4;
        EXPECT_EQ(uint32_t(q[0]) << 24 | q[1] << 16 | q[2] << 8 | q[3], probes[i + 2])
            << what << " at " << probes[i] << "," << probes[i + 1];
    }
}

TEST(Pvrtc, DecodesModulationBlendingTwiddlingAndTwoBitBlocks) {
    // Blocks are stored twiddled: index 1 is the block below index 0, index 2 the one right.
    // Modulation 3 is colour B, 0 colour A, 1 is 3/8 of the way; 2 in punch-through mode is
    // halfway with alpha 0.
    expectPixels("modulation",
                 blocks(4, {0, ~0u, WB, 1, 0, WB, 2, 0x55555555, WB, 3, 0xAAAAAAAA, WB | 1}), 4, 8,
                 8, {1, 1, ~0u, 1, 5, 0xFF, 6, 2, 0x606060FF, 6, 6, 0x80808000});
    // Colours blend bilinearly between block centres, wrapping at the edges.
    expectPixels(
        "blending", blocks(4, {2, 0, RED}), 4, 8, 8,
        {6, 2, 0xFF0000FF, 4, 2, 0x800000FF, 6, 4, 0x800000FF, 0, 2, 0x800000FF, 2, 2, 0xFF});
    // 32 x 8 is 8 x 2 blocks; block (x, y) sits at index (x >> 1) * 4 + (x & 1) * 2 + y.
    expectPixels("non-square", blocks(16, {13, ~0u, WB}), 4, 32, 8,
                 {26, 6, ~0u, 29, 5, 0xFF, 25, 1, 0xFF});
    // At 2 bits, blocks of 8 x 4 with one bit a pixel, or in mode 1 stored pixels in a
    // checkerboard and the others averaging their four neighbours (across blocks, wrapping).
    expectPixels(
        "two bits", blocks(4, {0, 0xF, WB, 1, 0, WB, 2, 0, WB, 3, 0xFFFFFFFE, WB | 1}), 2, 16, 8,
        {3, 0, ~0u, 4, 0, 0xFF, 10, 6, ~0u, 11, 6, ~0u, 9, 4, 0xBFBFBFFF, 15, 6, 0xBFBFBFFF});
    // Every block alike shows the colour itself: a 4-bit channel widens to the full range.
    const uint32_t BLUE = 0x8000801Eu; // colour A opaque blue 15 of 15
    expectPixels("4-bit channel", blocks(4, {0, 0, BLUE, 1, 0, BLUE, 2, 0, BLUE, 3, 0, BLUE}), 4, 8,
                 8, {3, 3, 0x0000FFFFu});
    // At least 2 x 2 blocks whatever the sides.
    EXPECT_EQ(std::pair(image::pvrtcSize(4, 4, 4), image::pvrtcSize(2, 8, 8)), std::pair(32, 32));
}

class PvrFile : public gfxtest::GfxTest {};

// Only the exact extension "pvr" picks this decoder; anything else is read as PNG.
TEST_F(PvrFile, DrawsThroughTheSoftwareDecoder) {
    for (const char* name : {"nodot", "png.PVR"}) {
        put(name, gfxtest::encodePng({2, 2}, Bytes(16, 255)));
        EXPECT_NE(Texture(name).id, 0u) << name;
    }
    Bytes data = blocks(4, {0, ~0u, WB, 1, 0, WB, 2, 0, WB, 3, ~0u, WB});
    data.resize(48, 0x77); // levels after the first are ignored
    put("check.pvr", gfxtest::pvrFile(8, 8, 4, data, 48));
    Texture t("check.pvr");
    EXPECT_EQ(t.format, 4 | Texture::COMPRESSED);
    gfxtest::drawTexture(t.id, 0, 0, 8, 8, false);
    gfxtest::expectScreen({1, 1, 0xFFFFFF, 1, 6, 0, 6, 1, 0, 6, 6, 0xFFFFFF});
}

} // namespace
