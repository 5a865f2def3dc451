// SPDX-License-Identifier: MIT
// The drawing scale (pixels per point) and the image sets drawn for it. Images exist at 1x, 2x
// and 3x under the same names and point sizes: "img/Level1.png", "img@2x/Level1.png",
// "img@3x/Level1.png"; files at the top of the resource folder carry the scale in their name:
// "Default.png", "Default@2x.png".
#pragma once

#include <string>

namespace gfx {

constexpr int MAX_ART_SCALE = 3;

// The scale the screen is drawn at; text made afterwards is rasterised for it, and images
// loaded afterwards come from the smallest set at or above it (at most 3x; see artScale).
void setDrawScale(float pixelsPerPoint);
float drawScale();
// The set for a drawing scale: 1, 2 or 3 (a scale up to 5 % above a set's takes that set).
int artScale(float pixelsPerPoint);

// A resource path ("img/X.png", "Default.png") in the set of the given scale.
std::string scaledPath(const std::string& path, int scale);

// The file to load for a resource path at the current drawing scale: the chosen set's, else the
// next lower set's, down to 1x, with one message naming the missing file; scale tells which
// set was found. The 1x path (which may not exist either) when nothing else is there.
std::string findScaled(const std::string& path, int& scale);

} // namespace gfx
