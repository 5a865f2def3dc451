// SPDX-License-Identifier: MIT
// One line of text rasterised from a TrueType font of the resource folder into RGBA pixels.
#pragma once

#include "core/vector.h"

namespace platform {

// Draws text (UTF-8) in "<base path><font>.ttf", glyph index = UTF-16 unit + glyphOffset
// (16-bit wrap), at pointSize pixels to the em, starting at x = outlineWidth on a baseline
// (outlineWidth + pointSize) / 4 above the bottom. With an outline (width > 0 and outline alpha
// > 0) the line's outline, grown by half the width outside the glyphs, is drawn first and the
// fills on top. Transparent pixels carry the grey fill * 255; colours are premultiplied.
// Returns a new[] buffer of texWidth x texHeight pixels, row 0 at the BOTTOM of the text, with
// width = min(outlineWidth + 2 + pen end, maxWidth), height = outlineWidth + pointSize and the
// texture sides their next powers of two; or null (with a message) when the font is missing or
// the size is absurd.
unsigned char* loadFontFileText(const char* font, int glyphOffset, const char* text, int pointSize,
                                Vector4<float> colour, Vector4<float> outlineColour,
                                int outlineWidth, float fill, int& width, int& height,
                                int& texWidth, int& texHeight, int& bytesPerPixel,
                                int maxWidth = 512);

} // namespace platform
