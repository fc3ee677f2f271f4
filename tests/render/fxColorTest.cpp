#include "render/fxColor.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(fxColor, PackingOrdersAndTruncation)
{
    const float red[4] = {1, 0, 0, 1};
    EXPECT_EQ(fxColToInt1(red), 0xFF0000FFu);
    EXPECT_EQ(fxColToInt(red), 0xFFFF0000u);
    const float almost[4] = {0.999f, 0, 0, 0};
    EXPECT_EQ(fxColToInt1(almost), 254u);

    float c[4];
    fxColFromInt1(c, 0x80FF0000u);
    EXPECT_FLOAT_EQ(c[2], 1);
    EXPECT_FLOAT_EQ(c[0], 0);
    EXPECT_FLOAT_EQ(c[3], 128.0f / 255);
    fxColFromInt(c, 0x80FF0000u);
    EXPECT_FLOAT_EQ(c[0], 1);
    EXPECT_FLOAT_EQ(c[2], 0);

    float wild[4] = {-1, 2, 0.5f, 1};
    fxColCutRange(wild);
    EXPECT_FLOAT_EQ(wild[0], 0);
    EXPECT_FLOAT_EQ(wild[1], 1);
    float zero[4] = {0, 0, 0, 0};
    EXPECT_TRUE(fxColIsZero(zero));
    zero[1] = std::nanf("");
    EXPECT_FALSE(fxColIsZero(zero));
}
