// SPDX-License-Identifier: MIT
// Shared by the menu, controller and banner tests: resource and data folders of our own, plain
// images of known colours, a screen ready to draw on, and a recorder of bus events.
#pragma once

#include "core/evt.h"
#include "support/gl_context.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace front {

// A fresh resource folder (img/ plus the built fonts and key file) made the game's base path;
// false when those could not be copied.
bool makeResourceDir();
// A fresh folder made the game's data path.
void makeDataDir();
// Writes a w x h PNG of one colour (0xRRGGBBAA) as img/<name> in the base path.
void writeImage(const char* name, int w, int h, uint32_t rgba);
// Clears the screen to black with the scene's drawing state and a 320 x 480 projection.
void clearScreen();

// From now on records the events named in the filter as "name", "name <int>" or
// "name <text>".
using Events = std::vector<std::string>;
void record(Events filter);
Events& events();

} // namespace front
