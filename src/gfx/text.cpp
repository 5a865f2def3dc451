// SPDX-License-Identifier: MIT
// Text rasterised with FreeType by glyph index. The outline of the whole line is drawn first and
// the fills over it, so the outline shows only outside the glyphs.
#include "gfx/text.h"

#include "core/platform.h"
#include "core/util.h"
#include "gfx/image.h"
#include "gfx/texture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <map>
#include <memory>
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

struct Font {
    FT_Face face = nullptr; // null when the file cannot be used
    std::string problem;    // why not
};

std::string ftError(FT_Error e) {
    const char* text = FT_Error_String(e);
    return text ? text : "FreeType error " + std::to_string(e);
}

uint32_t be32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// FreeType opens a font file that is cut short or damaged further in, and then draws the glyphs
// it lost as nothing: the tables are checked against the directory's lengths and checksums
// first. "" when they all match.
std::string checkTables(const std::string& path) {
    int length = 0;
    std::unique_ptr<unsigned char[]> bytes(platform::readFile(path.c_str(), length));
    if (!bytes) return "cannot read the file";
    const unsigned char* b = bytes.get();
    const auto size = size_t(length);
    if (size < 12) return "not a font file";
    if (be32(b) == 0x74746366) return ""; // a collection ("ttcf"): left to FreeType
    const size_t tables = size_t(b[4]) << 8 | b[5];
    if (12 + 16 * tables > size) return "its table directory is cut short";
    for (size_t i = 0; i < tables; ++i) {
        const unsigned char* entry = b + 12 + 16 * i;
        const std::string tag(reinterpret_cast<const char*>(entry), 4);
        const uint32_t checksum = be32(entry + 4), offset = be32(entry + 8), n = be32(entry + 12);
        if (offset > size || n > size - offset) return "table '" + tag + "' is cut short";
        // The sum of the table's big-endian words, zero-padded; the head table's whole-file
        // adjustment (its third word) does not count.
        uint32_t sum = 0;
        for (uint32_t at = 0; at < n; at += 4) {
            unsigned char word[4] = {0, 0, 0, 0};
            memcpy(word, b + offset + at, std::min<uint32_t>(4, n - at));
            if (tag != "head" || at != 8) sum += be32(word);
        }
        if (sum != checksum) return "table '" + tag + "' fails its checksum";
    }
    return "";
}

// Faces stay open for the whole run: the game uses two fonts, and opening one costs more than
// rasterising a short line.
const Font& openFont(const std::string& path) {
    static std::map<std::string, Font> fonts;
    auto it = fonts.find(path);
    if (it != fonts.end()) return it->second;
    Font font;
    FT_Library lib = library();
    FT_Face face = nullptr;
    if (!lib) {
        font.problem = "FreeType is not available";
    } else if (std::string why = checkTables(path); !why.empty()) {
        font.problem = why;
    } else if (FT_Error e = FT_New_Face(lib, path.c_str(), 0, &face)) {
        font.problem = ftError(e);
    } else {
        font.face = face;
    }
    return fonts[path] = font;
}

// Another font of the resource folder that works, for text whose own font does not; its glyphs
// are then found through its character map. Null when there is none. Chosen once per font.
FT_Face standIn(const std::string& broken) {
    static std::map<std::string, FT_Face> chosen;
    if (auto it = chosen.find(broken); it != chosen.end()) return it->second;
    std::vector<std::string> others;
    const std::string dir = platform::getBasePath();
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ttf") == 0 &&
                dir + name != broken)
                others.push_back(dir + name);
        }
        closedir(d);
    }
    std::sort(others.begin(), others.end());
    FT_Face face = nullptr;
    std::string name = "no other font";
    for (const std::string& other : others) {
        if ((face = openFont(other).face)) {
            name = other;
            break;
        }
    }
    platform::log("text: cannot use the font %s (%s); drawing its text with %s", broken.c_str(),
                  openFont(broken).problem.c_str(), name.c_str());
    return chosen[broken] = face;
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

    // Source-over of a premultiplied colour through the coverage of row y, into one RGBA row
    // of the texture (which may be wider than the drawing area: nothing covers the rest).
    void paintRow(std::vector<float>& row, int y, Vector4<float> colour) const {
        if (y >= h) return;
        const float a = colour.w;
        const float src[4] = {colour.x * a, colour.y * a, colour.z * a, a};
        const int columns = std::min(w, int(row.size() / 4));
        for (int x = 0; x < columns; ++x) {
            const uint8_t cov = cover[size_t(y) * w + x];
            if (!cov) continue;
            const float c = cov / 255.0f;
            float* d = &row[size_t(x) * 4];
            for (int k = 0; k < 4; ++k)
                d[k] = src[k] * c + d[k] * (1 - a * c);
        }
    }
};

