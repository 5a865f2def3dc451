#include "game/anim.h"

#include <gtest/gtest.h>

TEST(Anim, KeysInterpolateAndTheEndIsClamped) {
    const Vector3<float> two[2] = {{10, 20, 1}, {20, 0, 3}};
    Anim a(two, 2, 1.0f / 6.0f);
    Vector3<float> p = a.get(0.1f); // 0.6 of the way
    EXPECT_FLOAT_EQ(p.x, 16.0f);
    EXPECT_FLOAT_EQ(p.y, 8.0f);
    EXPECT_FLOAT_EQ(p.z, 2.2f);
    EXPECT_EQ(a.get(0.1f).x, 20.0f);
    EXPECT_GE(a.time, a.duration);
    p = a.get(5.0f); // long past the end: still the last key
    EXPECT_EQ(p.x, 20.0f);
    EXPECT_EQ(p.z, 3.0f);

    const Vector3<float> five[5] = {{0, 0, 0}, {0, 10, 0}, {0, 18, 0}, {0, 10, 0}, {4, 0, 0}};
    Anim b(five, 5, 1.0f);
    EXPECT_FLOAT_EQ(b.get(0.125f).y, 5.0f);  // halfway through the first segment
    EXPECT_FLOAT_EQ(b.get(0.125f).y, 10.0f); // exactly on key 1
    EXPECT_FLOAT_EQ(b.get(0.25f).y, 18.0f);
    p = b.get(0.375f); // halfway through the last segment
    EXPECT_FLOAT_EQ(p.x, 2.0f);
    EXPECT_FLOAT_EQ(p.y, 5.0f);
    EXPECT_EQ(b.get(0.125f).x, 4.0f); // exactly the end: the last key, not past it

    Anim c(five, 5, 1.0f); // only the end is clamped: a negative step runs backwards
    EXPECT_FLOAT_EQ(c.get(-0.125f).y, -5.0f);
}
