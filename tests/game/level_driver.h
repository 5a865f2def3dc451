// Plays a Level the way the game does: pointer events and frame times go over the bus, the
// level draws into the offscreen GL context, and everything the level publishes is recorded,
// so a test reads like a throw.
#pragma once

#include "core/vector.h"
#include "game/level.h"

#include <string>
#include <vector>

namespace leveltest {

struct Published {
    std::string name;
    std::string text; // string payloads: sound file names
    int value = 0;    // int payloads: the new best
};

class LevelDriver {
  public:
    // Needs the offscreen context; sets the fixed GL state the controller sets at start-up.
    LevelDriver();
    ~LevelDriver();
    LevelDriver(const LevelDriver&) = delete;
    LevelDriver& operator=(const LevelDriver&) = delete;

    // Creates the level from catalogue row `row` and finishes the slide-in (state = savedState).
    void enter(int row, int best = 0, bool canSubmit = false, int basketFrame = 1);
    void enter(const fg::LevelInfo* info, int best = 0, bool canSubmit = false,
               int basketFrame = 1);

    // One tick: the clock moves by dt, then "onFrame" and "render" are published.
    void frame(double dt = 0.02);
    void frames(int n, double dt = 0.02);
    // Ticks until the level is ready to throw again; returns the ticks taken (-1 if it never is).
    int playUntilReady(int maxFrames = 1000);

    void down(float x, float y);
    void move(float x, float y);
    void up(float x, float y);
    // Grab at `from`, `moves` evenly spaced moves ending at `to` (a tick apart), release there.
    void flick(Vector2<float> from, Vector2<float> to, int moves = 4);
    // Moves the clock without a frame.
    void wait(double seconds);

    // What the level published, in order ("sizeGl" included), since the last clear().
    std::vector<Published> published;
    std::vector<std::string> sounds() const;
    int count(const std::string& name) const;
    void clear() { published.clear(); }

    Level level;
    double now = 0; // the clock the level reads
    int sizeGlCalls = 0;

  private:
    static void observe(std::string_view name, void* payload);
    static void onSizeGl(void* user, void* payload);
    static void onFrame(void* user, void* payload);
    static void onRender(void* user, void* payload);
    void pointer(const char* name, float x, float y);
};

// Catalogue row filled once for the whole test program.
const fg::LevelInfo& row(int index);

} // namespace leveltest
