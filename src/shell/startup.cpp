// SPDX-License-Identifier: MIT
#include "shell/startup.h"

namespace shell {

bool inPromotionWeek(time_t now) {
    tm start{};
    start.tm_year = 2009 - 1900;
    start.tm_mon = 11;
    start.tm_mday = 13;
    start.tm_isdst = -1;
    tm end = start;
    end.tm_mday = 19;
    end.tm_hour = 23;
    end.tm_min = 59;
    end.tm_sec = 59;
    const time_t from = mktime(&start), to = mktime(&end);
    return now >= from && now <= to;
}

double startupSeconds(time_t now) {
    return inPromotionWeek(now) ? 4.0 : 2.0;
}

} // namespace shell
