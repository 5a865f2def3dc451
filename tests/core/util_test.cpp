// SPDX-License-Identifier: MIT
#include "core/util.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

TEST(Util, NextPowerOfTwo) {
    const int cases[][2] = {{0, 1}, {1, 1},   {-5, 1},   {2, 2},
                            {3, 4}, {64, 64}, {65, 128}, {320, 512}};
    for (auto& c : cases)
        EXPECT_EQ(util::nextPowerOfTwo(c[0]), c[1]) << c[0];
}

TEST(Util, RandomRangesAndSeed) {
    util::seedrand(1234);
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(util::randomi(3, 3), 3);
        EXPECT_EQ(util::randomf(2.0f, 2.0f), 2.0f);
        seen.insert(util::randomi(0, 1));
        float f = util::randomf(0.0f, 6.0f);
        EXPECT_TRUE(f >= 0.0f && f <= 6.0f) << f;
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1}));
    // The same seed gives the same numbers: headless runs depend on it.
    util::seedrand(77);
    float a = util::randomf(0, 1);
    util::seedrand(77);
    EXPECT_EQ(util::randomf(0, 1), a);
}

TEST(Util, FormatStringSharesOneResultOfAnyLength) {
    const std::string& first = util::formatString("%i", 42);
    EXPECT_EQ(first, "42");
    std::string copy = first;
    EXPECT_EQ(util::formatString("%s", "abc"), "abc");
    EXPECT_EQ(first, "abc"); // one shared string
    EXPECT_EQ(copy, "42");   // a copy taken earlier keeps its text
    std::string text(299, 'x');
    text += 'y';
    EXPECT_EQ(util::formatString("%s", text.c_str()), text);
    EXPECT_EQ(util::formatString("%.2f", 5.999f), "6.00");
    EXPECT_EQ(util::formatString("%s", ""), "");
}