uint8_t toByte(float v) {
    return uint8_t(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
}

// Adds the glyphs of text to fills (and their borders to outline, given a stroker), on the
// baseline from x = outlineWidth. Returns where the pen ends, in pixels.
double placeGlyphs(FT_Face face, bool byCode, const char* text, const platform::TextStyle& style,
                   int drawWidth, FT_Stroker stroker, Mask& fills, Mask& outline) {
    const double baseline = (style.outlineWidth + style.pointSize) * 0.25;
    double pen = style.outlineWidth;
    for (uint16_t unit : utf16(text)) {
        const FT_UInt index =
            byCode ? FT_Get_Char_Index(face, unit) : uint16_t(unit + style.glyphOffset);
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) continue;
        FT_Glyph glyph = nullptr;
        if (FT_Get_Glyph(face->glyph, &glyph) != 0) continue;
        FT_Vector at{FT_Pos(std::lround(pen * 64)), FT_Pos(std::lround(baseline * 64))};
        pen += face->glyph->linearHoriAdvance / 65536.0;
        if (at.x > FT_Pos(drawWidth) * 64) { // past the cut: nothing more can show
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
    return pen;
}

// The texture's bytes: the outline, then the fills over it. Only the columns that reach the
// texture are composed. Transparent pixels carry the fill grey, which shows at the text's edges
// through filtering.
unsigned char* compose(const platform::TextStyle& style, const platform::TextImage& size,
                       const Mask& fills, const Mask* outline) {
    const float fill = style.fill;
    const float grey = float((fill > 0 && fill < 1e6f ? uint32_t(fill * 255.0f) : 0u) & 0xFF);
    // A row at a time: the whole texture in floats would be four times its own size.
    std::vector<float> row(size_t(size.texWidth) * 4);
    unsigned char* bytes = new unsigned char[row.size() * size.texHeight];
    for (int y = 0; y < size.texHeight; ++y) {
        for (size_t i = 0; i < row.size(); i += 4) {
            row[i] = row[i + 1] = row[i + 2] = grey / 255.0f;
            row[i + 3] = 0;
        }
        if (outline) outline->paintRow(row, y, style.outlineColour);
        fills.paintRow(row, y, style.colour);
        for (size_t i = 0; i < row.size(); ++i)
            bytes[size_t(y) * row.size() + i] = toByte(row[i]);
    }
    return bytes;
}

} // namespace

namespace platform {

unsigned char* loadFontFileText(const char* text, const TextStyle& style, TextImage& out) {
    const int drawWidth = std::clamp(style.maxWidth, 1, image::MAX_IMAGE_SIDE);
    const int pointSize = style.pointSize, outlineWidth = style.outlineWidth;
    out.bytesPerPixel = 4;
    const std::string path = std::string(getBasePath()) + style.font + ".ttf";
    if (pointSize <= 0 || outlineWidth < 0 || outlineWidth + pointSize > image::MAX_IMAGE_SIDE) {
        log("text: cannot draw at %i points with a %i-pixel outline", pointSize, outlineWidth);
        return nullptr;
    }
    FT_Face face = openFont(path).face;
    // A stand-in font has its own glyph order: its glyphs are found by character code.
    const bool byCode = !face;
    if (byCode) face = standIn(path);
    if (!face) return nullptr;
    const int h = util::nextPowerOfTwo(outlineWidth + pointSize);

    const bool outlined = outlineWidth > 0 && style.outlineColour.w > 0;
    FT_Set_Char_Size(face, 0, FT_F26Dot6(pointSize) * 64, 72, 72);
    FT_Stroker stroker = nullptr;
    if (outlined && FT_Stroker_New(library(), &stroker) == 0)
        FT_Stroker_Set(stroker, FT_Fixed(outlineWidth) * 32, FT_STROKER_LINECAP_ROUND,
                       FT_STROKER_LINEJOIN_ROUND, 0);
    Mask fills(drawWidth, h), outline(outlined ? drawWidth : 0, outlined ? h : 0);
    const double pen = placeGlyphs(face, byCode, text, style, drawWidth, stroker, fills, outline);
    if (stroker) FT_Stroker_Done(stroker);

    out.width = int(std::min(outlineWidth + 2 + pen, double(drawWidth)));
    out.height = outlineWidth + pointSize;
    out.texWidth = util::paddedSide(out.width, style.fitted);
    out.texHeight = util::paddedSide(out.height, style.fitted);
    return compose(style, out, fills, outlined ? &outline : nullptr);
}

} // namespace platform
