// SPDX-License-Identifier: MIT
// The buttons of the current screen by the text they show, and the keyboard and gamepad focus
// over them: moved by direction, pressed with the same pointer events a tap makes, drawn as a
// ring from the first key or pad press until the mouse is used again.
#pragma once

#include "core/vector.h"

#include <vector>

namespace fg {

// What the shell's keys and pads ask of the focus (onNav carries one as an integer).
enum Nav { NAV_HIDE = 0, NAV_UP, NAV_DOWN, NAV_LEFT, NAV_RIGHT, NAV_PRESS };

// One button: its label, centre and size in game space (origin bottom-left, y up).
struct Button {
    const char* label;
    float x, y, w, h;
};

extern const char* const LEVEL_NAMES[5];

// The buttons the player can use on the current screen (none while the screens slide).
void screenButtons(std::vector<Button>& out);
// Bus handler of onNav.
void onNav(void* user, void* payload);
// Draws the ring when it shows (render calls this last).
void drawFocus();
// Where a flick made with keys or a stick starts: the ball, when the level waits for a throw.
bool flickAnchor(Vector2<float>& at);

} // namespace fg
