#include "base/FXArray.h"
#include "base/FXFloatArray.h"
#include "base/FXStr.h"
#include "base/FXStrArray.h"
#include "package/FXPackageData.h"
#include "support/PackageBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Cursor {
    std::string bytes;
    FXPackageData d;
    explicit Cursor(const std::string& b) : bytes(b) { d.InitData(&bytes[0], static_cast<int>(bytes.size())); }
};

} // namespace

TEST(FXPackageData, ShortReadsYieldZeroAndConsumeNothing)
{
    Cursor c(std::string("\x01\x02\x03", 3));
    EXPECT_EQ(c.d.ReadInt(), 0);
    EXPECT_EQ(c.d.remaining, 3);
    EXPECT_EQ(c.d.ReadFloat(), 0.0f);
    EXPECT_EQ(c.d.ReadDouble(), 0.0);
    float col[4] = {9, 9, 9, 9};
    c.d.ReadFloat4(col);
    EXPECT_EQ(col[0], 9);
    char dst[8] = {};
    EXPECT_EQ(c.d.ReadCopyBlc(dst, 4), nullptr);
    EXPECT_EQ(c.d.ReadBlc(4), nullptr);
    EXPECT_EQ(c.d.remaining, 3);
    EXPECT_TRUE(c.d.ReadBool()); // byte 1
    EXPECT_FALSE(c.d.ReadBool()); // byte 2 is not true, but is consumed
    EXPECT_EQ(c.d.remaining, 1);
    EXPECT_NE(c.d.ReadCopyBlc(dst, 1), nullptr);
    EXPECT_EQ(dst[0], 3);
    EXPECT_FALSE(c.d.ReadBool());
    EXPECT_EQ(c.d.remaining, 0);
    c.d.Reseek();
    EXPECT_EQ(c.d.remaining, 3);

    FXPackageData none;
    EXPECT_EQ(none.ReadInt(), 0);
    EXPECT_EQ(none.ReadBlc(4), nullptr);
}

TEST(FXPackageData, ValuesAreLittleEndianAndUnaligned)
{
    Bytes b;
    b.Raw("x").Int(-2).Float(1.25f);
    double dv = -3.5;
    int64_t bits;
    std::memcpy(&bits, &dv, 8);
    b.Int(static_cast<int32_t>(bits & 0xffffffff)).Int(static_cast<int32_t>(bits >> 32));
    b.Float(0.1f).Float(0.2f).Float(0.3f).Float(1.0f);
    Cursor c(b.s);
    EXPECT_FALSE(c.d.ReadBool());
    EXPECT_EQ(c.d.ReadInt(), -2);
    EXPECT_EQ(c.d.ReadFloat(), 1.25f);
    EXPECT_EQ(c.d.ReadDouble(), -3.5);
    float col[4];
    c.d.ReadFloat4(col);
    EXPECT_EQ(col[0], 0.1f);
    EXPECT_EQ(col[3], 1.0f);
    EXPECT_EQ(c.d.remaining, 0);
}

TEST(FXPackageData, StringsNeverLeaveTheBlock)
{
    FXStr s("old");
    Cursor neg(Bytes().Int(-5).Raw("abc").s);
    neg.d.ReadString(&s);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(neg.d.remaining, 3);

    Cursor ok(Bytes().Str("name").Int(0).s);
    ok.d.ReadString(&s);
    EXPECT_STREQ(s.str, "name");
    ok.d.ReadString(&s);
    EXPECT_TRUE(s.IsEmpty());

    // A length past the end takes what is there.
    Cursor over(Bytes().Int(1000000).Raw("tail").s);
    over.d.ReadString(&s);
    EXPECT_STREQ(s.str, "tail");
    EXPECT_EQ(over.d.remaining, 0);

    // Longer than FXStr holds: 1023 kept, the whole text consumed.
    Cursor big(Bytes().Str(std::string(1500, 'b')).Int(77).s);
    big.d.ReadString(&s);
    EXPECT_EQ(s.len, 1023);
    EXPECT_EQ(big.d.ReadInt(), 77);

    Cursor two(std::string("\x02", 1));
    two.d.ReadString(&s);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(two.d.remaining, 1);
}

TEST(FXPackageData, ArrayCountsAreBoundedByTheBytesLeft)
{
    FXArray a;
    Cursor ints(Bytes().Int(3).Int(10).Int(-20).Int(30).s);
    ints.d.ReadArray(&a);
    ASSERT_EQ(a.count, 3);
    EXPECT_EQ(a.GetInt(1), -20);

    // 2^31-1 elements claimed in a 20-byte entry: four are there.
    Cursor hostile(Bytes().Int(0x7fffffff).Int(1).Int(2).Int(3).Int(4).s);
    hostile.d.ReadArray(&a);
    EXPECT_EQ(a.count, 4);
    EXPECT_LE(a.capacity, 4);
    EXPECT_EQ(a.GetInt(3), 4);

    FXFloatArray f;
    f.Push(5);
    Cursor floats(Bytes().Int(2).Float(0.5f).Float(-1).s);
    floats.d.ReadFloatArray(&f);
    ASSERT_EQ(f.count, 2);
    EXPECT_EQ(f.items[0], 0.5f);
    Cursor shortCount(std::string("\x01\x00", 2));
    shortCount.d.ReadFloatArray(&f);
    EXPECT_EQ(f.count, 0);

    FXStrArray sa;
    Cursor strs(Bytes().Int(3).Str("a").Str("").Str("ccc").s);
    strs.d.ReadStringArray(&sa);
    ASSERT_EQ(sa.count, 3);
    EXPECT_STREQ(sa.items[0], "a");
    EXPECT_EQ(sa.items[1], nullptr);
    EXPECT_STREQ(sa.items[2], "ccc");
    Cursor manyStrs(Bytes().Int(-1).s);
    manyStrs.d.ReadStringArray(&sa);
    EXPECT_EQ(sa.count, 0);
}

TEST(FXPackageData, WriteIntStoresInPlace)
{
    Cursor c(std::string(6, '\0'));
    EXPECT_TRUE(c.d.WriteInt(0x01020304));
    EXPECT_FALSE(c.d.WriteInt(5));
    EXPECT_EQ(c.bytes.substr(0, 4), std::string("\x04\x03\x02\x01", 4));
    c.d.Reseek();
    EXPECT_EQ(c.d.ReadInt(), 0x01020304);

    FXArray a;
    a.PushInt(-1);
    a.PushInt(300);
    Cursor room(std::string(12, '\0'));
    EXPECT_TRUE(room.d.WriteArray(&a));
    room.d.Reseek();
    FXArray back;
    room.d.ReadArray(&back);
    ASSERT_EQ(back.count, 2);
    EXPECT_EQ(back.GetInt(0), -1);
    EXPECT_EQ(back.GetInt(1), 300);
    Cursor tight(std::string(11, '\0'));
    EXPECT_FALSE(tight.d.WriteArray(&a));
    EXPECT_EQ(tight.d.remaining, 11); // nothing written
}
