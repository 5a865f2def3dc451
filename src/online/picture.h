// SPDX-License-Identifier: MIT
// Pictures of web pages decoded from the bytes a server sent: PNG and JPEG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace picture {

struct Rgba {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba; // straight alpha, row 0 at the top
};

// Decodes PNG or JPEG bytes. False, with the reason, for anything else, for damaged data and for
// a picture wider or taller than max_side.
bool decode(const uint8_t* bytes, size_t n, int max_side, Rgba& out, std::string& error);

} // namespace picture
