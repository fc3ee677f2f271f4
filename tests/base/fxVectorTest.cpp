#include "base/fxVector.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(fxVector, CombineByPhaseIsExactAtTheEnds)
{
    float a[4] = {0, 1, 2, 3}, b[4] = {2, 1, 0, 3}, out[4];
    fxVec4fCombineP(out, a, b, 0.5f);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(out[2], 1);
    EXPECT_EQ(out[3], 3);
    fxVec4fCombineP(out, a, b, 2.0f);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(out[2], -2);
    EXPECT_EQ(out[3], 3);

    // Bit for bit, including values where a + 1*(b-a) would round.
    float x[4] = {0.1f, 1e30f, -0.0f, 3.3f}, y[4] = {1e-8f, -1e30f, 7.7f, 0.3f};
    fxVec4fCombineP(out, x, y, 0.0f);
    EXPECT_EQ(std::memcmp(out, x, sizeof x), 0);
    fxVec4fCombineP(out, x, y, 1.0f);
    EXPECT_EQ(std::memcmp(out, y, sizeof y), 0);
    EXPECT_EQ(fxVec1fCombineP(0.1f, 1e-8f, 1.0f), 1e-8f);
    EXPECT_EQ(fxVec1fCombineP(0.1f, 1e-8f, 0.0f), 0.1f);
    EXPECT_EQ(fxVec1fCombineP(1, 3, 0.5f), 2);

    // In place.
    fxVec3fCombineP(x, x, y, 0.5f);
    EXPECT_FLOAT_EQ(x[2], 3.85f);
    float p[2] = {1, 2}, q[2] = {4, 6};
    fxVec2fCombineP(p, p, q, 1.0f);
    EXPECT_EQ(p[1], 6);

    float c[4];
    fxVec4fCombine(c, a, b);
    EXPECT_EQ(c[0], 0);
    EXPECT_EQ(c[3], 9);
}
