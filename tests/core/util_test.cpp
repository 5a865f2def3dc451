// SPDX-License-Identifier: MIT
#include "core/clock.h"
#include "core/platform.h"
#include "core/util.h"

#include <gtest/gtest.h>
#include <string>

TEST(Util, VirtualClockAndSharedFormatting) {
    clk::setNs(4'294'977'296'000'000); // past 2^32 ms
    EXPECT_DOUBLE_EQ(platform::getTime(), 4294977.296);
    // One shared result of any length; a copy taken earlier keeps its text.
    const std::string& first = util::formatString("%i", 42);
    const std::string copy = first, text = std::string(299, 'x') + "y";
    EXPECT_EQ(util::formatString("%s", text.c_str()), text);
    EXPECT_EQ(std::pair(first, copy), std::pair(text, std::string("42")));
}
