// SPDX-License-Identifier: MIT
// The fixture of the level tests: each plays a level of its own.
#pragma once

#include "level_driver.h"

#include <gtest/gtest.h>

using leveltest::Events;

struct LevelTest : testing::Test, leveltest::LevelDriver {
    Events take() { return leveltest::take(); }
};
