#include "authoring/fxIndexStream.h"
#include "package/FXNumPool.h"

#include <gtest/gtest.h>

#include <vector>

TEST(fxIndexStream, NarrowestCodesRoundTrip)
{
    const std::vector<std::vector<int>> corners = {
        {0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {300, 7, 9}, {301, 8, 10}, {5, 70000, -3}, {0, 0x7fffffff, 255}};
    FXNumPool pool;
    int prev[3] = {-1, -1, -1};
    for (const auto& c : corners)
        ASSERT_TRUE(fxPushIndexTriple(&pool, prev, c.data()));
    // 3 runs of one byte, 0x16 + word + byte + byte, one byte, 1+1+4+4, 1+1+4+1.
    EXPECT_EQ(pool.used, 3 + 5 + 1 + 10 + 7);
    EXPECT_EQ(pool.bytes[3], 0x16);

    pool.Reseek();
    int rprev[3] = {-1, -1, -1}, out[3];
    for (const auto& c : corners) {
        ASSERT_TRUE(pool.GetNextTriple(rprev, out));
        EXPECT_EQ(out[0], c[0]);
        EXPECT_EQ(out[1], c[1]);
        EXPECT_EQ(out[2], c[2]);
    }
    EXPECT_FALSE(pool.GetNextTriple(rprev, out));
}
