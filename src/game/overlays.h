// SPDX-License-Identifier: MIT
// Overlays that cover the whole screen in the art but show only in part are cropped to their
// visible pixels when the resources are built. This says how far the centre of such a cropped
// picture lies from the centre of the full one, in points, so that it lands on the very pixels
// the full picture covered.
#pragma once

#include "core/vector.h"

namespace fg {

// The shift for the picture `name` ("tutorial.png"), y up as the game draws; (0, 0) for a picture
// that was not cropped.
Vector2<float> overlayShift(const char* name);

} // namespace fg
