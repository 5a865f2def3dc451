// SPDX-License-Identifier: MIT
// PNG decoding through libpng.
#include "core/platform.h"
#include "gfx/image.h"

#include <csetjmp>
#include <cstring>
#include <png.h>

namespace {

struct Reader {
    const unsigned char* bytes;
    size_t length;
    size_t pos;
};

void readBytes(png_structp png, png_bytep out, size_t n) {
    Reader* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (n > r->length - r->pos) png_error(png, "file is truncated");
    memcpy(out, r->bytes + r->pos, n);
    r->pos += n;
}

void onError(png_structp png, png_const_charp message) {
    platform::log("png: %s", message);
    png_longjmp(png, 1);
}

// Warnings (unknown chunks, bad ancillary CRCs) do not stop the image.
void onWarning(png_structp, png_const_charp) {}

// Everything libpng touches between setjmp and longjmp lives here, so nothing in the decoding
// function's frame needs to survive a jump.
struct Decode {
    png_structp png = nullptr;
    png_infop info = nullptr;
    unsigned char* pixels = nullptr;
    png_bytep* rows = nullptr;
    ~Decode() {
        delete[] rows;
        delete[] pixels;
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

bool decode(Decode& d, Reader& reader, int& width, int& height, int& components) {
    if (setjmp(png_jmpbuf(d.png))) return false;
    png_set_user_limits(d.png, image::MAX_IMAGE_SIDE, image::MAX_IMAGE_SIDE);
    png_set_read_fn(d.png, &reader, readBytes);
    png_read_info(d.png, d.info);

    const int type = png_get_color_type(d.png, d.info);
    const int depth = png_get_bit_depth(d.png, d.info);
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(d.png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(d.png);
    if (png_get_valid(d.png, d.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(d.png);
    if (depth == 16) png_set_scale_16(d.png);
    png_set_interlace_handling(d.png);
    png_read_update_info(d.png, d.info);

    const int w = static_cast<int>(png_get_image_width(d.png, d.info));
    const int h = static_cast<int>(png_get_image_height(d.png, d.info));
    const int c = png_get_channels(d.png, d.info);
    const size_t rowBytes = png_get_rowbytes(d.png, d.info);
    if (c < 1 || c > 4 || rowBytes != static_cast<size_t>(w) * c) png_error(d.png, "odd layout");

    d.pixels = new unsigned char[rowBytes * h];
    d.rows = new png_bytep[h];
    for (int y = 0; y < h; ++y)
        d.rows[y] = d.pixels + rowBytes * y;
    png_read_image(d.png, d.rows);
    png_read_end(d.png, nullptr);
    width = w;
    height = h;
    components = c;
    return true;
}

} // namespace

namespace platform {

unsigned char* loadPng(const unsigned char* bytes, int length, int& width, int& height,
                       int& components) {
    if (!bytes || length < 8 || png_sig_cmp(bytes, 0, 8) != 0) {
        platform::log("png: not a PNG file");
        return nullptr;
    }
    Decode d;
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!d.png) return nullptr;
    d.info = png_create_info_struct(d.png);
    if (!d.info) return nullptr;
    Reader reader{bytes, static_cast<size_t>(length), 0};
    int w = 0, h = 0, c = 0;
    if (!decode(d, reader, w, h, c)) return nullptr;
    width = w;
    height = h;
    components = c;
    unsigned char* out = d.pixels;
    d.pixels = nullptr;
    return out;
}

} // namespace platform
