#include "base/FXMatrix.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(FXMatrix, RotationsUseThePiOf3_1415)
{
    FXMatrix m;
    m.SetRotateX(90);
    EXPECT_EQ(m.M(1, 1), std::cos(1.5707500f));
    EXPECT_NEAR(m.M(1, 1), 0.0000463f, 0.0000005f);
    EXPECT_EQ(m.M(2, 2), m.M(1, 1));
    EXPECT_NEAR(m.M(1, 2), 1.0f, 1e-6f);
    EXPECT_NEAR(m.M(2, 1), -1.0f, 1e-6f);
    EXPECT_EQ(m.M(0, 0), 1.0f);
    EXPECT_EQ(m.M(3, 3), 1.0f);

    m.SetRotateY(90);
    EXPECT_NEAR(m.M(0, 2), 1.0f, 1e-6f);
    EXPECT_NEAR(m.M(2, 0), -1.0f, 1e-6f);
    EXPECT_EQ(m.M(1, 1), 1.0f);
    m.SetRotateZ(90);
    EXPECT_NEAR(m.M(1, 0), 1.0f, 1e-6f);
    EXPECT_NEAR(m.M(0, 1), -1.0f, 1e-6f);
    EXPECT_EQ(m.M(2, 2), 1.0f);
}

TEST(FXMatrix, MoveScaleFlipLayout)
{
    FXMatrix m;
    m.SetScaleF(2, 3, 4);
    EXPECT_EQ(m.m[0], 2);
    EXPECT_EQ(m.m[5], 3);
    EXPECT_EQ(m.m[10], 4);
    EXPECT_EQ(m.M(3, 0), 0);
    EXPECT_EQ(m.M(3, 1), 0);
    EXPECT_EQ(m.M(3, 2), 0);
    EXPECT_EQ(m.M(3, 3), 1);
    m.SetMoveF(5, 6, 7);
    EXPECT_EQ(m.m[12], 5);
    EXPECT_EQ(m.m[13], 6);
    EXPECT_EQ(m.m[14], 7);
    EXPECT_EQ(m.m[15], 1);
    m.SetFlipY();
    EXPECT_EQ(m.M(1, 1), -1);
    EXPECT_EQ(m.M(0, 0), 1);
}

TEST(FXMatrix, MultiplyOrderBothWays)
{
    FXMatrix move, scale, r;
    move.SetMoveF(1, 0, 0);
    scale.SetScaleF(2, 2, 2);
    r.Multiply(&move, &scale); // scaled first, then moved
    EXPECT_EQ(r.m[12], 1);
    EXPECT_EQ(r.m[0], 2);
    r.Multiply(&scale, &move); // moved first, then scaled
    EXPECT_EQ(r.m[12], 2);
    EXPECT_EQ(r.m[0], 2);

    // Accumulating into an operand gives the same as a separate result.
    FXMatrix a, b, expected;
    a.SetRotateZ(30);
    b.SetMoveF(3, 4, 5);
    expected.Multiply(&a, &b);
    a.Multiply(&a, &b);
    EXPECT_TRUE(a.Compare(&expected));
}

TEST(FXMatrix, CompareIsExact)
{
    FXMatrix a, b;
    a.SetIdentity();
    b.Copy(&a);
    EXPECT_TRUE(a.Compare(&b));
    a.m[3] = 0.0f;
    b.m[3] = -0.0f;
    EXPECT_TRUE(a.Compare(&b));
    b.m[7] = 1e-7f;
    EXPECT_FALSE(a.Compare(&b));
    a.m[9] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(a.Compare(&a));
}

TEST(FXMatrix, StreamRecordIs64BytesAndShortLeavesIdentity)
{
    FXMatrix m, back;
    m.SetRotateY(33);
    m.m[13] = -2.5f;
    FILE* f = std::tmpfile();
    ASSERT_TRUE(m.Save(f));
    EXPECT_EQ(std::ftell(f), 64);
    std::rewind(f);
    ASSERT_TRUE(back.Load(f));
    EXPECT_TRUE(back.Compare(&m));
    std::fclose(f);

    f = StreamOf(std::string(40, '\x11'));
    EXPECT_FALSE(back.Load(f));
    FXMatrix id;
    id.SetIdentity();
    EXPECT_TRUE(back.Compare(&id));
    std::fclose(f);
}
