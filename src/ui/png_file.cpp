// SPDX-License-Identifier: MIT
#include "ui/png_file.h"

#include "core/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <png.h>

namespace ui {

bool readPng(const std::string& path, Image& out) {
    png_image img;
    memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) {
        platform::log("cannot read image %s: %s", path.c_str(), img.message);
        return false;
    }
    img.format = PNG_FORMAT_RGBA;
    if (img.width == 0 || img.height == 0 || img.width > 8192 || img.height > 8192) {
        platform::log("cannot read image %s: unreasonable size %ux%u", path.c_str(), img.width,
                      img.height);
        png_image_free(&img);
        return false;
    }
    out.width = static_cast<int>(img.width);
    out.height = static_cast<int>(img.height);
    out.rgba.assign(PNG_IMAGE_SIZE(img), 0);
    if (!png_image_finish_read(&img, nullptr, out.rgba.data(), 0, nullptr)) {
        platform::log("cannot read image %s: %s", path.c_str(), img.message);
        png_image_free(&img);
        out = Image();
        return false;
    }
    return true;
}

bool writePngRgb(const std::string& path, const uint8_t* rgb, int width, int height) {
    png_image img;
    memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    img.width = static_cast<png_uint_32>(width);
    img.height = static_cast<png_uint_32>(height);
    img.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&img, path.c_str(), 0, rgb, 0, nullptr)) {
        platform::log("cannot write screenshot %s: %s", path.c_str(), img.message);
        return false;
    }
    return true;
}

} // namespace ui
