// SPDX-License-Identifier: MIT
#include "game/mirrors.h"

#include <cstring>

namespace fg {
namespace {

struct Mirror {
    const char* name;
    const char* original;
};

// Written by the resource build (assets/images.cmake).
constexpr Mirror MIRRORS[] = {
#if __has_include("game/mirrored_sheets.inc")
#include "game/mirrored_sheets.inc"
#endif
    {nullptr, nullptr},
};

} // namespace

const char* mirroredSheet(const char* name) {
    for (const Mirror& m : MIRRORS)
        if (m.name && name && std::strcmp(m.name, name) == 0) return m.original;
    return nullptr;
}

} // namespace fg
