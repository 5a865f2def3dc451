// SPDX-License-Identifier: MIT
// Counts heap allocations through a replaced global operator new, so benchmarks can report
// allocations per operation.
#pragma once

#include <cstdint>

namespace bench {
uint64_t allocations();
} // namespace bench
