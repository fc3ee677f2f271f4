#include "base/FXArray.h"
#include "base/FXFloatArray.h"
#include "base/FXRect.h"
#include "base/fxAlloc.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

namespace {
int a, b, c, d;
void* A = &a;
void* B = &b;
void* C = &c;
void* D = &d;
} // namespace

TEST(FXArray, ReallocGrowsOnlyAndZeroesNewSlots)
{
    FXArray arr;
    arr.Push(A);
    arr.Push(B);
    arr.Push(C);
    EXPECT_EQ(arr.count, 3);
    EXPECT_EQ(arr.capacity, 3);
    EXPECT_EQ(arr.Realloc(10), 10);
    EXPECT_EQ(arr.items[0], A);
    EXPECT_EQ(arr.items[2], C);
    for (int i = 3; i < 10; ++i)
        EXPECT_EQ(arr.items[i], nullptr);
    EXPECT_EQ(arr.Realloc(5), 10);
    EXPECT_EQ(arr.count, 3);

    FXArray stepped(4);
    stepped.Push(A);
    EXPECT_EQ(stepped.capacity, 4);
    FXArray zeroStep(0); // must still grow rather than write past the block
    EXPECT_TRUE(zeroStep.Push(A));
    EXPECT_TRUE(zeroStep.Push(B));
    EXPECT_EQ(zeroStep.count, 2);
}

TEST(FXArray, InsertRemoveMoveBounds)
{
    FXArray arr;
    arr.Push(A);
    arr.Push(B);
    arr.Insert(0, C);
    ASSERT_EQ(arr.count, 3);
    EXPECT_EQ(arr.items[0], C);
    EXPECT_EQ(arr.items[1], A);
    EXPECT_EQ(arr.items[2], B);
    arr.Insert(-1, D);
    arr.Insert(arr.count + 5, D);
    EXPECT_EQ(arr.count, 5);
    EXPECT_EQ(arr.Last(), D);

    arr.RemovePos(arr.count);
    arr.RemovePos(-1);
    EXPECT_EQ(arr.count, 5);
    EXPECT_EQ(arr.Remove(&arr), -1);
    EXPECT_EQ(arr.Remove(A), 1);
    EXPECT_EQ(arr.count, 4);
    EXPECT_EQ(arr.Findpos(B), 1);

    // C B D D
    arr.MovePos(0, -1);
    arr.MovePos(arr.count - 1, 1);
    arr.MovePos(1, 0);
    EXPECT_EQ(arr.items[0], C);
    EXPECT_EQ(arr.items[1], B);
    arr.MovePos(0, 1);
    EXPECT_EQ(arr.items[0], B);
    arr.MovePos(1, -1);
    EXPECT_EQ(arr.items[0], C);

    EXPECT_EQ(arr.Pop(), D);
    EXPECT_EQ(arr.First(), C);
    arr.RemoveAll();
    EXPECT_TRUE(arr.IsEmpty());
    EXPECT_EQ(arr.Pop(), nullptr);
    EXPECT_EQ(arr.First(), nullptr);
    EXPECT_EQ(arr.Get(0), nullptr);
    EXPECT_GT(arr.capacity, 0);
    arr.DestroyBuf();
    EXPECT_EQ(arr.items, nullptr);
    EXPECT_EQ(arr.capacity, 0);

    EXPECT_TRUE(arr.PushVoid());
    EXPECT_EQ(arr.count, 1);
    EXPECT_EQ(arr.items[0], nullptr);
}

TEST(FXArray, StreamRoundTripAndCorruptCounts)
{
    FXArray arr;
    arr.PushInt(7);
    arr.PushInt(-3);
    FILE* f = std::tmpfile();
    ASSERT_TRUE(arr.Save(f));
    std::rewind(f);
    FXArray back;
    ASSERT_TRUE(back.Load(f));
    EXPECT_EQ(back.count, 2);
    EXPECT_EQ(back.GetInt(0), 7);
    EXPECT_EQ(back.GetInt(1), -3);
    std::fclose(f);

    // A count of 2^31-1 in an eight-byte stream is refused, not allocated.
    f = StreamOf(std::string("\xff\xff\xff\x7f\x01\x00\x00\x00", 8));
    EXPECT_FALSE(back.Load(f));
    EXPECT_EQ(back.count, 0);
    std::fclose(f);

    f = StreamOf(std::string("\xfe\xff\xff\xff", 4));
    EXPECT_TRUE(back.Load(f));
    EXPECT_EQ(back.count, 0);
    std::fclose(f);

    FXFloatArray fl;
    fl.Push(1.5f);
    fl.Push(-0.0f);
    f = std::tmpfile();
    ASSERT_TRUE(fl.Save(f));
    std::rewind(f);
    FXFloatArray fb;
    ASSERT_TRUE(fb.Load(f));
    ASSERT_EQ(fb.count, 2);
    EXPECT_EQ(fb.items[0], 1.5f);
    EXPECT_TRUE(std::signbit(fb.items[1]));
    EXPECT_EQ(fb.Pop(), -0.0f);
    fb.Pop();
    EXPECT_EQ(fb.Pop(), 0.0f);
    std::fclose(f);
}

TEST(FXArray, Power2MallocAndRect)
{
    EXPECT_EQ(fxPower2(0), 1);
    EXPECT_EQ(fxPower2(-5), 1);
    EXPECT_EQ(fxPower2(1), 1);
    EXPECT_EQ(fxPower2(3), 4);
    EXPECT_EQ(fxPower2(512), 512);
    EXPECT_EQ(fxPower2(640), 1024);
    EXPECT_EQ(fxPower2(1 << 30), 1 << 30);
    EXPECT_EQ(fxPower2((1 << 30) + 1), 0); // no int power of two; must not loop
    EXPECT_EQ(fxPower2(INT_MAX), 0);

    unsigned char* p = static_cast<unsigned char*>(fxMalloc(64));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(p[i], 0);
    std::free(p);

    FXRect r, o;
    r.Set(0, 0, 10, 10);
    o.Set(5, -5, 20, 5);
    FXRect u = r;
    u.CombineOr(&o);
    EXPECT_EQ(u.left, 0);
    EXPECT_EQ(u.top, -5);
    EXPECT_EQ(u.right, 20);
    EXPECT_EQ(u.bottom, 10);
    EXPECT_TRUE(r.CombineAnd(&o));
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(r.bottom, 5);
    o.Set(50, 50, 60, 60);
    EXPECT_FALSE(r.CombineAnd(&o));
    r.SetZero();
    EXPECT_TRUE(r.IsEmpty());
}
