// SPDX-License-Identifier: MIT
#include "shell/timer.h"

#include "core/clock.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace shell {

class Timer {
  public:
    int64_t interval = 0;
    int64_t due = 0;
    bool repeats = false;
    bool valid = true;
    std::function<void()> fire;
};

namespace {
std::vector<Timer*> timers;
Timer* firing = nullptr; // the timer whose handler runs

int64_t toNs(double seconds) {
    return static_cast<int64_t>(std::llround(seconds * 1e9));
}
} // namespace

Timer* scheduleTimer(double seconds, bool repeats, std::function<void()> fire) {
    auto* t = new Timer;
    t->interval = std::max<int64_t>(toNs(seconds), 1);
    t->due = clk::nowNs() + t->interval;
    t->repeats = repeats;
    t->fire = std::move(fire);
    timers.push_back(t);
    return t;
}

void invalidateTimer(Timer* t) {
    if (!t) return;
    if (t == firing) { // freed once its handler returns
        t->valid = false;
        return;
    }
    // A pointer not in the list is a one-shot timer that has fired already: nothing to do.
    auto it = std::find(timers.begin(), timers.end(), t);
    if (it == timers.end()) return;
    timers.erase(it);
    delete t;
}

int fireDueTimers() {
    int fired = 0;
    const int64_t now = clk::nowNs(); // one reading: the host clock moves while handlers run
    // A handler may schedule or invalidate timers (itself included): look for the earliest due
    // timer afresh after every firing.
    for (;;) {
        Timer* next = nullptr;
        for (Timer* t : timers)
            if (t->due <= now && (!next || t->due < next->due)) next = t;
        if (!next) return fired;
        ++fired;
        if (next->repeats) {
            next->due += next->interval;
            if (next->due <= now) // missed firings are skipped
                next->due += ((now - next->due) / next->interval + 1) * next->interval;
        } else {
            next->valid = false; // a one-shot timer is done once it fires
        }
        firing = next;
        next->fire();
        firing = nullptr;
        if (!next->valid) invalidateTimer(next);
    }
}

int64_t nextTimerDue() {
    int64_t due = INT64_MAX;
    for (Timer* t : timers)
        due = std::min(due, t->due);
    return due;
}

} // namespace shell
