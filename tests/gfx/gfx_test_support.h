// SPDX-License-Identifier: MIT
// Shared pieces of the graphics tests: a fixture with a scratch resource folder and a screen set
// up the way the game draws (orthographic 320 x 480, arrays on the unit quad), PNG and PVR
// writers, and a log catcher.
#pragma once

#include "core/platform.h"
#include "gfx/sprite.h"
#include "gfx/texture.h"
#include "support/gl_context.h"

#include <GLES/gl.h>
#include <filesystem>
#include <fstream>
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
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t n) {
            auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
            o->insert(o->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    png_color_16 key{};
    if (!s.trns.empty()) {
        key.gray = s.trns[0];
        png_set_tRNS(png, info, s.trns.data(), int(s.trns.size()), &key);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png); // each Adam7 pass takes every row
    for (int y = 0; y < passes * s.height; ++y)
        png_write_row(png, rows.data() + png_get_rowbytes(png, info) * (y % s.height));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
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

// Draws texture id over (x, y, w, h) on screen (y up), nearest filtering so texels map 1:1.
inline void drawTexture(uint32_t id, int x, int y, int w, int h, bool blend) {
    static const float tex[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (blend) glEnable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glPushMatrix();
    glTranslatef(float(x) + float(w) / 2, float(y) + float(h) / 2, 0);
    glScalef(float(w), float(h), 1);
    glTexCoordPointer(2, GL_FLOAT, 0, tex);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    glPopMatrix();
    glDisable(GL_BLEND);
}

// Pixel colour at screen point (x, y), y up from the bottom, as 0xRRGGBB.
inline uint32_t screenRgb(int x, int y) {
    uint8_t p[4] = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}
// Expects the screen colours given as (x, y, 0xRRGGBB) triples.
inline void expectScreen(const std::vector<uint32_t>& v) {
    for (size_t i = 0; i + 2 < v.size(); i += 3)
        EXPECT_EQ(screenRgb(int(v[i]), int(v[i + 1])), v[i + 2])
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
        char tmpl[] = "/tmp/flingo-gfx-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = std::string(tmpl) + "/";
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
        std::filesystem::remove_all(dir);
    }
    void clear(uint32_t rgb) {
        glClearColor(float(rgb >> 16) / 255, float(rgb >> 8 & 255) / 255, float(rgb & 255) / 255,
                     1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void put(const std::string& name, const Bytes& bytes) {
        std::ofstream(dir + "img/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::string dir;
    static inline std::vector<std::string> log;
};

} // namespace gfxtest
