// The software PVRTC decoder, on blocks built by hand from the format's bit layout.
#include "gfx/image.h"
#include "gfx_test_support.h"

#include <array>

namespace {

using gfxtest::Bytes;

// Colour words: colour B in the top half, colour A below, bit 0 the mode.
constexpr uint32_t WB = 0xFFFF8000u;  // A opaque black, B opaque white
constexpr uint32_t RED = 0xFC00FC00u; // both opaque red

// count blocks of opaque black, then the listed {index, modulation, colour} blocks.
Bytes blocks(int count, std::vector<std::array<uint32_t, 3>> set) {
    Bytes data;
    for (int i = 0; i < count; ++i)
        data.insert(data.end(), {0, 0, 0, 0, 0x00, 0x80, 0x00, 0x80}); // colour 0x80008000
    for (auto [index, modulation, colour] : set)
        for (int b = 0; b < 4; ++b) {
            data[index * 8 + b] = uint8_t(modulation >> (8 * b));
            data[index * 8 + 4 + b] = uint8_t(colour >> (8 * b));
        }
    return data;
}

// Decodes and compares the RGBA of the listed {x, y, rgba} pixels.
void expectPixels(const char* what, const Bytes& data, int bits, int w, int h,
                  std::vector<std::array<uint32_t, 3>> probes) {
    ASSERT_EQ(data.size(), size_t(image::pvrtcSize(bits, w, h))) << what;
    std::unique_ptr<unsigned char[]> px(image::decodePvrtc(data.data(), bits, w, h));
    for (auto [x, y, rgba] : probes) {
        const unsigned char* q = px.get() + (y * w + x) * 4;
        EXPECT_EQ(uint32_t(q[0]) << 24 | q[1] << 16 | q[2] << 8 | q[3], rgba)
            << what << " at " << x << "," << y;
    }
}

TEST(Pvrtc, DecodesModulationBlendingTwiddlingAndTwoBitBlocks) {
    // Blocks are stored twiddled: index 1 is the block below index 0, index 2 the one right.
    // Modulation 3 is colour B, 0 colour A, 1 is 3/8 of the way; 2 in punch-through mode is
    // halfway with alpha 0.
    expectPixels(
        "modulation",
        blocks(4, {{0, ~0u, WB}, {1, 0, WB}, {2, 0x55555555, WB}, {3, 0xAAAAAAAA, WB | 1}}), 4, 8,
        8, {{1, 1, ~0u}, {1, 5, 0xFF}, {6, 2, 0x606060FF}, {6, 6, 0x80808000}});
    // Colours blend bilinearly between block centres, wrapping at the edges.
    expectPixels("blending", blocks(4, {{2, 0, RED}}), 4, 8, 8,
                 {{6, 2, 0xFF0000FF},
                  {4, 2, 0x800000FF},
                  {6, 4, 0x800000FF},
                  {0, 2, 0x800000FF},
                  {2, 2, 0xFF}});
    // 32 x 8 is 8 x 2 blocks; block (x, y) sits at index (x >> 1) * 4 + (x & 1) * 2 + y.
    expectPixels("non-square", blocks(16, {{13, ~0u, WB}}), 4, 32, 8,
                 {{26, 6, ~0u}, {29, 5, 0xFF}, {25, 1, 0xFF}});
    // At 2 bits, blocks of 8 x 4 with one bit a pixel, or in mode 1 stored pixels in a
    // checkerboard and the others averaging their four neighbours (across blocks, wrapping).
    expectPixels("two bits",
                 blocks(4, {{0, 0x0000000F, WB}, {1, 0, WB}, {2, 0, WB}, {3, 0xFFFFFFFE, WB | 1}}),
                 2, 16, 8,
                 {{3, 0, ~0u},
                  {4, 0, 0xFF},
                  {10, 6, ~0u},
                  {11, 6, ~0u},
                  {9, 4, 0xBFBFBFFF},
                  {15, 6, 0xBFBFBFFF}});
    // At least 2 x 2 blocks whatever the sides.
    EXPECT_EQ(image::pvrtcSize(4, 4, 4), 32);
    EXPECT_EQ(image::pvrtcSize(2, 8, 8), 32);
}

class PvrFile : public gfxtest::GfxTest {};

TEST_F(PvrFile, DrawsThroughTheSoftwareDecoder) {
    Bytes data = blocks(4, {{0, ~0u, WB}, {1, 0, WB}, {2, 0, WB}, {3, ~0u, WB}});
    data.resize(48, 0x77); // levels after the first are ignored
    put("check.pvr", gfxtest::pvrFile(8, 8, 4, data, 48));
    Texture t("check.pvr");
    EXPECT_EQ(t.format, 4 | Texture::COMPRESSED);
    gfxtest::drawTexture(t.id, 0, 0, 8, 8, false);
    for (auto [x, y, want] :
         {std::tuple{1, 1, 0xFFFFFFu}, {1, 6, 0u}, {6, 1, 0u}, {6, 6, 0xFFFFFFu}})
        EXPECT_EQ(gfxtest::screenRgb(x, y), want) << x << "," << y;
}

} // namespace
