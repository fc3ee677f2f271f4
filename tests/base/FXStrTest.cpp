#include "base/FXStr.h"
#include "base/fxTrim.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(FXStr, SetCutsAt1023AndKeepsLengthInStep)
{
    std::string big(2000, 'x');
    FXStr s(big.c_str());
    EXPECT_EQ(s.len, 1023);
    EXPECT_EQ(std::strlen(s.str), 1023u);

    s.Set(nullptr);
    EXPECT_TRUE(s.IsEmpty());
    s.Set("abc");
    s.Set("");
    EXPECT_EQ(s.len, 0);
    EXPECT_STREQ(s.str, "");

    s.Set(big.c_str());
    s.Append("more");
    EXPECT_EQ(s.len, 1023);
    s.AppendChar('y');
    s.InsertChar('y');
    EXPECT_EQ(s.len, 1023);
    EXPECT_EQ(s.str[0], 'x');
    EXPECT_EQ(s.str[1023], 0);
}

TEST(FXStr, FormatCutsLongOutputAt1023)
{
    std::string big(1500, 'q');
    FXStr s;
    s.Format("%s-%d", big.c_str(), 7);
    EXPECT_EQ(s.len, 1023);
    EXPECT_EQ(std::strlen(s.str), 1023u);
    s.Format("%d/%s", 42, "x");
    EXPECT_STREQ(s.str, "42/x");
    EXPECT_EQ(s.len, 4);
}

TEST(FXStr, TrimSpaces)
{
    FXStr s("   ");
    EXPECT_EQ(s.TrimSpaces(), 0);
    EXPECT_STREQ(s.str, "");

    s.Set(" a b ");
    EXPECT_EQ(s.TrimSpaces(), 3);
    EXPECT_STREQ(s.str, "a b");

    s.Set("\t\nword");
    EXPECT_EQ(s.TrimSpaces(), 4);
    EXPECT_STREQ(s.str, "word");

    char empty[4] = {0, 'z', 'z', 0};
    EXPECT_EQ(localTrimSpaces(empty, 0), 0);
    EXPECT_EQ(empty[1], 'z');

    // Bytes above 127 are characters, not spaces (and not undefined input).
    s.Set("\xe9t\xe9 ");
    EXPECT_EQ(s.TrimSpaces(), 3);
}

TEST(FXStr, Comparisons)
{
    FXStr empty, abc("abc");
    EXPECT_TRUE(empty.Compare(nullptr));
    EXPECT_TRUE(empty.Compare(""));
    EXPECT_FALSE(abc.Compare(nullptr));
    EXPECT_FALSE(abc.Compare(""));
    EXPECT_FALSE(empty.Compare("abc"));
    EXPECT_TRUE(abc.Compare("abc"));
    EXPECT_FALSE(abc.Compare("ABC"));
    EXPECT_FALSE(abc.Compare("abcd"));

    FXStr magic("pck01s");
    EXPECT_TRUE(magic.nCompare("pck01", 5));
    EXPECT_TRUE(FXStr("pck01").nCompare("pck01", 5));
    EXPECT_FALSE(FXStr("pck0").nCompare("pck01", 5));

    EXPECT_TRUE(abc.iCompare("ABC"));
    EXPECT_TRUE(empty.iCompare(nullptr));
    EXPECT_FALSE(empty.iCompare(""));
    EXPECT_FALSE(abc.iCompare(nullptr));
}

TEST(FXStr, EditingOperations)
{
    FXStr s("ab");
    s.AppendChar(0);
    EXPECT_EQ(s.len, 2);
    s.InsertChar('>');
    EXPECT_STREQ(s.str, ">ab");
    s.RemoveLast();
    EXPECT_STREQ(s.str, ">a");
    s.ExchangeChars('a', 'b');
    EXPECT_STREQ(s.str, ">b");
    s.ToUpper();
    EXPECT_STREQ(s.str, ">B");
    s.ToLower();
    EXPECT_STREQ(s.str, ">b");
    s.Clear();
    s.RemoveLast();
    EXPECT_EQ(s.len, 0);
}

TEST(FXStr, StreamLayoutAndOverlongStoredLength)
{
    FXStr s;
    FILE* f = StreamOf(std::string("\x03\x00\x00\x00" "abc", 7));
    EXPECT_TRUE(s.Load(f));
    EXPECT_STREQ(s.str, "abc");
    EXPECT_EQ(s.len, 3);
    std::fclose(f);

    f = StreamOf(std::string(4, '\0'));
    s.Set("old");
    EXPECT_TRUE(s.Load(f));
    EXPECT_TRUE(s.IsEmpty());
    std::fclose(f);

    // 2000 stored characters followed by another string: the first 1023 are
    // kept, the rest consumed, and the next string reads correctly.
    std::string bytes("\xd0\x07\x00\x00", 4);
    bytes += std::string(2000, 'k');
    bytes += std::string("\x02\x00\x00\x00" "ok", 6);
    f = StreamOf(bytes);
    EXPECT_TRUE(s.Load(f));
    EXPECT_EQ(s.len, 1023);
    EXPECT_EQ(s.str[1023], 0);
    FXStr next;
    EXPECT_TRUE(next.Load(f));
    EXPECT_STREQ(next.str, "ok");
    std::fclose(f);

    // A stored length past the end of the stream.
    f = StreamOf(std::string("\x10\x00\x00\x00" "ab", 6));
    EXPECT_FALSE(s.Load(f));
    EXPECT_STREQ(s.str, "ab");
    std::fclose(f);

    f = std::tmpfile();
    FXStr("hello").Save(f);
    FXStr().Save(f);
    std::rewind(f);
    char raw[13];
    ASSERT_EQ(std::fread(raw, 1, 13, f), 13u);
    EXPECT_EQ(std::string(raw, 13), std::string("\x05\x00\x00\x00hello\x00\x00\x00\x00", 13));
    std::fclose(f);
}
