#include "base/fxRandom.h"
#include "base/fxTime.h"

#include <gtest/gtest.h>

TEST(fxRandom, IsTheRuntimeGeneratorWith15Bits)
{
    fxSrand(1);
    EXPECT_EQ(fxRand(), 41);
    EXPECT_EQ(fxRand(), 18467);
    EXPECT_EQ(fxRand(), 6334);
    int lo = 32767, hi = 0;
    for (int i = 0; i < 200000; ++i) {
        int r = fxRand();
        lo = r < lo ? r : lo;
        hi = r > hi ? r : hi;
    }
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 32767);
}

TEST(fxRandom, UnitValuesAndTheShowsDraw)
{
    // Find a seed whose first value is the top one: it must give exactly 1.0
    // and the show's draw (x 3.5, truncated) must be 3.
    uint32_t seed = 0;
    for (;; ++seed) {
        fxSrand(seed);
        if (fxRand() == 32767)
            break;
    }
    fxSrand(seed);
    float top = fxGetRandom();
    EXPECT_EQ(top, 1.0f);
    EXPECT_EQ(static_cast<int>(top * 3.5f), 3);

    int seen[4] = {};
    for (int i = 0; i < 10000; ++i) {
        float r = fxGetRandom();
        ASSERT_GE(r, 0.0f);
        ASSERT_LE(r, 1.0f);
        seen[static_cast<int>(r * 3.5f)]++;
    }
    for (int k = 0; k < 4; ++k)
        EXPECT_GT(seen[k], 0);

    // Reseeding multiplies the next value by the millisecond clock.
    fxUseVirtualClock(2.0);
    fxSrand(1);
    fxResetRandom(); // seed = 41 * 2000
    int afterReset = fxRand();
    fxSrand(41u * 2000u);
    EXPECT_EQ(afterReset, fxRand());
    fxUseRealClock();
}
