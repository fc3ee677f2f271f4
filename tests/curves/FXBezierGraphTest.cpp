#include "curves/FXBezierGraph.h"
#include "package/FXPackageData.h"
#include "support/PackageBytes.h"

#include <gtest/gtest.h>

TEST(FXBezierGraph, RecordIs26BytesAndDestroyKeepsScalars)
{
    std::string rec = Bytes().Int(100).Int(500).Int(0).Int(0).Raw(std::string("\x01\x02", 2)).Float(0.4f).Int(8).s;
    rec += "tail"; // the animation record goes on after the graph
    ASSERT_EQ(rec.size(), 30u);
    FXPackageData d;
    d.InitData(&rec[0], static_cast<int>(rec.size()));
    FXBezierGraph g;
    g.keys.PushInt(5); // read over: the arrays are emptied first
    g.LoadC(nullptr, &d);
    EXPECT_EQ(d.size - d.remaining, 26);
    EXPECT_EQ(g.resolution, 100);
    EXPECT_EQ(g.valueScale, 500);
    EXPECT_EQ(g.keys.count, 0);
    EXPECT_TRUE(g.flagA);
    EXPECT_FALSE(g.flagB); // byte 2 is not true
    EXPECT_EQ(g.handleFactor, 0.4f);
    EXPECT_EQ(g.subSteps, 8);

    g.InsertFramePos(10);
    g.ComputeSplineLinear(4, 1);
    g.Destroy();
    EXPECT_EQ(g.keys.count, 0);
    EXPECT_EQ(g.values.count, 0);
    EXPECT_EQ(g.samples.count, 0);
    EXPECT_EQ(g.resolution, 100);
    EXPECT_EQ(g.valueScale, 500);
    EXPECT_EQ(g.handleFactor, 0.4f);
    EXPECT_EQ(g.subSteps, 8);

    FXBezierGraph fresh;
    EXPECT_EQ(fresh.valueScale, 1000);
    EXPECT_EQ(fresh.handleFactor, 0.3f);
    EXPECT_EQ(fresh.subSteps, 16);
}

TEST(FXBezierGraph, KeyEditingKeepsOrder)
{
    FXBezierGraph g;
    g.resolution = 50;
    EXPECT_EQ(g.InsertFramePos(20), 0);
    EXPECT_EQ(g.InsertFramePos(5), 0);
    EXPECT_EQ(g.InsertFramePos(40), 2);
    EXPECT_EQ(g.InsertFramePos(20), -1);
    EXPECT_EQ(g.keys.GetInt(1), 20);
    EXPECT_EQ(g.FindFrame(40), 2);
    EXPECT_EQ(g.FindFrame(41), -1);
    EXPECT_EQ(g.FindNearest(13), 1); // 5 and 20 are 8 and 7 away: 20
    EXPECT_EQ(g.FindNearest(12), 0);
    EXPECT_EQ(g.FindNearestRight(21), 2);
    EXPECT_EQ(g.FindNearestRight(41), -1);
    g.values.items[1] = reinterpret_cast<void*>(static_cast<intptr_t>(777));
    EXPECT_TRUE(g.MoveFramePos(45, 20));
    EXPECT_EQ(g.keys.GetInt(2), 45);
    EXPECT_EQ(g.values.GetInt(2), 777);
    EXPECT_FALSE(g.MoveFramePos(5, 40)); // occupied
    g.InsertResolutionPoint(10);
    EXPECT_EQ(g.resolution, 51);
    EXPECT_EQ(g.keys.GetInt(0), 5);
    EXPECT_EQ(g.keys.GetInt(1), 41);
    g.DeleteResolutionPoint(10);
    g.DeleteResolutionPoint(10);
    EXPECT_EQ(g.keys.GetInt(1), 39);
    // Keys brought together are merged, the later one deleted.
    FXBezierGraph m;
    m.resolution = 10;
    m.InsertFramePos(3);
    m.InsertFramePos(4);
    m.DeleteResolutionPoint(3);
    EXPECT_EQ(m.keys.count, 1);
}

