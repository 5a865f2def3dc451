// Plays a Level as the game does: pointer events and frame times go over the bus, the level
// draws into the offscreen GL context, and everything it publishes is recorded.
#pragma once

#include "core/evt.h"
#include "game/level.h"

#include <string>
#include <vector>

namespace leveltest {

struct Published {
    std::string name, text; // text: the file of "flingoPlaySound"
    int value;              // the new best of "setBest"
};

struct LevelDriver {
    LevelDriver();
    ~LevelDriver();
    // Creates the level from a catalogue row or a record of the test's own, slide-in finished.
    void enter(const fg::LevelInfo* info, int best = 0, bool canSubmit = false);
    void enter(int row, int best = 0, bool canSubmit = false);
    void wait(double seconds); // moves the clock without a frame
    void frame(double dt = 0.02);
    void frames(int n, double dt = 0.02) {
        while (n-- > 0)
            frame(dt);
    }
    int untilReady() { // ticks until the next throw can start
        int n = 0;
        for (; level.state != Level::READY && n < 1000; ++n)
            frame();
        return n;
    }
    void pointer(const char* event, float x, float y);
    void down(float x, float y) { pointer("onPtrDown", x, y); }
    void move(float x, float y) { pointer("onPtrMove", x, y); }
    void up(float x, float y) { pointer("onPtrUp", x, y); }
    // Grab at `from`, `moves` evenly spaced moves a tick apart ending at `to`, release there.
    void flick(Vector2<float> from, Vector2<float> to, int moves = 4);
    std::vector<std::string> sounds() const;
    int count(const std::string& name) const;
    void clear() { published.clear(); }

    Level level;
    std::vector<Published> published; // what the level published, cleared by the tests
    double now = 0;
    int sizeGlCalls = 0;

  private:
    void onSizeGl(void*);
    void onFrame(void* payload);
    void onRender(void*);
    evt::AutoSubscriber subs[3] = {{"sizeGl", evt::Callback(this, &LevelDriver::onSizeGl)},
                                   {"onFrame", evt::Callback(this, &LevelDriver::onFrame)},
                                   {"render", evt::Callback(this, &LevelDriver::onRender)}};
};

const fg::LevelInfo& row(int index); // the catalogue, filled on first use

} // namespace leveltest
