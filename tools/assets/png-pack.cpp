// SPDX-License-Identifier: MIT
// Rewrites a PNG in place with its pixels untouched: every row unfiltered, zlib's strongest
// compression, no chunk the game does not read. The renderers filter rows for photographs; the
// game's flat-coloured art comes out smaller without filters, and decodes in about half the time
// (no filter to undo per row), which the start-up screen and every level's entry wait for.
//   png-pack FILE
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>

namespace {

const char* failure = nullptr;

void onError(png_structp png, png_const_charp message) {
    failure = message;
    longjmp(png_jmpbuf(png), 1);
}
void onWarning(png_structp, png_const_charp) {}

bool readAll(FILE* in, png_structp r, png_infop ri) {
    if (setjmp(png_jmpbuf(r))) return false;
    png_init_io(r, in);
    png_read_png(r, ri, PNG_TRANSFORM_IDENTITY, nullptr); // the rows as stored
    return true;
}

// The same header, palette and transparency, the rows unfiltered.
bool writeAll(FILE* out, png_structp r, png_infop ri, png_structp w, png_infop wi) {
    if (setjmp(png_jmpbuf(w))) return false;
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0;
    png_get_IHDR(r, ri, &width, &height, &depth, &colour, nullptr, nullptr, nullptr);
    png_init_io(w, out);
    png_set_filter(w, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(w, 9);
    png_set_IHDR(w, wi, width, height, depth, colour, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_colorp palette = nullptr;
    int colours = 0;
    if (png_get_PLTE(r, ri, &palette, &colours)) png_set_PLTE(w, wi, palette, colours);
    png_bytep alpha = nullptr;
    int alphas = 0;
    png_color_16p key = nullptr;
    if (png_get_tRNS(r, ri, &alpha, &alphas, &key)) png_set_tRNS(w, wi, alpha, alphas, key);
    png_set_rows(w, wi, png_get_rows(r, ri));
    png_write_png(w, wi, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

bool pack(const char* path, const std::string& out_path) {
    FILE* in = fopen(path, "rb");
    FILE* out = in ? fopen(out_path.c_str(), "wb") : nullptr;
    png_structp r = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    png_infop ri = png_create_info_struct(r);
    png_structp w = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    png_infop wi = png_create_info_struct(w);
    bool ok = in && out && readAll(in, r, ri) && writeAll(out, r, ri, w, wi);
    png_destroy_write_struct(&w, &wi);
    png_destroy_read_struct(&r, &ri, nullptr);
    if (in) fclose(in);
    if (out && fclose(out) != 0) ok = false;
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: png-pack FILE\n");
        return 2;
    }
    const std::string tmp = std::string(argv[1]) + ".pack";
    if (!pack(argv[1], tmp) || rename(tmp.c_str(), argv[1]) != 0) {
        fprintf(stderr, "png-pack: %s: %s\n", argv[1], failure ? failure : "cannot read or write");
        remove(tmp.c_str());
        return 1;
    }
    return 0;
}
