// SPDX-License-Identifier: MIT
#include "game/anim.h"

#include <gtest/gtest.h>

TEST(Anim, KeysInterpolateAndTheEndIsClamped) {
    const Vector3<float> keys[5] = {{0, 0, 1}, {0, 10, 0}, {0, 18, 0}, {0, 10, 0}, {4, 0, 3}};
    Anim a(keys, 5, 1.0f);
    const Vector3<float> p = a.get(0.1f); // 0.4 of the first segment
    EXPECT_FLOAT_EQ(p.y, 4.0f);
    EXPECT_FLOAT_EQ(p.z, 0.6f);
    EXPECT_FLOAT_EQ(a.get(0.15f).y, 10.0f); // exactly on key 1
    EXPECT_FLOAT_EQ(a.get(0.25f).y, 18.0f);
    EXPECT_FLOAT_EQ(a.get(0.375f).x, 2.0f); // halfway through the last segment
    EXPECT_LT(a.time, a.duration);
    EXPECT_EQ(a.get(0.13f).x, 4.0f); // just past the end: the last key, not beyond it
    EXPECT_GE(a.time, a.duration);
    EXPECT_EQ(a.get(5.0f).z, 3.0f); // long past the end: still the last key

    Anim b(keys, 5, 1.0f); // only the end is clamped: a negative step runs backwards
    EXPECT_FLOAT_EQ(b.get(-0.125f).y, -5.0f);
    Anim c(keys, 2, 1.0f / 6.0f); // two keys: the landing drop
    EXPECT_FLOAT_EQ(c.get(0.1f).y, 6.0f);
}
