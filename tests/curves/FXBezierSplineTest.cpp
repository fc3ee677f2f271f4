#include "curves/FXBezierSpline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

namespace {

void Fill(FXBezierSpline& s, std::initializer_list<float> xyz)
{
    for (float v : xyz)
        s.points.Push(v);
}

} // namespace

TEST(FXBezierSpline, ThreePointHandlesAndTheOpenQuadratic)
{
    FXBezierSpline s;
    Fill(s, {0, 0, 0, 1, 0, 0, 2, 0, 0});
    s.Precompute();
    ASSERT_EQ(s.handles.count, 18);
    EXPECT_FLOAT_EQ(s.handles.items[6], 0.5f); // in-handle of point 1
    EXPECT_FLOAT_EQ(s.handles.items[9], 1.5f); // out-handle of point 1
    EXPECT_EQ(s.actKind, 3);
    float out[3];
    s.Get(out, 0.5f);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    EXPECT_EQ(out[1], 0.0f);

    // Get and GetH with one prepared phase agree bit for bit on every kind.
    s.SetActPoints(1, 2);
    EXPECT_EQ(s.actKind, 3); // the open curve's last segment
    s.closed = true;
    s.Precompute();
    s.SetActPoints(2, 0);
    EXPECT_EQ(s.actKind, 4);
    FXBezierPhaseH h;
    for (float t : {0.0f, 0.3f, 0.77f, 1.0f, 1.5f}) {
        h.Prepare(t);
        float a[3], b[3];
        s.Get(a, t);
        s.GetH(b, &h);
        EXPECT_EQ(a[0], b[0]);
        EXPECT_EQ(a[1], b[1]);
    }
    s.Get(out, 0.0f);
    EXPECT_EQ(out[0], 2.0f);
    s.Get(out, 1.0f);
    EXPECT_NEAR(out[0], 0.0f, 1e-6f);
}

TEST(FXBezierSpline, SmallSplinesAndLineMode)
{
    FXBezierSpline none;
    none.Precompute();
    float out[3] = {9, 9, 9};
    none.Get(out, 0.5f);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[2], 0);
    none.PrecomputePhasesLinear();
    none.GetAll(out, 0.5f);
    EXPECT_EQ(out[0], 0);

    FXBezierSpline one;
    Fill(one, {4, 5, 6});
    one.Precompute();
    one.Get(out, 0.9f);
    EXPECT_EQ(out[1], 5);

    FXBezierSpline two;
    Fill(two, {0, 0, 0, 2, 4, 0});
    two.Precompute();
    EXPECT_EQ(two.actKind, 2);
    two.Get(out, 0.25f);
    EXPECT_EQ(out[0], 0.5f);
    EXPECT_EQ(out[1], 1.0f);
    FXBezierSpline same;
    Fill(same, {1, 1, 1, 1, 1, 1});
    same.Precompute();
    EXPECT_TRUE(same.constant);

    FXBezierSpline line;
    Fill(line, {0, 0, 0, 5, 5, 5, 2, 0, 0});
    line.lineMode = true;
    line.Precompute();
    line.SetActPoints(2, 0);
    FXBezierPhaseH h;
    h.Prepare(0.25f);
    line.GetH(out, &h);
    EXPECT_EQ(out[0], 2.0f + 0.25f * (0.0f - 2.0f));
    line.SetActPoints(-1, 99); // out of range: clamped, both the last point
    EXPECT_TRUE(line.constant);

    // Two points in line mode move along their line, either way round.
    FXBezierSpline pair;
    Fill(pair, {0, 0, 0, 2, 4, 0});
    pair.lineMode = true;
    pair.Precompute();
    pair.SetActPoints(0, 1);
    h.Prepare(0.25f);
    pair.GetH(out, &h);
    EXPECT_EQ(out[0], 0.5f);
    EXPECT_EQ(out[1], 1.0f);
    pair.SetActPoints(1, 0);
    pair.GetH(out, &h);
    EXPECT_EQ(out[0], 1.5f);
    EXPECT_EQ(out[1], 3.0f);
}

