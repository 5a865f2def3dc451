// SPDX-License-Identifier: MIT
// For tests that load images and draw: a fixture with a scratch resource folder, a log catcher
// and a screen set up the way the game draws (orthographic 320 x 480, arrays on the unit quad),
// PNG and PVR writers, and pixel checks.
#pragma once

#include "core/platform.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "support/gl_context.h"
#include "support/run.h"

#include <GLES/gl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <png.h>

namespace gfxtest {

using Bytes = std::vector<uint8_t>;

struct PngKind {
    int width = 1, height = 1, colorType = PNG_COLOR_TYPE_RGBA, bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette{};
    Bytes trns{}; // palette alphas, or the grey key in trns[0]
};

// Encodes a PNG from packed rows as libpng takes them (16-bit samples big-endian).
inline Bytes encodePng(const PngKind& s, const Bytes& rows) {
    char* buf = nullptr;
    size_t size = 0;
    FILE* f = open_memstream(&buf, &size);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    png_color_16 key{0, 0, 0, 0, uint16_t(s.trns.empty() ? 0 : s.trns[0])};
    if (!s.trns.empty()) png_set_tRNS(png, info, s.trns.data(), int(s.trns.size()), &key);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png); // each Adam7 pass takes every row
    for (int y = 0; y < passes * s.height; ++y)
        png_write_row(png, rows.data() + png_get_rowbytes(png, info) * (y % s.height));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    fclose(f);
    const Bytes out(buf, buf + size);
    free(buf);
    return out;
}

// A PVR file: 52-byte header of little-endian words, then the data.
inline Bytes pvrFile(uint32_t w, uint32_t h, uint32_t bits, Bytes data, uint32_t dataLength) {
    Bytes out;
    for (uint32_t word : {52u, h, w, 0u, bits == 4 ? 0x19u : 0x18u, dataLength, bits, 0u, 0u, 0u,
                          0u, 0x21525650u, 1u})
        out.insert(out.end(),
                   {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), uint8_t(word >> 24)});
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// Draws texture coordinates (0, 0) to (u, v) of texture id over (x, y, w, h) on screen (y up),
// by default with nearest filtering so that texels map 1:1.
inline void drawTexture(uint32_t id, float x, float y, float w, float h, bool blend, float u = 1,
                        float v = 1, int filter = GL_NEAREST) {
    const float tex[8] = {0, 0, u, 0, u, v, 0, v};
    const float quad[8] = {x, y, x + w, y, x + w, y + h, x, y + h};
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    if (blend) glEnable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glVertexPointer(2, GL_FLOAT, 0, quad);
    glTexCoordPointer(2, GL_FLOAT, 0, tex);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
    glDisable(GL_BLEND);
}

// Expects the screen colours given as (x, y, 0xRRGGBB) triples, y up from the bottom.
inline void expectScreen(const std::vector<uint32_t>& v) {
    const std::vector<uint8_t> px = testgl::readPixels();
    for (size_t i = 0; i + 2 < v.size(); i += 3)
        EXPECT_EQ(testgl::rgbAt(px, int(v[i]), testgl::height() - 1 - int(v[i + 1])), v[i + 2])
            << "at " << v[i] << "," << v[i + 1];
}

// A fresh resource folder (with img/) as the base path, a screen cleared to black, log lines
// collected, and every texture given back and cleaned up afterwards.
class GfxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(testgl::init());
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrthof(0, 320, 0, 480, -1, 450);
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_TEXTURE_2D);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, fg::quad_verts);
        clear(0);
        std::filesystem::create_directories(dir + "img");
        platform::setBasePath(dir.c_str());
        log.clear();
        platform::setLogHook([](const char* line) { log.emplace_back(line); });
    }
    void TearDown() override {
        texture_mgr.cleanup();
        EXPECT_EQ(texture_mgr.entryCount(), 0u) << "a texture was never given back";
        platform::setBasePath(nullptr);
        platform::setLogHook(nullptr);
    }
    void clear(uint32_t rgb) {
        glClearColor(float(rgb >> 16) / 255, float(rgb >> 8 & 255) / 255, float(rgb & 255) / 255,
                     1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void put(const std::string& name, const Bytes& bytes) {
        testrun::writeFile(dir + "img/" + name, std::string(bytes.begin(), bytes.end()));
    }
    const std::string dir = testrun::tempDir() + "/";
    static inline std::vector<std::string> log;
};

} // namespace gfxtest
