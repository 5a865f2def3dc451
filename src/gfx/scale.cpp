// SPDX-License-Identifier: MIT
#include "gfx/scale.h"

#include "core/platform.h"

#include <cmath>
#include <unistd.h>

namespace gfx {
namespace {
float draw_scale = 1;
} // namespace

void setDrawScale(float s) {
    if (s > 0 && std::isfinite(s)) draw_scale = s;
}
float drawScale() {
    return draw_scale;
}

int artScale(float s) {
    // Up to 5 % over a set's scale still takes that set: its art magnified that little looks
    // the same, and the next set costs more than twice the memory.
    const int n = static_cast<int>(std::ceil(s - 0.05f));
    return n < 1 ? 1 : n > MAX_ART_SCALE ? MAX_ART_SCALE : n;
}

std::string scaledPath(const std::string& path, int scale) {
    if (scale <= 1) return path;
    const std::string tag = "@" + std::to_string(scale) + "x";
    if (path.rfind("img/", 0) == 0) return "img" + tag + path.substr(3);
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + tag;
    return path.substr(0, dot) + tag + path.substr(dot);
}

std::string findScaled(const std::string& path, int& scale) {
    const std::string base = platform::getBasePath();
    const int want = artScale(draw_scale);
    for (int s = want; s > 1; --s) {
        std::string full = base + scaledPath(path, s);
        if (access(full.c_str(), R_OK) != 0) continue;
        if (s < want)
            platform::log("image: no %s, drawing %s instead", scaledPath(path, want).c_str(),
                          scaledPath(path, s).c_str());
        scale = s;
        return full;
    }
    if (want > 1)
        platform::log("image: no %s, drawing %s instead", scaledPath(path, want).c_str(),
                      path.c_str());
    scale = 1;
    return base + path;
}

} // namespace gfx
