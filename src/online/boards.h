// SPDX-License-Identifier: MIT
// The score service's per-level boards: board ids, access tokens and titles. The ids and tokens
// are build settings (FLINGO_BOARD_IDS, FLINGO_BOARD_TOKENS); the defaults are the ones the
// reference server in tools/flingo-scores knows.
#pragma once

#include <cstdint>

#ifndef FLINGO_BOARD_IDS
#define FLINGO_BOARD_IDS 41207, 41208, 41209, 41210, 41211
#endif
#ifndef FLINGO_BOARD_TOKENS
#define FLINGO_BOARD_TOKENS                                                                        \
    "e4k9w2m7q1t8z3c6v5b0n2x7r4p9d", "h3j8f1s6a9l2k5g0d7w4e1r8t3y6u",                              \
        "p2o7i4u9y1t6r3e8w5q0a2s7d4f", "m9n4b7v2c5x8z1l6k3j0h5g8f2d7s",                            \
        "q7w2e9r4t1y8u3i6o5p0a7s2d9f4g"
#endif

namespace online {

constexpr int BOARD_COUNT = 5;

inline constexpr int32_t rankora_game_ids[BOARD_COUNT] = {FLINGO_BOARD_IDS};
inline constexpr const char* rankora_tokens[BOARD_COUNT] = {FLINGO_BOARD_TOKENS};
inline constexpr const char* rankora_scoreboard_names[BOARD_COUNT] = {
    " Easy Level Scores", " Medium Level Scores", " Hard Level Scores", "Airport Level Scores",
    "Basement Level Scores"};

// The check value sent with a submission; out-of-range coordinates are sent as 0 with check 0.
// Latitude and longitude are clamped in place.
inline int32_t checkValue(int32_t gid, int32_t best, double& lat, double& lng) {
    if (lng > 180) {
        lng = 0;
        if (lat > 90) lat = 0;
        return 0;
    }
    const int32_t f = static_cast<int32_t>((static_cast<int64_t>(gid) + best) % 13) + 7;
    if (lat > 90) {
        lat = 0;
        return 0;
    }
    // Whole degrees, without sign; garbage positions (NaN, far out of range) must not overflow.
    auto whole = [](double v) -> int64_t {
        v = v < 0 ? -v : v;
        return v == v ? static_cast<int64_t>(v < 1e6 ? v : 1e6) : 0;
    };
    return static_cast<int32_t>(whole(lat) * whole(lng) * f);
}

} // namespace online
