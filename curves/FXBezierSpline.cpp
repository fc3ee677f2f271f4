#include "curves/FXBezierSpline.h"

#include <cmath>
#include <new>

namespace {

float localDist(const float* a, const float* b)
{
    float dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

bool localSame(const float* a, const float* b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

} // namespace

FXBezierSpline::FXBezierSpline()
    : closed(false), tension(1.0f), segCount(0), constant(false), actStart(nullptr), actEnd(nullptr),
      actSeg3(nullptr), actSeg4(nullptr), actKind(0), actIndex(0), total(0), meanLength(0), altEval(false),
      lineMode(false)
{
    for (int k = 0; k < 3; ++k)
        actDelta[k] = lineDelta[k] = 0.0f;
}

void FXBezierSpline::SetPoint(float* out, const float* p) const
{
    for (int k = 0; k < 3; ++k)
        out[k] = p[k];
}

void FXBezierSpline::Precompute()
{
    actIndex = 0;
    PrecomputeCtrlPoints();
    segs.reset();
    segCount = 0;
    PrecomputeBeziers();
    SetActPoints(0, 1);
}

void FXBezierSpline::PrecomputeCtrlPoints()
{
    int n = GetCnt();
    actKind = 0;
    if (n <= 2) {
        handles.RemoveAll();
        if (n == 2)
            for (int k = 0; k < 3; ++k)
                lineDelta[k] = points.items[3 + k] - points.items[k];
        return;
    }
    if (handles.Realloc(6 * n) < 6 * n) {
        handles.RemoveAll();
        return;
    }
    handles.count = 6 * n;
    for (int i = 0; i < n; ++i) {
        const float* p = Point(i);
        const float* a = Point(i == 0 ? n - 1 : i - 1);
        const float* b = Point(i == n - 1 ? 0 : i + 1);
        float la = localDist(a, p), lb = localDist(b, p);
        float ma[3], mb[3], m[3], da[3], db[3];
        for (int k = 0; k < 3; ++k) {
            ma[k] = (p[k] + a[k]) * 0.5f;
            mb[k] = (p[k] + b[k]) * 0.5f;
            m[k] = (ma[k] + mb[k]) * 0.5f;
            da[k] = ma[k] - m[k];
            db[k] = mb[k] - m[k];
        }
        float lda = std::sqrt(da[0] * da[0] + da[1] * da[1] + da[2] * da[2]);
        float ldb = std::sqrt(db[0] * db[0] + db[1] * db[1] + db[2] * db[2]);
        // A zero-length direction (neighbours on the same spot) collapses the
        // handle onto the point instead of dividing by zero.
        float sa = lda > 0.0f ? (la * 0.5f * tension) / lda : 0.0f;
        float sb = ldb > 0.0f ? (lb * 0.5f * tension) / ldb : 0.0f;
        float* h = handles.items + 6 * i;
        for (int k = 0; k < 3; ++k) {
            h[k] = p[k] + da[k] * sa;
            h[3 + k] = p[k] + db[k] * sb;
        }
    }
}

void FXBezierSpline::PrecomputeBeziers()
{
    int n = GetCnt();
    if (n <= 2 || handles.count < 6 * n) {
        segs.reset();
        segCount = 0;
        return;
    }
    if (segCount != n) {
        segs.reset(new (std::nothrow) FXBezier4[n]);
        segCount = segs ? n : 0;
        if (!segs)
            return;
    }
    firstSeg.Set(Point(0), InHandle(1), Point(1));
    lastSeg.Set(Point(n - 2), OutHandle(n - 2), Point(n - 1));
    for (int i = 0; i < n; ++i) {
        int next = i == n - 1 ? 0 : i + 1;
        segs[i].Set(Point(i), OutHandle(i), InHandle(next), Point(next));
        segs[i].Precompute();
    }
}

void FXBezierSpline::SetActPoints(int from, int to)
{
    constant = false;
    actStart = nullptr;
    actEnd = nullptr;
    int n = GetCnt();
    if (n >= 2) {
        if (from == -1)
            from = n - 1;
        if (to == -1)
            to = n - 1;
        from = from < 0 ? 0 : (from > n - 1 ? n - 1 : from);
        to = to < 0 ? 0 : (to > n - 1 ? n - 1 : to);
        // Line mode draws the line between the two points for any curve,
        // two points included: a two-point curve's actDelta was never set,
        // so a sheet of two key frames in line mode stood still.
        if (lineMode) {
            if (n > 2)
                actIndex = from;
            else
                actKind = 2;
            actStart = Point(from);
            actEnd = Point(to);
            if (localSame(actStart, actEnd))
                constant = true;
            else
                for (int k = 0; k < 3; ++k)
                    actDelta[k] = actEnd[k] - actStart[k];
            return;
        }
    }
    if (n > 2) {
        actIndex = from;
        if (segCount != n) {
            actKind = 0;
            return;
        }
        const float* s;
        const float* e;
        if (closed) {
            actKind = 4;
            actSeg4 = &segs[from];
            s = actSeg4->S;
            e = actSeg4->E;
        } else if (from == 0 || to == n - 1) {
            actKind = 3;
            actSeg3 = from == 0 ? &firstSeg : &lastSeg;
            s = actSeg3->S;
            e = actSeg3->E;
        } else {
            actKind = 4;
            actSeg4 = &segs[from];
            s = actSeg4->S;
            e = actSeg4->E;
        }
        if (localSame(s, e)) {
            constant = true;
            actStart = s;
        }
        return;
    }
    if (n == 2) {
        actKind = 2;
        actStart = Point(0);
        actEnd = Point(1);
        if (localSame(actStart, actEnd))
            constant = true;
    }
}

void FXBezierSpline::Get(float* out, float t) const
{
    FXBezierPhaseH h;
    h.Prepare(t);
    GetH(out, &h);
}

void FXBezierSpline::GetH(float* out, const FXBezierPhaseH* h) const
{
    if (constant && actStart) {
        SetPoint(out, actStart);
        return;
    }
    if (lineMode && actStart) {
        for (int k = 0; k < 3; ++k)
            out[k] = actStart[k] + actDelta[k] * h->t;
        return;
    }
    if (actKind == 2 && GetCnt() >= 2) {
        for (int k = 0; k < 3; ++k)
            out[k] = points.items[k] + lineDelta[k] * h->t;
        return;
    }
    if (actKind == 3 && actSeg3) {
        actSeg3->GetH(out, h);
        return;
    }
    if (actKind == 4 && actSeg4) {
        actSeg4->GetH(out, h);
        return;
    }
    if (GetCnt() >= 1)
        SetPoint(out, Point(0));
    else
        out[0] = out[1] = out[2] = 0.0f;
}

void FXBezierSpline::PrecomputePhasesLinear()
{
    int n = GetCnt();
    phases.RemoveAll();
    if (n <= 0 || phases.Realloc(n) < n)
        return;
    for (int i = 0; i < n; ++i)
        phases.Push(n > 1 ? static_cast<float>(i) / static_cast<float>(n - 1) : 0.0f);
}

void FXBezierSpline::PrecomputePhasesLenght()
{
    int n = GetCnt();
    phases.RemoveAll();
    total = 0;
    meanLength = 0;
    if (n <= 0 || phases.Realloc(n) < n)
        return;
    float s = 0.0f;
    phases.Push(0.0f);
    for (int i = 1; i < n; ++i) {
        s += localDist(Point(i), Point(i - 1));
        phases.Push(s);
    }
    total = s;
    if (closed)
        total += localDist(Point(0), Point(n - 1));
    int segsOf = closed ? n : n - 1;
    meanLength = segsOf > 0 ? total / static_cast<float>(segsOf) : 0.0f;
    if (!(total > 0.0f)) {
        PrecomputePhasesLinear();
        return;
    }
    float inv = 1.0f / total;
    for (int i = 0; i < n; ++i)
        phases.items[i] *= inv;
}

int FXBezierSpline::TestPhase(int a, int b, float phase) const
{
    int last = GetCnt() - 1;
    if (last < 0 || phases.count <= last)
        return 0;
    if (b > last)
        b = 0;
    if (a > last || a < 0)
        a = 0;
    if (phases.items[a] > phase)
        return -1;
    if (b <= 0)
        return 0;
    return phase > phases.items[b] ? 1 : 0;
}

void FXBezierSpline::GetAll(float* out, float phase)
{
    int n = GetCnt();
    if (n < 2 || phases.count < n) {
        Get(out, 0.0f);
        return;
    }
    if (!(phase >= 0.0f))
        phase = 0.0f; // also NaN
    if (phase > 1.0f)
        phase = 1.0f;
    if (!closed && phase >= phases.items[n - 1]) {
        SetPoint(out, Point(n - 1));
        return;
    }
    int i = actIndex < 0 ? 0 : (actIndex > n - 1 ? n - 1 : actIndex);
    int r = TestPhase(i, i + 1, phase);
    while (r > 0 && i < n - 1) {
        r = TestPhase(i + 1, i + 2, phase);
        ++i;
    }
    while (r < 0 && i > 0) {
        r = TestPhase(i - 1, i, phase);
        --i;
    }
    int next = i + 1 > n - 1 ? 0 : i + 1;
    if (i != actIndex)
        SetActPoints(i, next);
    float p0 = phases.items[i];
    float p1 = next == 0 ? 1.0f : phases.items[next];
    float t = p1 > p0 ? (phase - p0) * (1.0f / (p1 - p0)) : 0.0f;
    Get(out, t);
}

float FXBezierSpline::GetAllPos(float phase) const
{
    int n = GetCnt();
    if (n <= 0)
        return 0.0f;
    if (n == 1 || phases.count < n || !(phase > phases.items[0]))
        return points.items[0];
    for (int i = 1; i < n; ++i) {
        float p0 = phases.items[i - 1], p1 = phases.items[i];
        if (phase <= p1) {
            float t = p1 > p0 ? (phase - p0) / (p1 - p0) : 0.0f;
            return Point(i - 1)[0] + t * (Point(i)[0] - Point(i - 1)[0]);
        }
    }
    return Point(n - 1)[0];
}

void FXBezierSpline::Destroy()
{
    points.DestroyBuf();
    handles.DestroyBuf();
    segs.reset();
    segCount = 0;
    phases.DestroyBuf();
    constant = false;
    actStart = actEnd = nullptr;
    actSeg3 = nullptr;
    actSeg4 = nullptr;
    actKind = 0;
    actIndex = 0;
}
