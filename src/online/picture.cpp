// SPDX-License-Identifier: MIT
#include "online/picture.h"

#include <png.h>
// jpeglib.h needs FILE and size_t declared first.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace picture {
namespace {

bool tooBig(int w, int h, int max_side, std::string& error) {
    if (w > 0 && h > 0 && w <= max_side && h <= max_side) return false;
    error = "the picture is " + std::to_string(w) + " x " + std::to_string(h) +
            " pixels, more than " + std::to_string(max_side) + " a side";
    return true;
}

bool decodePng(const uint8_t* bytes, size_t n, int max_side, Rgba& out, std::string& error) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&img, bytes, n)) {
        error = img.message;
        return false;
    }
    if (tooBig(static_cast<int>(img.width), static_cast<int>(img.height), max_side, error)) {
        png_image_free(&img);
        return false;
    }
    img.format = PNG_FORMAT_RGBA;
    out.width = static_cast<int>(img.width);
    out.height = static_cast<int>(img.height);
    out.rgba.resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, out.rgba.data(), 0, nullptr)) {
        error = img.message;
        return false;
    }
    return true;
}

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
    auto* e = reinterpret_cast<JpegError*>(info->err);
    e->mgr.format_message(info, e->message);
    longjmp(e->jump, 1);
}

void quietJpeg(j_common_ptr, int) {}

bool decodeJpeg(const uint8_t* bytes, size_t n, int max_side, Rgba& out, std::string& error) {
    jpeg_decompress_struct info{};
    JpegError err{};
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = &onJpegError;
    err.mgr.emit_message = &quietJpeg;
    // Nothing below setjmp may own memory that the jump would leak: the rows go straight into
    // `out`, which is the caller's.
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        error = err.message;
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(n));
    jpeg_read_header(&info, TRUE);
    if (tooBig(static_cast<int>(info.image_width), static_cast<int>(info.image_height), max_side,
               error)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &out.rgba[static_cast<size_t>(info.output_scanline) * out.width * 4];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

bool decode(const uint8_t* bytes, size_t n, int max_side, Rgba& out, std::string& error) {
    static const uint8_t png_sig[] = {0x89, 'P', 'N', 'G'};
    if (n >= 8 && std::equal(png_sig, png_sig + 4, bytes))
        return decodePng(bytes, n, max_side, out, error);
    if (n >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff)
        return decodeJpeg(bytes, n, max_side, out, error);
    error = "not a PNG or JPEG picture";
    return false;
}

} // namespace picture
