// SPDX-License-Identifier: MIT
// Animation sheets that the resource build makes as another sheet's frames flipped left to right
// have no picture of their own: the game draws the other sheet mirrored, from one texture.
#pragma once

namespace fg {

// The sheet that `name` ("fan_l1l2_right.png") mirrors, or null when it is a picture of its own.
const char* mirroredSheet(const char* name);

} // namespace fg
