// SPDX-License-Identifier: MIT
#include "core/clock.h"

#include <ctime>

namespace clk {
namespace {

bool virtual_time = false;
bool started = false;
int64_t start_ns = 0; // host nanoseconds at the start
int64_t virtual_ns = 0;

int64_t hostNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

} // namespace

int64_t nowNs() {
    if (virtual_time) return virtual_ns;
    if (!started) restartHost();
    return hostNs() - start_ns;
}

double now() {
    return static_cast<double>(nowNs()) * 1e-9;
}

double seconds() {
    return static_cast<double>(nowNs() / 1'000'000) * 0.001;
}

void setNs(int64_t ns) {
    virtual_time = true;
    virtual_ns = ns < 0 ? 0 : ns;
}

void restartHost() {
    virtual_time = false;
    started = true;
    start_ns = hostNs();
}

void sleepUntil(int64_t ns) {
    if (virtual_time) {
        if (ns > virtual_ns) virtual_ns = ns;
        return;
    }
    const int64_t target = start_ns + ns;
    const timespec ts{static_cast<time_t>(target / 1'000'000'000),
                      static_cast<long>(target % 1'000'000'000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
}

} // namespace clk
