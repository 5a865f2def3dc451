// SPDX-License-Identifier: MIT
// An offscreen OpenGL ES 1.1 context for tests and benchmarks that draw (SDL's offscreen video
// driver; Mesa's llvmpipe where there is no GPU).
#pragma once

#include <cstdint>
#include <vector>

namespace testgl {

// Creates the context once per process (a width x height surface) and makes it current.
// False, with a message on stderr, when no ES 1.1 context can be had.
bool init(int width = 320, int height = 480);

// The surface's height and the colour buffer read back as RGBA, row 0 at the top.
int height();
std::vector<uint8_t> readPixels();
// One pixel, (x, y) from the top-left corner, as 0xRRGGBB.
uint32_t rgbAt(const std::vector<uint8_t>& pixels, int x, int y);

} // namespace testgl
