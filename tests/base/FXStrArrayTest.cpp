#include "base/FXStrArray.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

TEST(FXStrArray, OwnsCopiesAndStoresEmptyAsNull)
{
    FXStrArray arr;
    char text[] = "alpha";
    arr.Push(text);
    text[0] = 'X';
    EXPECT_STREQ(arr.items[0], "alpha");
    arr.Push("");
    arr.Push(nullptr);
    EXPECT_EQ(arr.items[1], nullptr);
    EXPECT_EQ(arr.items[2], nullptr);
    EXPECT_EQ(arr.Findpos(""), 1);
    EXPECT_EQ(arr.Findpos(nullptr), 1);
    EXPECT_EQ(arr.Findpos("alpha"), 0);
    EXPECT_EQ(arr.Findpos("beta"), -1);

    arr.Insert(0, "first");
    EXPECT_STREQ(arr.items[0], "first");
    EXPECT_TRUE(arr.Change(1, "changed"));
    EXPECT_FALSE(arr.Change(99, "x"));
    EXPECT_STREQ(arr.items[1], "changed");
    EXPECT_EQ(arr.Remove("changed"), 1);
    EXPECT_EQ(arr.count, 3);
    EXPECT_EQ(arr.items[3], nullptr); // the vacated slot is cleared
    arr.Pop();
    EXPECT_EQ(arr.count, 2);
    EXPECT_EQ(arr.items[2], nullptr);
    arr.RemoveAll();
    EXPECT_EQ(arr.count, 0);
    EXPECT_EQ(arr.items[0], nullptr);
}

TEST(FXStrArray, StreamRoundTripAndCorruptLengths)
{
    FXStrArray arr;
    arr.Push("one");
    arr.Push(nullptr);
    arr.Push("three");
    FILE* f = std::tmpfile();
    ASSERT_TRUE(arr.Save(f));
    std::rewind(f);
    FXStrArray back;
    back.Push("stale");
    ASSERT_TRUE(back.Load(f));
    ASSERT_EQ(back.count, 3);
    EXPECT_STREQ(back.items[0], "one");
    EXPECT_EQ(back.items[1], nullptr);
    EXPECT_STREQ(back.items[2], "three");
    std::fclose(f);

    // One string whose stored length runs past the end.
    f = StreamOf(std::string("\x01\x00\x00\x00\xff\xff\x00\x00" "ab", 10));
    EXPECT_FALSE(back.Load(f));
    EXPECT_EQ(back.count, 0);
    std::fclose(f);
    f = StreamOf(std::string("\x02\x00\x00\x00\xff\xff\xff\xff", 8));
    EXPECT_FALSE(back.Load(f));
    std::fclose(f);
}

TEST(FXStrArray, SaveShortPathsWritesRelativePaths)
{
    FXStrArray arr;
    arr.Push("/data/art/a.png");
    arr.Push("/other/b.png");
    FILE* f = std::tmpfile();
    ASSERT_TRUE(arr.SaveShortPaths(f, "/data"));
    std::rewind(f);
    FXStrArray back;
    ASSERT_TRUE(back.Load(f));
    ASSERT_EQ(back.count, 2);
    EXPECT_STREQ(back.items[0], "./art/a.png");
    EXPECT_STREQ(back.items[1], "../other/b.png");
    std::fclose(f);
}
