// SPDX-License-Identifier: MIT
// What the game, banner and benchmark programs share: a recorder of bus events, resource and
// data folders of their own with plain pictures, a screen ready to draw on, and a driver that
// plays a Level as the game does: pointer events go over the bus, frames update and draw it into
// the offscreen GL context on a virtual clock.
#pragma once

#include "core/clock.h"
#include "core/evt.h"
#include "game/level.h"
#include "support/gl_context.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace leveltest {

// A sound file as it is played, "name <n>" or "name <text>" for events with a number or a
// text, else the name.
using Events = std::vector<std::string>;
// From now on records the named events, the list emptied.
void record(Events names);
Events take(); // recorded since the last take

// A fresh resource folder (img/ plus the built fonts and key file) made the game's base path,
// and a fresh data folder its data path; false when those could not be copied.
bool makeResourceDir();
// Writes a w x h PNG of one colour (0xRRGGBB) as img/<name> in the base path.
void writeImage(const char* name, int w, int h, uint32_t rgb);
// Publishes a pointer event at (x, y) on the 320 x 480 screen (y up).
void touch(const char* event, float x, float y);
// A colour's channels, for comparing colours.
inline std::array<float, 4> rgba(Vector4<float> c) {
    return {c.x, c.y, c.z, c.w};
}
// The scene's fixed drawing state and the 2D projection of the 320 x 480 screen, cleared black.
void clearScreen();
void project2D();

struct LevelDriver {
    LevelDriver(); // also fills the catalogue afresh and records what a level publishes
    ~LevelDriver();
    // Creates the level from a record (one that outlives it), slide-in finished.
    void enter(const fg::LevelInfo& info, int best = 0, bool canSubmit = false);
    void enter(int row = 0, int best = 0) { enter(fg::level_info[row], best); }
    void wait(double seconds) { clk::setNs(std::llround((now += seconds) * 1e9)); }
    void frames(int n = 1, double dt = 0.02);
    void down(float x, float y) { touch("onPtrDown", x, y); }
    void move(float x, float y) { touch("onPtrMove", x, y); }
    void up(float x, float y) { touch("onPtrUp", x, y); }
    void flick(float dx, float dy); // grab the ball, one move a tick later, release there

    Level level;
    double now = 0;
    int sizeGlCalls = 0;
    void onSizeGl(void*) { ++sizeGlCalls, project2D(); } // the controller's answer
    evt::AutoSubscriber sizeGl{"sizeGl", evt::Callback(this, &LevelDriver::onSizeGl)};
};

} // namespace leveltest
