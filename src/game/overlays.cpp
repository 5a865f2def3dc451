// SPDX-License-Identifier: MIT
#include "game/overlays.h"

#include <cstring>

namespace fg {
namespace {

struct Crop {
    const char* name;
    int x, y, w, h;     // the crop: top-left origin, y down, points
    int full_w, full_h; // the full picture
};

// Written by the resource build (tools/assets/crop-overlay.sh).
constexpr Crop CROPS[] = {
#if __has_include("game/overlay_crops.inc")
#include "game/overlay_crops.inc"
#endif
    {nullptr, 0, 0, 0, 0, 0, 0},
};

} // namespace

Vector2<float> overlayShift(const char* name) {
    for (const Crop& c : CROPS) {
        if (!c.name || !name || std::strcmp(c.name, name) != 0) continue;
        return {static_cast<float>(c.x) + static_cast<float>(c.w) / 2 -
                    static_cast<float>(c.full_w) / 2,
                static_cast<float>(c.full_h) / 2 - static_cast<float>(c.y) -
                    static_cast<float>(c.h) / 2};
    }
    return {0, 0};
}

} // namespace fg
