#include "base/FXMemory.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(FXMemory, ItemsAreBoundsCheckedAndKeptOnGrowth)
{
    FXMemory mem(12);
    EXPECT_EQ(mem.GetItemPtr(0), nullptr);
    EXPECT_EQ(mem.Realloc(2), 2);
    mem.count = 2;
    std::memset(mem.GetItemPtr(1), 0xab, 12);
    EXPECT_EQ(mem.GetItemPtr(2), nullptr);
    EXPECT_EQ(mem.GetItemPtr(-1), nullptr);
    EXPECT_EQ(mem.Realloc(4), 4);
    unsigned char* p = static_cast<unsigned char*>(mem.GetItemPtr(1));
    EXPECT_EQ(p[11], 0xab);
    mem.count = 4;
    EXPECT_EQ(static_cast<unsigned char*>(mem.GetItemPtr(3))[0], 0);
    EXPECT_EQ(mem.Realloc(1), 4);

    FXMemory none(0);
    EXPECT_EQ(none.Realloc(8), 0);
    mem.DestroyBuf();
    EXPECT_EQ(mem.block, nullptr);
    EXPECT_EQ(mem.count, 0);
}
