// SPDX-License-Identifier: MIT
// The one clock of the game: the frame loop's timers, the platform's getTime, the views' fades
// and the level's flick timing all read it. It counts from its start either the host's monotonic
// clock (a window) or virtual time that moves only when set (headless runs, where step n is at
// n x 0.02 s).
#pragma once

#include <cstdint>

namespace clk {

// Nanoseconds since the start. The host clock starts at its first reading unless restarted.
int64_t nowNs();
// The same in seconds.
double now();
// In whole milliseconds, as seconds (the platform's getTime; touches are timed with it).
double seconds();

// Virtual time: from now on the clock stands at ns until set again.
void setNs(int64_t ns);
// The host clock, counted from now.
void restartHost();

// Returns once the clock reads at least ns: an absolute sleep on the host clock, or a jump of
// virtual time.
void sleepUntil(int64_t ns);

} // namespace clk
