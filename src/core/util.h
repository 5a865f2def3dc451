// SPDX-License-Identifier: MIT
// Small numeric helpers and the shared printf-style formatter.
#pragma once

#include <string>

namespace util {

// 1 for v <= 1, otherwise the smallest power of two >= v (v up to 2^30).
int nextPowerOfTwo(int v);

// lo + (hi - lo) * rand() / 2^31, in single precision: [lo, hi).
float randomf(float lo, float hi);
// lo + rand() % (hi - lo + 1): [lo, hi], both ends inclusive. hi >= lo.
int randomi(int lo, int hi);
void seedrand(int seed);

// printf-style formatting into one shared string, valid until the next call. No length limit.
// A text that comes out empty (or a formatting error) gives the empty string.
const std::string& formatString(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace util

namespace rnd {
// The name the advertising code uses; identical to util::randomi.
int randomi(int lo, int hi);
} // namespace rnd
