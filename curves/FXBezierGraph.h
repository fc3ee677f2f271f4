// FXBezierGraph: a one-dimensional key-frame graph: integer keys along an
// axis of `resolution` steps, each with an integer value (fixed point over
// `valueScale`), sampled into a table along straight lines or a smooth
// curve. The show only carries it inside every mesh animation; editing and
// sampling belong to the authoring side.
#pragma once

#include "base/FXArray.h"
#include "base/FXFloatArray.h"

#include <cstdio>

class FXPackage;
class FXPackageData;

class FXBezierGraph {
public:
    int resolution;
    int valueScale;
    FXArray keys;   // ascending, no duplicates
    FXArray values; // one per key
    bool flagA, flagB;
    float handleFactor;
    int subSteps;
    int sampleScale;
    FXArray samples;
    FXFloatArray workX, workY; // the curve points of the last smooth sampling

    FXBezierGraph();
    ~FXBezierGraph() { Destroy(); }
    FXBezierGraph(const FXBezierGraph&) = delete;
    FXBezierGraph& operator=(const FXBezierGraph&) = delete;

    // resolution, valueScale (ints), keys, values (int arrays), flagA, flagB
    // (bools), handleFactor (float), subSteps (int).
    void LoadC(FXPackage* pkg, FXPackageData* data);
    // The same sequence on a stdio stream, bools as bytes 0/1.
    bool Save(FILE* f) const;
    bool Load(FILE* f);
    // Empties the arrays; scalars stay.
    void Destroy();

    // Authoring side.
    int GetCount() const { return keys.count; }
    int FindFrame(int pos) const;
    int FindNearest(int pos) const;
    int FindNearestRight(int pos) const;
    void InsertFrame(int index);
    void DeleteFrame(int index);
    // The index of the new key, or -1 when a key is at pos already.
    int InsertFramePos(int pos);
    // Moves the key at index from, with its value, to the place of index to.
    void MoveFrame(int to, int from);
    // Moves the key at oldPos to newPos, keeping the order; false when there
    // is no key at oldPos or one at newPos already.
    bool MoveFramePos(int newPos, int oldPos);
    void InsertResolutionPoint(int pos);
    void DeleteResolutionPoint(int pos);
    // The straight-line value at a position, times scale / valueScale; the
    // end keys' values outside them, 0 without keys.
    float ComputePointLinear(float pos, int scale) const;
    // count samples evenly over the axis, along straight lines or the smooth
    // curve (straight lines with two keys or fewer; at most 1024 pieces per
    // segment whatever subSteps says). Samples saturate at the int range.
    void ComputeSplineLinear(int count, int scale);
    void ComputeSplineBezier(int count, int scale);
    int GetSplineResX() const { return samples.count; }
    // Sample i clamped into range; 0 without samples.
    int GetFromSpline(int i) const;
    // The sample at a key-axis position, over sampleScale.
    float GetFromSpline1(int pos) const;

private:
    float SamplePos(int i, int count) const;
};
