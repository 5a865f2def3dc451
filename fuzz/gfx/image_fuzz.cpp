// SPDX-License-Identifier: MIT
// Arbitrary bytes into the image loader: the PNG path, the PVR path and the PVRTC decoder.
#include "gfx/image.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 24)) return 0;
    int format = 0, w = 0, h = 0;
    for (const char* name : {"fuzz.png", "fuzz.pvr"}) {
        unsigned char* px = image::decode(name, data, int(size), format, w, h);
        // What the upload does where the GL lacks PVRTC; keep the sizes small for speed.
        if (px && name[5] == 'p' && name[6] == 'v' && w <= 256 && h <= 256)
            delete[] image::decodePvrtc(px, format & 0xFF, w, h);
        delete[] px;
    }
    // The decoder straight on the bytes, at a size the data can hold.
    const int bits = size && (data[0] & 1) ? 4 : 2, side = size ? 8 << (data[0] >> 1 & 3) : 8;
    if (size >= 33 && size_t(image::pvrtcSize(bits, side, side)) <= size - 1)
        delete[] image::decodePvrtc(data + 1, bits, side, side);
    return 0;
}
