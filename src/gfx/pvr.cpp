// SPDX-License-Identifier: MIT
// PVR files and a software PVRTC decoder for GLs without the PVRTC extension.
#include "core/platform.h"
#include "gfx/image.h"
#include "gfx/texture.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t PVR_MIN_FILE = 52;

uint32_t word(const unsigned char* bytes, int index) {
    const unsigned char* p = bytes + 4 * index;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool isPowerOfTwo(uint32_t v) {
    return v && !(v & (v - 1));
}

struct Rgba {
    int r, g, b, a;
};

// The two colours of a block, widened to 8 bits. Colour B lives in the top 16 bits, colour A in
// bits 1-15; bit 15 (and 31) says opaque (5-5-5 / 5-5-4) or translucent (3-4-4-4 / 3-4-4-3).
int widen(int v, int bits) {
    switch (bits) {
    case 3:
        return (v << 5) | (v << 2) | (v >> 1);
    case 4:
        return v * 17;
    default:
        return (v << 3) | (v >> 2);
    }
}

Rgba colourB(uint32_t c) {
    if (c & 0x80000000u)
        return {widen((c >> 26) & 31, 5), widen((c >> 21) & 31, 5), widen((c >> 16) & 31, 5), 255};
    return {widen((c >> 24) & 15, 4), widen((c >> 20) & 15, 4), widen((c >> 16) & 15, 4),
            widen((c >> 28) & 7, 3)};
}

Rgba colourA(uint32_t c) {
    if (c & 0x8000u)
        return {widen((c >> 10) & 31, 5), widen((c >> 5) & 31, 5), widen((c >> 1) & 15, 4), 255};
    return {widen((c >> 8) & 15, 4), widen((c >> 4) & 15, 4), widen((c >> 1) & 7, 3),
            widen((c >> 12) & 7, 3)};
}

// Block (x, y) of an nx x ny grid (powers of two) in the twiddled order the blocks are stored
// in: y's bits in the even places, x's in the odd, the larger side's surplus bits on top.
uint32_t twiddle(uint32_t x, uint32_t y, uint32_t nx, uint32_t ny) {
    const uint32_t minSide = nx < ny ? nx : ny;
    uint32_t out = 0, bit = 1, shift = 0;
    for (; bit < minSide; bit <<= 1, ++shift) {
        if (y & bit) out |= 1u << (2 * shift);
        if (x & bit) out |= 1u << (2 * shift + 1);
    }
    const uint32_t rest = (nx < ny ? y : x) >> shift;
    return out | rest << (2 * shift);
}

struct Pvrtc {
    const unsigned char* data;
    int bits, bw, bh, nx, ny;

    const unsigned char* block(int x, int y) const {
        x = (x % nx + nx) % nx; // the colour planes wrap around the edges
        y = (y % ny + ny) % ny;
        return data + 8 * twiddle(uint32_t(x), uint32_t(y), uint32_t(nx), uint32_t(ny));
    }

    // The modulation weight (0..8) of pixel (px, py) in whole-image coordinates, and whether
    // the pixel is punched through (transparent).
    int weight(int px, int py, bool& punch) const {
        const int bx = px / bw, by = py / bh;
        const unsigned char* b = block(bx, by);
        const uint32_t mod = word(b, 0);
        const uint32_t col = word(b, 1);
        const int x = px - bx * bw, y = py - by * bh;
        punch = false;
        if (bits == 4) {
            const int v = (mod >> (2 * (y * 4 + x))) & 3;
            if (col & 1) { // punch-through mode: 0, half, half + transparent, full
                punch = v == 2;
                return v == 0 ? 0 : v == 3 ? 8 : 4;
            }
            static constexpr int levels[4] = {0, 3, 5, 8};
            return levels[v];
        }
        if (!(col & 1)) return ((mod >> (y * 8 + x)) & 1) ? 8 : 0;
        return interpolated(px, py);
    }

    // 2 bpp with the mode bit: half the pixels (a checkerboard) carry 2-bit values, the others
    // are averaged from their neighbours, across block edges where needed.
    int stored(int px, int py) const {
        const int nxp = nx * bw, nyp = ny * bh;
        px = (px % nxp + nxp) % nxp;
        py = (py % nyp + nyp) % nyp;
        const unsigned char* b = block(px / bw, py / bh);
        uint32_t mod = word(b, 0);
        const int x = px % bw, y = py % bh;
        if (!(word(b, 1) & 1)) return ((mod >> (y * 8 + x)) & 1) ? 8 : 0;
        // Bits 0 and 20 double as the interpolation mode; the first two stored values keep
        // only their high bit there.
        if (mod & 1) mod = (mod & ~(1u << 20)) | (((mod >> 21) & 1) << 20);
        mod = (mod & ~1u) | ((mod >> 1) & 1);
        const int index = (y * 8 + x) / 2; // the index of this stored value among the 16
        static constexpr int levels[4] = {0, 3, 5, 8};
        return levels[(mod >> (2 * index)) & 3];
    }

    int interpolated(int px, int py) const {
        const int x = px % bw, y = py % bh;
        if (((x ^ y) & 1) == 0) return stored(px, py);
        const uint32_t mod = word(block(px / bw, py / bh), 0);
        if (!(mod & 1)) // horizontal and vertical neighbours
            return (stored(px - 1, py) + stored(px + 1, py) + stored(px, py - 1) +
                    stored(px, py + 1) + 2) /
                   4;
        if (mod & (1u << 20)) return (stored(px, py - 1) + stored(px, py + 1) + 1) / 2;
        return (stored(px - 1, py) + stored(px + 1, py) + 1) / 2;
    }
};

} // namespace

