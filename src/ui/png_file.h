// SPDX-License-Identifier: MIT
// PNG files the shell reads (the start-up screen) and writes (screenshots), through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba; // row 0 at the top
};

// Reads any PNG as 8-bit RGBA. False, with a message on the console, when it cannot.
bool readPng(const std::string& path, Image& out);

// Writes RGB pixels (3 bytes each, row 0 at the top) as a PNG. False with a message on failure.
bool writePngRgb(const std::string& path, const uint8_t* rgb, int width, int height);

} // namespace ui
