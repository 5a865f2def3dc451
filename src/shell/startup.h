// SPDX-License-Identifier: MIT
// The start-up screen's timing.
#pragma once

#include <ctime>

namespace shell {

// True from 13 December 2009 00:00:00 to 19 December 2009 23:59:59 local time, both included:
// the week the promotional overlay shows on the start-up screen.
bool inPromotionWeek(time_t now);

// How long the start-up screen stays: 4 s in the promotion week, else 2 s.
double startupSeconds(time_t now);

} // namespace shell
