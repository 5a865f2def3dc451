// SPDX-License-Identifier: MIT
// One line of text rasterised from a TrueType font of the resource folder into RGBA pixels.
#pragma once

#include "core/vector.h"

namespace platform {

// How a line of text is drawn.
struct TextStyle {
    const char* font = ""; // "<base path><font>.ttf"
    int glyphOffset = 0;   // glyph index = UTF-16 unit + glyphOffset (16-bit wrap)
    int pointSize = 0;     // pixels to the em
    Vector4<float> colour = {1, 1, 1, 1};
    Vector4<float> outlineColour = {0, 0, 0, 0};
    int outlineWidth = 0; // pixels; no outline when 0 or its colour is transparent
    float fill = 0;       // the grey (0..1) that transparent pixels carry
    int maxWidth = 512;   // the line is cut there
    bool fitted = false;  // the buffer one texel larger than the text, not a power of two
};

// The sizes of a rasterised line.
struct TextImage {
    int width = 0, height = 0;       // of the text
    int texWidth = 0, texHeight = 0; // of the buffer (see util::paddedSide)
    int bytesPerPixel = 0;
};

// Draws text (UTF-8) starting at x = outlineWidth on a baseline (outlineWidth + pointSize) / 4
// above the bottom. With an outline the line's outline, grown by half the width outside the
// glyphs, is drawn first and the fills on top. Transparent pixels carry the grey fill * 255;
// colours are premultiplied.
// Returns a new[] buffer of texWidth x texHeight pixels, row 0 at the BOTTOM of the text, with
// width = min(outlineWidth + 2 + pen end, maxWidth), height = outlineWidth + pointSize; or null
// (with a message) when the size is absurd or no font can draw. A font that is missing or
// damaged is named once on the console and its text is drawn with another font of the resource
// folder, by character code.
unsigned char* loadFontFileText(const char* text, const TextStyle& style, TextImage& out);

} // namespace platform
