// SPDX-License-Identifier: MIT
// Timers of the main loop, on its clock: the host's monotonic clock in a window, the virtual step
// clock (step n at n x 0.02 s) in headless runs. A repeating timer keeps its schedule: a late
// firing does not move the next one, and firings missed entirely are skipped, not caught up.
#pragma once

#include <cstdint>
#include <functional>

namespace ui {

// The loop clock in nanoseconds and seconds.
int64_t nowNs();
double now();
void setNowNs(int64_t ns); // the loop advances it

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

} // namespace ui
