// SPDX-License-Identifier: MIT
// Text rasterised with FreeType by glyph index. The outline of the whole line is drawn first and
// the fills over it, so the outline shows only outside the glyphs.
#include "gfx/text.h"

#include "core/platform.h"
#include "core/util.h"
#include "gfx/image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_STROKER_H

namespace {

FT_Library library() {
    static FT_Library lib = nullptr;
    if (!lib && FT_Init_FreeType(&lib) != 0) lib = nullptr;
    return lib;
}

// Faces stay open for the whole run: the game uses two fonts, and opening one costs more than
// rasterising a short line.
FT_Face openFace(const std::string& path) {
    static std::map<std::string, FT_Face> faces;
    auto it = faces.find(path);
    if (it != faces.end()) return it->second;
    FT_Library lib = library();
    FT_Face face = nullptr;
    if (!lib || FT_New_Face(lib, path.c_str(), 0, &face) != 0) return nullptr;
    faces[path] = face;
    return face;
}

// UTF-8 to UTF-16 code units; a malformed sequence becomes U+FFFD.
std::vector<uint16_t> utf16(const char* text) {
    std::vector<uint16_t> out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        uint32_t c = *p++;
        int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (more < 0) {
            out.push_back(0xFFFD);
            continue;
        }
        c &= more == 0 ? 0x7F : more == 1 ? 0x1F : more == 2 ? 0x0F : 0x07;
        bool ok = true;
        for (int i = 0; i < more; ++i) {
            if ((*p >> 6) != 2) {
                ok = false;
                break;
            }
            c = c << 6 | (*p++ & 0x3F);
        }
        if (!ok || c > 0x10FFFF) {
            out.push_back(0xFFFD);
        } else if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(uint16_t(0xD800 + (c >> 10)));
            out.push_back(uint16_t(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(uint16_t(c));
        }
    }
    return out;
}

// Coverage of one layer (outline or fill) over the drawing area, row 0 at the bottom.
struct Mask {
    int w, h;
    std::vector<uint8_t> cover;
    Mask(int w_, int h_) : w(w_), h(h_), cover(size_t(w_) * h_, 0) {}

    // Adds a glyph already placed on the drawing area (origin at its bottom-left corner).
    void add(FT_Glyph glyph) {
        if (FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1) != 0) {
            FT_Done_Glyph(glyph);
            return;
        }
        const FT_BitmapGlyph bg = reinterpret_cast<FT_BitmapGlyph>(glyph);
        const FT_Bitmap& bm = bg->bitmap;
        for (unsigned row = 0; row < bm.rows; ++row) {
            const int y = bg->top - 1 - int(row);
            if (y < 0 || y >= h) continue;
            const unsigned char* src = bm.buffer + ptrdiff_t(row) * bm.pitch;
            for (unsigned col = 0; col < bm.width; ++col) {
                const int x = bg->left + int(col);
                if (x < 0 || x >= w) continue;
                uint8_t& c = cover[size_t(y) * w + x];
                c = std::max(c, src[col]);
            }
        }
        FT_Done_Glyph(glyph);
    }

    // Source-over of a premultiplied colour through the coverage, on the first `columns`
    // columns, into an RGBA buffer that many columns wide.
    void paint(std::vector<float>& rgba, int columns, Vector4<float> colour) const {
        const float a = colour.w;
        const float src[4] = {colour.x * a, colour.y * a, colour.z * a, a};
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < columns; ++x) {
                const uint8_t cov = cover[size_t(y) * w + x];
                if (!cov) continue;
                const float c = cov / 255.0f;
                float* d = &rgba[(size_t(y) * columns + x) * 4];
                for (int k = 0; k < 4; ++k)
                    d[k] = src[k] * c + d[k] * (1 - a * c);
            }
        }
    }
};

uint8_t toByte(float v) {
    return uint8_t(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}

} // namespace