namespace image {

int pvrtcSize(int bits, int w, int h) {
    const int bw = bits == 4 ? 4 : 8;
    const int nx = (w + bw - 1) / bw, ny = (h + 3) / 4;
    return (nx < 2 ? 2 : nx) * (ny < 2 ? 2 : ny) * 8;
}

unsigned char* loadPvr(const unsigned char* bytes, int length, int& width, int& height,
                       int& format) {
    const uint32_t fileLength = length < 0 ? 0 : uint32_t(length);
    if (!bytes || fileLength <= PVR_MIN_FILE) {
        platform::log("pvr: file too short (%u bytes)", fileLength);
        return nullptr;
    }
    const uint32_t headerLength = word(bytes, 0);
    const uint32_t h = word(bytes, 1), w = word(bytes, 2);
    const uint32_t dataLength = word(bytes, 5), bits = word(bytes, 6);
    if (headerLength > fileLength || dataLength > fileLength - headerLength) {
        platform::log("pvr: header (%u bytes, %u of data) does not fit the %u-byte file",
                      headerLength, dataLength, fileLength);
        return nullptr;
    }
    if (bits != 2 && bits != 4) {
        platform::log("pvr: %u bits per pixel is not PVRTC", bits);
        return nullptr;
    }
    if (!isPowerOfTwo(w) || !isPowerOfTwo(h) || w > MAX_IMAGE_SIDE || h > MAX_IMAGE_SIDE) {
        platform::log("pvr: %u x %u is not a PVRTC size", w, h);
        return nullptr;
    }
    const uint32_t needed = uint32_t(pvrtcSize(int(bits), int(w), int(h)));
    if (dataLength < needed) {
        platform::log("pvr: %u bytes of data, %u x %u needs %u", dataLength, w, h, needed);
        return nullptr;
    }
    unsigned char* pixels = new unsigned char[needed];
    memcpy(pixels, bytes + headerLength, needed);
    width = int(w);
    height = int(h);
    format = int(bits) | Texture::COMPRESSED;
    return pixels;
}

unsigned char* decodePvrtc(const unsigned char* data, int bits, int w, int h) {
    Pvrtc p{data, bits, bits == 4 ? 4 : 8, 4, 0, 0};
    p.nx = (w + p.bw - 1) / p.bw;
    p.ny = (h + 3) / 4;
    if (p.nx < 2) p.nx = 2;
    if (p.ny < 2) p.ny = 2;
    unsigned char* out = new unsigned char[size_t(w) * h * 4];
    // Each pixel blends the colours of the four blocks whose centres surround it.
    for (int py = 0; py < h; ++py) {
        const int fy = py - p.bh / 2 + p.bh * p.ny; // kept positive for the divisions
        const int y0 = fy / p.bh, wy = fy % p.bh;
        for (int px = 0; px < w; ++px) {
            const int fx = px - p.bw / 2 + p.bw * p.nx;
            const int x0 = fx / p.bw, wx = fx % p.bw;
            Rgba a{0, 0, 0, 0}, b{0, 0, 0, 0};
            const int weights[4] = {(p.bw - wx) * (p.bh - wy), wx * (p.bh - wy), (p.bw - wx) * wy,
                                    wx * wy};
            for (int k = 0; k < 4; ++k) {
                const uint32_t col = word(p.block(x0 + (k & 1), y0 + (k >> 1)), 1);
                const Rgba ca = colourA(col), cb = colourB(col);
                a.r += ca.r * weights[k], a.g += ca.g * weights[k];
                a.b += ca.b * weights[k], a.a += ca.a * weights[k];
                b.r += cb.r * weights[k], b.g += cb.g * weights[k];
                b.b += cb.b * weights[k], b.a += cb.a * weights[k];
            }
            bool punch = false;
            const int m = p.weight(px, py, punch);
            const int scale = p.bw * p.bh * 8;
            unsigned char* o = out + (size_t(py) * w + px) * 4;
            o[0] = static_cast<unsigned char>((a.r * (8 - m) + b.r * m + scale / 2) / scale);
            o[1] = static_cast<unsigned char>((a.g * (8 - m) + b.g * m + scale / 2) / scale);
            o[2] = static_cast<unsigned char>((a.b * (8 - m) + b.b * m + scale / 2) / scale);
            o[3] = punch
                       ? 0
                       : static_cast<unsigned char>((a.a * (8 - m) + b.a * m + scale / 2) / scale);
        }
    }
    return out;
}

unsigned char* decode(const char* name, const unsigned char* bytes, int length, int& format,
                      int& width, int& height) {
    const char* dot = strrchr(name, '.');
    if (dot && strcmp(dot + 1, "pvr") == 0) return loadPvr(bytes, length, width, height, format);
    return platform::loadPng(bytes, length, width, height, format);
}

} // namespace image
