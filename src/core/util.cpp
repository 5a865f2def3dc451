// SPDX-License-Identifier: MIT
#include "core/util.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace util {

static std::string format_result;

int nextPowerOfTwo(int v) {
    if (v <= 1) return 1;
    int p = 1;
    while (p != 0 && v > p)
        p = static_cast<int>(static_cast<unsigned>(p) << 1);
    return p;
}

float randomf(float lo, float hi) {
    return lo + (hi - lo) * 4.656612873077393e-10f * static_cast<float>(rand());
}

int randomi(int lo, int hi) { return lo + rand() % (hi - lo + 1); }

void seedrand(int seed) { srand(static_cast<unsigned>(seed)); }

const std::string& formatString(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int n = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (n <= 0) {
        format_result.clear();
    } else {
        // std::string never shares storage between copies, so writing through data() is safe.
        format_result.resize(static_cast<size_t>(n));
        vsnprintf(format_result.data(), static_cast<size_t>(n) + 1, format, args);
    }
    va_end(args);
    return format_result;
}

} // namespace util

namespace rnd {
int randomi(int lo, int hi) { return util::randomi(lo, hi); }
} // namespace rnd
