#include "package/FXPackageData.h"
#include "package/FXVectorMap.h"
#include "support/PackageBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Loaded {
    std::string rec;
    FXVectorMap map;
    explicit Loaded(const std::string& r) : rec(r)
    {
        FXPackageData d;
        d.InitData(&rec[0], static_cast<int>(rec.size()));
        map.LoadC(nullptr, &d);
    }
};

std::string Floats(int n, float base)
{
    Bytes b;
    b.Int(n);
    for (int i = 0; i < n; ++i)
        b.Float(base + static_cast<float>(i));
    return b.s;
}

} // namespace

TEST(FXVectorMap, TablesAndBoundedGetters)
{
    Loaded l(Floats(7, 0) + Floats(6, 100) + Floats(4, 200));
    EXPECT_EQ(l.map.posCount, 2); // the seventh float is stored but unused
    EXPECT_EQ(l.map.positions.count, 7);
    EXPECT_EQ(l.map.normCount, 2);
    EXPECT_EQ(l.map.texCount, 2);
    float v[3];
    ASSERT_TRUE(l.map.GetVecPos(1, v));
    EXPECT_EQ(v[0], 3);
    EXPECT_EQ(v[2], 5);
    ASSERT_TRUE(l.map.GetVecNorm(1, v));
    EXPECT_EQ(v[0], 103);
    ASSERT_TRUE(l.map.GetVecTex(1, v));
    EXPECT_EQ(v[1], 203);
    EXPECT_FALSE(l.map.GetVecPos(2, v));
    EXPECT_EQ(v[0], 0);
    EXPECT_FALSE(l.map.GetVecPos(-1, v));
    EXPECT_FALSE(l.map.GetVecTex(1000000, v));

    // A count of 2^31-1 floats in a short record is cut to what is there.
    Loaded h(Bytes().Int(0x7fffffff).Float(1).Float(2).Float(3).s);
    EXPECT_EQ(h.map.positions.count, 3);
    EXPECT_EQ(h.map.posCount, 1);
    EXPECT_EQ(h.map.normCount, 0);
}

TEST(FXVectorMap, UsersShareVerticesForEqualTriples)
{
    Loaded l(Floats(30, 0) + Floats(30, 0) + Floats(20, 0)); // 10 of each
    FXVectorMap& m = l.map;
    EXPECT_EQ(m.GetUsed(0, 0, 0), -1);
    m.PushUsed(0, 1, 2, 0);
    EXPECT_EQ(m.GetUsed(0, 1, 2), 0);
    EXPECT_EQ(m.GetUsed(0, 1, 3), -1); // same position and normal, other texture
    m.PushUsed(0, 1, 3, 1);
    EXPECT_EQ(m.GetUsed(0, 1, 3), 1);
    EXPECT_EQ(m.GetUsed(0, 1, 2), 0);

    m.PushUsed(5, 5, 5, 4);
    m.PushUsed(5, 6, 6, 9);
    m.PushUsed(5, 7, 7, 11);
    EXPECT_EQ(m.posUser.GetInt(5), 4);
    const FXArray* list = static_cast<const FXArray*>(m.posUsers.items[5]);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count, 3);
    EXPECT_EQ(list->GetInt(0), 4);
    EXPECT_EQ(list->GetInt(1), 9);
    EXPECT_EQ(list->GetInt(2), 11);
    EXPECT_EQ(m.GetUsed(5, 6, 6), 9);
    EXPECT_EQ(m.GetUsed1(9, 6, 6), 9);
    EXPECT_EQ(m.GetUsed1(9, 5, 6), -1);

    // Many vertices on one normal: each is a user of it and of nothing it
    // was not given, and the earliest of equal triples is the one found.
    for (int v = 20; v < 300; ++v)
        m.PushUsed(v % 2 ? 7 : 8, 3, v % 2 ? 4 : 8, v);
    m.PushUsed(7, 3, 4, 400);
    EXPECT_EQ(m.GetUsed(7, 3, 4), 21);
    EXPECT_EQ(m.GetUsed(8, 3, 8), 20);
    EXPECT_EQ(m.GetUsed1(299, 3, 4), 299);
    EXPECT_EQ(m.GetUsed1(298, 3, 4), -1) << "298 uses normal 3 but texture 8";
    EXPECT_EQ(m.GetUsed1(301, 3, 4), -1) << "never pushed";
    const FXArray* shared = static_cast<const FXArray*>(m.normUsers.items[3]);
    ASSERT_NE(shared, nullptr);
    ASSERT_EQ(shared->count, 281);
    EXPECT_EQ(shared->GetInt(0), 20);
    EXPECT_EQ(shared->GetInt(279), 299);
    EXPECT_EQ(shared->GetInt(280), 400);

    // Indexes outside the tables record and find nothing.
    m.PushUsed(10, 0, 0, 3);
    m.PushUsed(-1, 0, 0, 3);
    EXPECT_EQ(m.GetUsed(10, 0, 0), -1);
    EXPECT_EQ(m.GetUsed(0, 99, 2), -1);
    EXPECT_EQ(m.GetUsed(1 << 30, 0, 0), -1);

    m.ClearUsed();
    EXPECT_EQ(m.GetUsed(0, 1, 2), -1);
    EXPECT_EQ(m.posUsers.items[5], nullptr);
    m.PushUsed(7, 0, 0, 1);
    EXPECT_EQ(m.GetUsed1(21, 3, 4), -1) << "a cleared use is gone";
    m.Destroy();
    EXPECT_EQ(m.posCount, 0);
    EXPECT_EQ(m.GetUsed(0, 0, 0), -1);
}