TEST(FXBezierGraph, LinearAndSmoothSampling)
{
    FXBezierGraph g;
    g.resolution = 11;
    g.valueScale = 100;
    EXPECT_EQ(g.ComputePointLinear(3, 10), 0.0f);
    int k0 = g.InsertFramePos(0), k1 = g.InsertFramePos(10);
    g.values.items[k0] = reinterpret_cast<void*>(static_cast<intptr_t>(0));
    g.values.items[k1] = reinterpret_cast<void*>(static_cast<intptr_t>(100));
    EXPECT_FLOAT_EQ(g.ComputePointLinear(2.5f, 10), 2.5f);
    EXPECT_FLOAT_EQ(g.ComputePointLinear(-4, 10), 0.0f);
    EXPECT_FLOAT_EQ(g.ComputePointLinear(99, 10), 10.0f);
    g.ComputeSplineBezier(11, 100); // two keys: the linear form
    ASSERT_EQ(g.GetSplineResX(), 11);
    EXPECT_EQ(g.GetFromSpline(5), 50);
    EXPECT_EQ(g.GetFromSpline(-3), 0);
    EXPECT_EQ(g.GetFromSpline(99), 100);
    EXPECT_FLOAT_EQ(g.GetFromSpline1(5), 0.5f);

    int mid = g.InsertFramePos(5);
    g.values.items[mid] = reinterpret_cast<void*>(static_cast<intptr_t>(80));
    g.ComputeSplineBezier(21, 100);
    ASSERT_EQ(g.GetSplineResX(), 21);
    EXPECT_EQ(g.GetFromSpline(0), 0);
    EXPECT_EQ(g.GetFromSpline(10), 80); // passes through the keys
    EXPECT_EQ(g.GetFromSpline(20), 100);
    for (int i = 1; i < 20; ++i) {
        EXPECT_GE(g.GetFromSpline(i), 0);
        EXPECT_LE(g.GetFromSpline(i), 110);
    }

    // A corrupt record: a huge piece count and values far past the int
    // range once scaled must neither hang nor overflow.
    g.subSteps = 0x7fffffff;
    g.valueScale = 1;
    g.values.items[mid] = reinterpret_cast<void*>(static_cast<intptr_t>(0x7fffffff));
    g.ComputeSplineBezier(5, 1000);
    EXPECT_EQ(g.GetSplineResX(), 5);
    EXPECT_EQ(g.GetFromSpline(2), 2147483520);
}

TEST(FXBezierGraph, FileFormRoundTrips)
{
    FXBezierGraph g;
    g.resolution = 30;
    g.flagB = true;
    g.InsertFramePos(3);
    g.InsertFramePos(9);
    FILE* f = std::tmpfile();
    ASSERT_TRUE(g.Save(f));
    long n = std::ftell(f);
    EXPECT_EQ(n, 26 + 16);
    std::string bytes(static_cast<size_t>(n), '\0');
    std::rewind(f);
    ASSERT_EQ(std::fread(&bytes[0], 1, bytes.size(), f), bytes.size());
    std::rewind(f);
    FXBezierGraph back;
    ASSERT_TRUE(back.Load(f));
    std::fclose(f);
    EXPECT_EQ(back.resolution, 30);
    EXPECT_TRUE(back.flagB);
    ASSERT_EQ(back.keys.count, 2);
    EXPECT_EQ(back.keys.GetInt(1), 9);
    // The file form is the record the package reader reads.
    FXPackageData d;
    d.InitData(&bytes[0], static_cast<int>(bytes.size()));
    FXBezierGraph fromPackage;
    fromPackage.LoadC(nullptr, &d);
    EXPECT_EQ(d.remaining, 0);
    EXPECT_EQ(fromPackage.values.count, 2);
}