TEST(FXBezierSpline, CoincidentNeighboursGiveNoNaN)
{
    FXBezierSpline s;
    Fill(s, {0, 0, 0, 1, 1, 0, 0, 0, 0}); // point 1's neighbours coincide
    s.Precompute();
    for (int i = 0; i < s.handles.count; ++i)
        ASSERT_FALSE(std::isnan(s.handles.items[i])) << i;
    EXPECT_EQ(s.handles.items[6], 1.0f); // collapsed onto point 1
    EXPECT_EQ(s.handles.items[10], 1.0f);

    FXBezierSpline flat;
    Fill(flat, {3, 3, 3, 3, 3, 3, 3, 3, 3});
    flat.PrecomputePhasesLenght();
    flat.Precompute();
    float out[3];
    flat.GetAll(out, 0.4f);
    EXPECT_EQ(out[0], 3.0f);
}

TEST(FXBezierSpline, ChordPhasesAndGlobalEvaluation)
{
    FXBezierSpline s;
    Fill(s, {0, 0, 0, 3, 0, 0, 3, 4, 0});
    s.Precompute();
    s.PrecomputePhasesLenght();
    EXPECT_EQ(s.total, 7.0f);
    EXPECT_EQ(s.meanLength, 3.5f);
    EXPECT_EQ(s.phases.items[0], 0.0f);
    EXPECT_FLOAT_EQ(s.phases.items[1], 3.0f / 7.0f);
    EXPECT_FLOAT_EQ(s.phases.items[2], 1.0f);

    float out[3];
    s.GetAll(out, 0.0f);
    EXPECT_EQ(out[0], 0.0f);
    s.GetAll(out, 3.0f / 7.0f);
    EXPECT_NEAR(out[0], 3.0f, 1e-5f);
    // Open curve at, past and before its ends: the end points.
    s.GetAll(out, 1.0f);
    EXPECT_EQ(out[1], 4.0f);
    s.GetAll(out, 7.5f);
    EXPECT_EQ(out[1], 4.0f);
    s.GetAll(out, -3.0f);
    EXPECT_EQ(out[0], 0.0f);
    s.GetAll(out, NAN);
    EXPECT_EQ(out[0], 0.0f);

    FXBezierSpline c;
    Fill(c, {0, 0, 0, 3, 0, 0, 3, 4, 0});
    c.closed = true;
    c.Precompute();
    c.PrecomputePhasesLenght();
    EXPECT_EQ(c.total, 12.0f);
    EXPECT_EQ(c.meanLength, 4.0f);
    EXPECT_FLOAT_EQ(c.phases.items[1], 0.25f);
    EXPECT_FLOAT_EQ(c.phases.items[2], 7.0f / 12.0f);
    // Past the last point's phase: the closing segment back to point 0.
    c.GetAll(out, 0.8f);
    EXPECT_EQ(c.actIndex, 2);
    EXPECT_EQ(c.actSeg4, &c.segs[2]);
    EXPECT_GT(out[1], 0.0f);
    EXPECT_LT(out[1], 4.0f);
    c.GetAll(out, 1.0f);
    EXPECT_NEAR(out[0], 0.0f, 1e-5f);
    c.GetAll(out, 0.1f); // walks back
    EXPECT_EQ(c.actIndex, 0);
    EXPECT_EQ(c.TestPhase(0, 1, 0.5f), 1);
    EXPECT_EQ(c.TestPhase(1, 2, 0.1f), -1);
    EXPECT_EQ(c.TestPhase(2, 3, 0.9f), 0);

    c.Destroy();
    EXPECT_EQ(c.GetCnt(), 0);
    EXPECT_EQ(c.segCount, 0);
    EXPECT_TRUE(c.closed); // flags stay
}