namespace platform {

unsigned char* loadFontFileText(const char* font, int glyphOffset, const char* text, int pointSize,
                                Vector4<float> colour, Vector4<float> outlineColour,
                                int outlineWidth, float fill, int& width, int& height,
                                int& texWidth, int& texHeight, int& bytesPerPixel, int maxWidth) {
    const int DRAW_WIDTH = std::clamp(maxWidth, 1, image::MAX_IMAGE_SIDE);
    bytesPerPixel = 4;
    const std::string path = std::string(getBasePath()) + font + ".ttf";
    if (pointSize <= 0 || outlineWidth < 0 || outlineWidth + pointSize > image::MAX_IMAGE_SIDE) {
        log("text: cannot draw at %i points with a %i-pixel outline", pointSize, outlineWidth);
        return nullptr;
    }
    FT_Face face = openFace(path);
    if (!face) {
        log("text: cannot open the font %s", path.c_str());
        return nullptr;
    }
    const int h = util::nextPowerOfTwo(outlineWidth + pointSize);

    const bool outlined = outlineWidth > 0 && outlineColour.w > 0;
    FT_Set_Char_Size(face, 0, FT_F26Dot6(pointSize) * 64, 72, 72);
    FT_Stroker stroker = nullptr;
    if (outlined && FT_Stroker_New(library(), &stroker) == 0)
        FT_Stroker_Set(stroker, FT_Fixed(outlineWidth) * 32, FT_STROKER_LINECAP_ROUND,
                       FT_STROKER_LINEJOIN_ROUND, 0);

    Mask fills(DRAW_WIDTH, h), outline(outlined ? DRAW_WIDTH : 0, outlined ? h : 0);
    const double baseline = (outlineWidth + pointSize) * 0.25;
    double pen = outlineWidth; // in pixels
    for (uint16_t unit : utf16(text)) {
        const FT_UInt index = uint16_t(unit + glyphOffset);
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) continue;
        FT_Glyph glyph = nullptr;
        if (FT_Get_Glyph(face->glyph, &glyph) != 0) continue;
        FT_Vector at{FT_Pos(std::lround(pen * 64)), FT_Pos(std::lround(baseline * 64))};
        pen += face->glyph->linearHoriAdvance / 65536.0;
        if (at.x > FT_Pos(DRAW_WIDTH) * 64) { // past the cut: nothing more can show
            FT_Done_Glyph(glyph);
            break;
        }
        FT_Glyph_Transform(glyph, nullptr, &at);
        if (stroker) {
            FT_Glyph border = nullptr;
            if (FT_Glyph_Copy(glyph, &border) == 0 &&
                FT_Glyph_StrokeBorder(&border, stroker, 0, 1) == 0)
                outline.add(border);
            else if (border)
                FT_Done_Glyph(border);
        }
        fills.add(glyph);
    }
    if (stroker) FT_Stroker_Done(stroker);

    width = int(std::min(outlineWidth + 2 + pen, double(DRAW_WIDTH)));
    height = outlineWidth + pointSize;
    texWidth = util::nextPowerOfTwo(width);
    texHeight = util::nextPowerOfTwo(height);

    // Only the columns that reach the texture are composed. Transparent pixels carry the fill
    // grey, which shows at the text's edges through filtering.
    const float grey = float((fill > 0 && fill < 1e6f ? uint32_t(fill * 255.0f) : 0u) & 0xFF);
    std::vector<float> rgba(size_t(texWidth) * texHeight * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = rgba[i + 1] = rgba[i + 2] = grey / 255.0f;
        rgba[i + 3] = 0;
    }
    if (outlined) outline.paint(rgba, texWidth, outlineColour);
    fills.paint(rgba, texWidth, colour);

    unsigned char* out = new unsigned char[rgba.size()];
    for (size_t i = 0; i < rgba.size(); ++i)
        out[i] = toByte(rgba[i]);
    return out;
}

} // namespace platform
