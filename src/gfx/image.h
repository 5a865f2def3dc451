// SPDX-License-Identifier: MIT
// Decoding image files (PNG, PVR holding PVRTC data) into pixels ready for upload.
#pragma once

namespace platform {
// Decodes a PNG of any kind (palette, grey, grey + alpha, RGB, RGBA, 1 to 16 bits, interlaced,
// transparency chunk) to 8-bit channels in R, G, B (, A) order, rows top first, packed.
// components = bytes per pixel (1 grey, 2 grey + alpha, 3 RGB, 4 RGBA). Returns a new[] buffer
// or null (with a message) for data that is not a sound PNG or is larger than MAX_IMAGE_SIDE.
unsigned char* loadPng(const unsigned char* bytes, int length, int& width, int& height,
                       int& components);
} // namespace platform

namespace image {

constexpr int MAX_IMAGE_SIDE = 4096;

// Bytes of PVRTC data for one level of w x h at 2 or 4 bits per pixel (blocks of 8x4 or 4x4
// pixels, at least 2x2 blocks).
int pvrtcSize(int bits, int w, int h);

// A PVR file's first level: a new[] copy of its PVRTC data, format = bits | Texture::COMPRESSED.
// Null (with a message) for a short or lying header, sides that are not powers of two or above
// MAX_IMAGE_SIDE, or bits other than 2 and 4.
unsigned char* loadPvr(const unsigned char* bytes, int length, int& width, int& height,
                       int& format);

// Decodes PVRTC data (power-of-two w x h, 2 or 4 bits per pixel) into a new[] RGBA buffer of
// w x h pixels, rows top first. data must hold pvrtcSize(bits, w, h) bytes.
unsigned char* decodePvrtc(const unsigned char* data, int bits, int w, int h);

// Decodes an image file's bytes by its name: PVR when the extension is exactly "pvr", PNG
// otherwise. Returns the pixels (new[]) with format and size, or null.
unsigned char* decode(const char* name, const unsigned char* bytes, int length, int& format,
                      int& width, int& height);

} // namespace image
