#include "package/FXNumPool.h"
#include "package/FXPackageData.h"
#include "support/PackageBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void Fill(FXNumPool& pool, const std::string& stream)
{
    std::string rec = Bytes().Int(static_cast<int32_t>(stream.size())).Raw(stream).s;
    FXPackageData d;
    d.InitData(&rec[0], static_cast<int>(rec.size()));
    pool.LoadC(nullptr, &d);
    pool.Reseek();
}

} // namespace

TEST(FXNumPool, IndexStreamDecoding)
{
    FXNumPool pool;
    Fill(pool, std::string("\x00\x00\x00", 3));
    int prev[3] = {-1, -1, -1}, out[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(pool.GetNextTriple(prev, out));
        EXPECT_EQ(out[0], i);
        EXPECT_EQ(out[1], i);
        EXPECT_EQ(out[2], i);
    }
    EXPECT_FALSE(pool.GetNextTriple(prev, out));

    // 0x16: position code 2 (word), normal code 1, texture code 1.
    Fill(pool, std::string("\x16\x2c\x01\x07\x09", 5));
    int p2[3] = {-1, -1, -1};
    ASSERT_TRUE(pool.GetNextTriple(p2, out));
    EXPECT_EQ(out[0], 300);
    EXPECT_EQ(out[1], 7);
    EXPECT_EQ(out[2], 9);

    // Code 3 is a signed int32; a corner cut short consumes nothing.
    Fill(pool, std::string("\x03\xff\xff\xff\xff" "\x03\x01\x00", 8));
    int p3[3] = {-1, -1, -1};
    ASSERT_TRUE(pool.GetNextTriple(p3, out));
    EXPECT_EQ(out[0], -1);
    EXPECT_EQ(out[1], 0);
    EXPECT_FALSE(pool.GetNextTriple(p3, out));
    EXPECT_EQ(pool.bytesRead, 5);

    // Continuing after the largest index must not overflow (found by the
    // fuzzer).
    Fill(pool, std::string("\x03\xff\xff\xff\x7f" "\x00", 6));
    int p4[3] = {-1, -1, -1};
    ASSERT_TRUE(pool.GetNextTriple(p4, out));
    EXPECT_EQ(out[0], 0x7fffffff);
    ASSERT_TRUE(pool.GetNextTriple(p4, out));
    EXPECT_LT(out[0], 0);
}

TEST(FXNumPool, GettersStayWithinTheUsedBytes)
{
    FXNumPool pool;
    Fill(pool, std::string("\x34\x12\x56", 3));
    unsigned short w = 0xbeef;
    int i = 77;
    EXPECT_FALSE(pool.GetNextInt(&i));
    EXPECT_EQ(i, 77);
    ASSERT_TRUE(pool.GetNextWord(&w));
    EXPECT_EQ(w, 0x1234);
    EXPECT_FALSE(pool.GetNextWord(&w)); // one byte left
    EXPECT_EQ(w, 0x1234);
    EXPECT_EQ(pool.bytesRead, 2);
    unsigned char b = 0;
    EXPECT_TRUE(pool.GetNextByte(&b));
    EXPECT_EQ(b, 0x56);
    EXPECT_FALSE(pool.GetNextByte(&b));

    // A hostile count: nothing allocated, nothing to read.
    std::string rec = Bytes().Int(0x7fffffff).Raw("ab").s;
    FXPackageData d;
    d.InitData(&rec[0], static_cast<int>(rec.size()));
    pool.LoadC(nullptr, &d);
    EXPECT_EQ(pool.used, 0);
    pool.Reseek();
    EXPECT_FALSE(pool.GetNextByte(&b));
}

TEST(FXNumPool, GrowsInWholeStepsAndRoundTrips)
{
    FXNumPool anim(800000);
    Fill(anim, std::string(10, '\x01'));
    EXPECT_EQ(anim.capacity, 800000);
    EXPECT_EQ(anim.used, 10);
    FXNumPool model;
    Fill(model, std::string(10, '\x01'));
    EXPECT_EQ(model.capacity, 10);
    EXPECT_TRUE(model.Realloc(25));
    EXPECT_EQ(model.capacity, 25);
    FXNumPool stepped(8);
    EXPECT_TRUE(stepped.Realloc(17));
    EXPECT_EQ(stepped.capacity, 24);

    FXNumPool w;
    w.PushByte(0x16);
    w.PushWord(300);
    w.PushInt(-2);
    EXPECT_EQ(w.used, 7);
    FILE* f = std::tmpfile();
    ASSERT_TRUE(w.Save(f));
    std::rewind(f);
    FXNumPool r;
    ASSERT_TRUE(r.Load(f));
    std::fclose(f);
    r.Reseek();
    unsigned char b;
    unsigned short s;
    int i;
    ASSERT_TRUE(r.GetNextByte(&b) && r.GetNextWord(&s) && r.GetNextInt(&i));
    EXPECT_EQ(b, 0x16);
    EXPECT_EQ(s, 300);
    EXPECT_EQ(i, -2);
    r.DestroyBuf();
    EXPECT_EQ(r.capacity, 0);
    EXPECT_FALSE(r.GetNextByte(&b));
}
