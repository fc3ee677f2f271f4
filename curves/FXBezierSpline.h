// FXBezierSpline: a smooth curve through 3-D points, one bezier segment
// between each pair of neighbours, evaluated on an active piece at a local
// phase, or anywhere by a global phase. Single precision throughout.
//
// The caller pushes three floats per point into `points`, may set `closed`,
// `tension` and `lineMode`, then calls Precompute.
#pragma once

#include "base/FXFloatArray.h"
#include "curves/FXBezier3.h"
#include "curves/FXBezier4.h"

#include <memory>

class FXBezierSpline {
public:
    bool closed;
    float tension;
    FXFloatArray points;  // three floats per point
    FXFloatArray handles; // per point: in-handle, out-handle (six floats)
    FXBezier3 firstSeg;   // point 0 to 1 of an open curve
    FXBezier3 lastSeg;    // point n-2 to n-1 of an open curve
    std::unique_ptr<FXBezier4[]> segs; // segment i: point i to i+1 (n-1: back to 0)
    int segCount;
    bool constant; // the active piece has equal ends
    const float* actStart;
    const float* actEnd;
    float actDelta[3];
    const FXBezier3* actSeg3;
    const FXBezier4* actSeg4;
    int actKind; // 0 none, 2 line of a two-point curve, 3 quadratic, 4 cubic
    float lineDelta[3];
    FXFloatArray phases; // global phase at each point
    int actIndex;
    float total;
    float meanLength;
    bool altEval; // alternative evaluators are not built; always evaluates as false
    bool lineMode;

    FXBezierSpline();
    ~FXBezierSpline() { Destroy(); }
    FXBezierSpline(const FXBezierSpline&) = delete;
    FXBezierSpline& operator=(const FXBezierSpline&) = delete;

    void Precompute();
    // Handles lie on the line through each point parallel to next - previous
    // (the list taken as a ring), each half its chord times the tension. A
    // point whose neighbours coincide gets both handles on itself.
    void PrecomputeCtrlPoints();
    void PrecomputeBeziers();
    // The piece from point `from` to point `to` (-1 meaning the last point);
    // indexes outside the points are clamped to them.
    void SetActPoints(int from, int to);
    // The active piece at local phase t (not clamped: outside 0..1 it
    // extrapolates). Get and GetH agree exactly.
    void Get(float* out, float t) const;
    void GetH(float* out, const FXBezierPhaseH* h) const;

    void PrecomputePhasesLinear();
    // Chord-length phases. Points that are all equal (no length) get linear
    // phases rather than a division by zero.
    void PrecomputePhasesLenght();
    // -1 when phase lies before point a, 1 when after point b, else 0.
    int TestPhase(int a, int b, float phase) const;
    // The point at global phase 0..1. Phases outside 0..1 are clamped; on an
    // open curve a phase at or past the last point gives the last point.
    // Without phases for every point it gives point 0.
    void GetAll(float* out, float phase);
    int GetCnt() const { return points.count / 3; }
    // Authoring: the first coordinate at a global phase, along straight
    // lines between the points.
    float GetAllPos(float phase) const;

    void Destroy();

private:
    const float* Point(int i) const { return points.items + 3 * i; }
    const float* InHandle(int i) const { return handles.items + 6 * i; }
    const float* OutHandle(int i) const { return handles.items + 6 * i + 3; }
    void SetPoint(float* out, const float* p) const;
};
