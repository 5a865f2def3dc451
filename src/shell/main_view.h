// SPDX-License-Identifier: MIT
// The game's GL view: 50 ticks a second, no depth buffer; its creation starts the game, and
// its touches become the game's pointer events.
#pragma once

#include "core/vector.h"
#include "shell/gl_view.h"

class MainView : public shell::BaseGLView {
  public:
    // Creates the view and, when that worked, runs the game's whole initialisation. False
    // (and the game not started) when the view cannot be made.
    bool init();
    void touch(shell::TouchPhase phase, float x, float y) override;
    // Focus moves and presses become onNav; a key or stick flick starts on the ball.
    void nav(shell::Nav n) override;
    bool flickAnchor(float& x, float& y) const override;
};

// The point published with every pointer event: the touch in the game's screen space (origin
// bottom-left, y up).
extern Vector2<float> touch_point;
