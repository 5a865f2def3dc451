// SPDX-License-Identifier: MIT
#include "core/clock.h"
#include "core/platform.h"
#include "core/util.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

TEST(Util, VirtualClockRandomRangesAndSharedFormatting) {
    clk::setNs(4'294'977'296'000'000); // past 2^32 ms
    EXPECT_DOUBLE_EQ(platform::getTime(), 4294977.296);
    util::seedrand(1234);
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(std::pair(util::randomi(3, 3), util::randomf(2, 2)), std::pair(3, 2.0f));
        const float f = util::randomf(0, 6);
        seen.insert(util::randomi(0, 1));
        EXPECT_TRUE(f >= 0 && f <= 6) << f;
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1}));
    // One shared result of any length; a copy taken earlier keeps its text.
    const std::string& first = util::formatString("%i", 42);
    const std::string copy = first, text = std::string(299, 'x') + "y";
    EXPECT_EQ(util::formatString("%s", text.c_str()), text);
    EXPECT_EQ(std::pair(first, copy), std::pair(text, std::string("42")));
}
