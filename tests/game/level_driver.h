// SPDX-License-Identifier: MIT
// Plays a Level as the game does: pointer events go over the bus, frames update and draw it
// into the offscreen GL context on a virtual clock, and what it publishes is recorded.
#pragma once

#include "core/clock.h"
#include "core/evt.h"
#include "game/level.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace leveltest {

// Sound files as they are played, "setBest <n>", and the names of the other events.
using Events = std::vector<std::string>;

struct LevelDriver {
    LevelDriver(); // also fills the catalogue afresh
    ~LevelDriver();
    // Creates the level from a record (one that outlives it), slide-in finished.
    void enter(const fg::LevelInfo& info, int best = 0, bool canSubmit = false);
    void enter(int row = 0, int best = 0) { enter(fg::level_info[row], best); }
    void wait(double seconds) { clk::setNs(std::llround((now += seconds) * 1e9)); }
    void frames(int n = 1, double dt = 0.02);
    int untilReady(); // ticks until the next throw can start
    void pointer(const char* event, float x, float y);
    void down(float x, float y) { pointer("onPtrDown", x, y); }
    void move(float x, float y) { pointer("onPtrMove", x, y); }
    void up(float x, float y) { pointer("onPtrUp", x, y); }
    void flick(float dx, float dy); // grab the ball, one move a tick later, release there
    Events take() { return std::exchange(published, {}); } // published since the last take

    Level level;
    Events published;
    double now = 0;
    int sizeGlCalls = 0;
    void onSizeGl(void*); // the controller's 2D projection of the 320 x 480 screen
    evt::AutoSubscriber sizeGl{"sizeGl", evt::Callback(this, &LevelDriver::onSizeGl)};
};

} // namespace leveltest
