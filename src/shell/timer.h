// SPDX-License-Identifier: MIT
// Timers of the main loop, on the game's clock (core/clock.h). A repeating timer keeps its
// schedule: a late firing does not move the next one, and firings missed entirely are skipped, not
// caught up.
#pragma once

#include <cstdint>
#include <functional>

namespace shell {

class Timer;

// Starts a timer whose first firing is one interval from now. The loop owns it until it is
// invalidated (a one-shot timer invalidates itself after firing).
Timer* scheduleTimer(double seconds, bool repeats, std::function<void()> fire);
// Stops and frees the timer; harmless for null.
void invalidateTimer(Timer* t);

// Fires every timer due at the current time, earliest first. Returns how many fired.
int fireDueTimers();
// Nanosecond time of the earliest pending firing, or INT64_MAX when there is none.
int64_t nextTimerDue();

} // namespace shell
