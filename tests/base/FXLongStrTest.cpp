#include "base/FXConvertC.h"
#include "base/FXConvertW.h"
#include "base/FXLongStr.h"
#include "base/FXLongStrW.h"

#include <gtest/gtest.h>

#include <string>

TEST(FXLongStr, GrowsToExactSizeAndKeepsText)
{
    FXLongStr s;
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ(s.Get(), "");
    s.Set("hello");
    EXPECT_EQ(s.len, 5);
    EXPECT_EQ(s.capacity, 6);
    s.Set("hi");
    EXPECT_EQ(s.capacity, 6); // a larger block is kept
    s.Append(" there");
    EXPECT_STREQ(s.Get(), "hi there");
    EXPECT_EQ(s.capacity, 9);
    s.Append(s.Get()); // appending itself survives the block moving
    EXPECT_STREQ(s.Get(), "hi therehi there");
    s.Set("");
    EXPECT_TRUE(s.IsEmpty());
    std::string big(5000, 'z');
    s.Set(big.c_str());
    EXPECT_EQ(s.len, 5000);
    s.Clear();
    EXPECT_EQ(s.str, nullptr);
    EXPECT_EQ(s.capacity, 0);
}

TEST(FXLongStr, ClearBufKeepsLengthButNoTextIsRead)
{
    FXLongStr s;
    s.Set("abcdef");
    s.ClearBuf();
    EXPECT_EQ(s.len, 6);
    EXPECT_EQ(s.capacity, 0);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.ToLower(), 0);
    EXPECT_EQ(s.TrimSpaces(), 0);
    s.Append("x"); // must not copy six characters from a released block
    EXPECT_STREQ(s.Get(), "x");
    EXPECT_EQ(s.len, 1);
}

TEST(FXLongStr, CompareTrimLower)
{
    FXLongStr s;
    EXPECT_TRUE(s.Compare(nullptr));
    EXPECT_TRUE(s.iCompare(""));
    EXPECT_FALSE(s.Compare("a"));
    s.Set("  MiXeD  ");
    EXPECT_EQ(s.TrimSpaces(), 5);
    EXPECT_TRUE(s.Compare("MiXeD"));
    EXPECT_FALSE(s.Compare("mixed"));
    EXPECT_TRUE(s.iCompare("mixed"));
    EXPECT_FALSE(s.iCompare(nullptr));
    s.ToLower();
    EXPECT_STREQ(s.Get(), "mixed");
}

TEST(FXLongStrW, WideOperations)
{
    FXLongStrW w;
    EXPECT_TRUE(w.AppendChar(L'a'));
    EXPECT_EQ(w.capacity, 2);
    EXPECT_TRUE(w.AppendChar(L'b'));
    EXPECT_EQ(w.capacity, 3);
    EXPECT_TRUE(w.Compare(L"ab"));
    w.RemoveLast();
    w.RemoveLast();
    w.RemoveLast();
    EXPECT_TRUE(w.IsEmpty());
    w.Set(L" \tWide ");
    EXPECT_EQ(w.TrimSpaces(), 4);
    EXPECT_TRUE(w.iCompare(L"WIDE"));
    EXPECT_FALSE(w.iCompare(L""));
}

TEST(FXConvert, NarrowWideRoundTripAndEmptyInput)
{
    FXConvertW w("plain text");
    ASSERT_NE(w.result, nullptr);
    EXPECT_EQ(w.len, 10);
    EXPECT_EQ(std::wstring(w.result), L"plain text");
    FXConvertC c(w.result);
    ASSERT_NE(c.result, nullptr);
    EXPECT_STREQ(c.result, "plain text");
    EXPECT_EQ(c.len, 10);

    EXPECT_EQ(w.Convert(""), nullptr);
    EXPECT_EQ(w.len, 0);
    EXPECT_EQ(w.Convert(nullptr), nullptr);
    EXPECT_EQ(c.Convert(L""), nullptr);
    // Not representable in the "C" locale: nothing converts.
    EXPECT_EQ(c.Convert(L"\u4e2d"), nullptr);
    EXPECT_EQ(c.len, 0);
}
