#include "curves/FXBezierGraph.h"

#include "base/fxStream.h"
#include "curves/FXBezier3.h"
#include "curves/FXBezier4.h"
#include "package/FXPackageData.h"

#include <cmath>
#include <cstdlib>

namespace {

void localSet(FXArray* a, int i, int v)
{
    a->items[i] = reinterpret_cast<void*>(static_cast<intptr_t>(v));
}

bool localReadByte(FILE* f, bool* b)
{
    int c = std::fgetc(f);
    if (c == EOF)
        return false;
    *b = c == 1;
    return true;
}

// Rounded to the nearest int, saturating; NaN gives 0.
int localRound(float v)
{
    if (!(v == v))
        return 0;
    float r = std::floor(v + 0.5f);
    if (r >= 2147483520.0f)
        return 2147483520;
    if (r <= -2147483648.0f)
        return -2147483647 - 1;
    return static_cast<int>(r);
}

// Line pieces per curve segment; a stored count is bounded so that a corrupt
// record cannot ask for billions of points.
const int kMaxSubSteps = 1024;

} // namespace

FXBezierGraph::FXBezierGraph()
    : resolution(0), valueScale(1000), flagA(false), flagB(false), handleFactor(0.3f), subSteps(16), sampleScale(1),
      workX(64), workY(128)
{
}

void FXBezierGraph::LoadC(FXPackage* pkg, FXPackageData* data)
{
    (void)pkg;
    if (!data)
        return;
    resolution = data->ReadInt();
    valueScale = data->ReadInt();
    data->ReadArray(&keys);
    data->ReadArray(&values);
    flagA = data->ReadBool();
    flagB = data->ReadBool();
    handleFactor = data->ReadFloat();
    subSteps = data->ReadInt();
}

bool FXBezierGraph::Save(FILE* f) const
{
    unsigned char flags[2] = {flagA, flagB};
    return fxWriteInt32(f, resolution) && fxWriteInt32(f, valueScale) && keys.Save(f) && values.Save(f) &&
           std::fwrite(flags, 1, 2, f) == 2 && fxWriteFloat(f, handleFactor) && fxWriteInt32(f, subSteps);
}

bool FXBezierGraph::Load(FILE* f)
{
    int32_t r = 0, scale = 0, sub = 0;
    if (!fxReadInt32(f, &r) || !fxReadInt32(f, &scale) || !keys.Load(f) || !values.Load(f) ||
        !localReadByte(f, &flagA) || !localReadByte(f, &flagB) || !fxReadFloat(f, &handleFactor) ||
        !fxReadInt32(f, &sub))
        return false;
    resolution = r;
    valueScale = scale;
    subSteps = sub;
    return true;
}

void FXBezierGraph::Destroy()
{
    keys.DestroyBuf();
    values.DestroyBuf();
    samples.DestroyBuf();
    workX.DestroyBuf();
    workY.DestroyBuf();
}

int FXBezierGraph::FindFrame(int pos) const
{
    return keys.FindInt(pos);
}

int FXBezierGraph::FindNearest(int pos) const
{
    int best = -1;
    long long bestDist = 0;
    for (int i = 0; i < keys.count; ++i) {
        long long d = std::llabs(static_cast<long long>(keys.GetInt(i)) - pos);
        if (best < 0 || d < bestDist) {
            best = i;
            bestDist = d;
        }
    }
    return best;
}

int FXBezierGraph::FindNearestRight(int pos) const
{
    for (int i = 0; i < keys.count; ++i)
        if (keys.GetInt(i) >= pos)
            return i;
    return -1;
}

void FXBezierGraph::InsertFrame(int index)
{
    keys.Insert(index, nullptr);
    values.Insert(index, nullptr);
}

void FXBezierGraph::DeleteFrame(int index)
{
    keys.RemovePos(index);
    values.RemovePos(index);
}

int FXBezierGraph::InsertFramePos(int pos)
{
    if (FindFrame(pos) >= 0)
        return -1;
    int at = FindNearestRight(pos);
    if (at < 0)
        at = keys.count;
    InsertFrame(at);
    localSet(&keys, at, pos);
    localSet(&values, at, 0);
    return at;
}

void FXBezierGraph::MoveFrame(int to, int from)
{
    if (from < 0 || from >= keys.count || to < 0 || to >= keys.count || to == from)
        return;
    int k = keys.GetInt(from), v = values.GetInt(from);
    DeleteFrame(from);
    InsertFrame(to);
    localSet(&keys, to, k);
    localSet(&values, to, v);
}

bool FXBezierGraph::MoveFramePos(int newPos, int oldPos)
{
    int from = FindFrame(oldPos);
    if (from < 0 || (newPos != oldPos && FindFrame(newPos) >= 0))
        return false;
    int v = values.GetInt(from);
    DeleteFrame(from);
    int at = InsertFramePos(newPos);
    localSet(&values, at, v);
    return true;
}

void FXBezierGraph::InsertResolutionPoint(int pos)
{
    ++resolution;
    for (int i = 0; i < keys.count; ++i)
        if (keys.GetInt(i) >= pos)
            localSet(&keys, i, keys.GetInt(i) + 1);
}

void FXBezierGraph::DeleteResolutionPoint(int pos)
{
    if (resolution > 0)
        --resolution;
    for (int i = 0; i < keys.count; ++i)
        if (keys.GetInt(i) > pos)
            localSet(&keys, i, keys.GetInt(i) - 1);
    for (int i = 1; i < keys.count;)
        if (keys.GetInt(i) == keys.GetInt(i - 1))
            DeleteFrame(i);
        else
            ++i;
}

float FXBezierGraph::ComputePointLinear(float pos, int scale) const
{
    int n = keys.count < values.count ? keys.count : values.count;
    if (n == 0 || valueScale == 0)
        return 0.0f;
    float k = static_cast<float>(scale) / static_cast<float>(valueScale);
    if (pos <= static_cast<float>(keys.GetInt(0)))
        return static_cast<float>(values.GetInt(0)) * k;
    for (int i = 1; i < n; ++i) {
        float x0 = static_cast<float>(keys.GetInt(i - 1)), x1 = static_cast<float>(keys.GetInt(i));
        if (pos <= x1) {
            float y0 = static_cast<float>(values.GetInt(i - 1)), y1 = static_cast<float>(values.GetInt(i));
            float t = x1 > x0 ? (pos - x0) / (x1 - x0) : 1.0f;
            return (y0 + t * (y1 - y0)) * k;
        }
    }
    return static_cast<float>(values.GetInt(n - 1)) * k;
}

float FXBezierGraph::SamplePos(int i, int count) const
{
    if (count <= 1 || resolution <= 1)
        return 0.0f;
    return static_cast<float>(i) * static_cast<float>(resolution - 1) / static_cast<float>(count - 1);
}

void FXBezierGraph::ComputeSplineLinear(int count, int scale)
{
    samples.RemoveAll();
    sampleScale = scale;
    if (count <= 0 || samples.Realloc(count) < count)
        return;
    for (int i = 0; i < count; ++i)
        samples.PushInt(localRound(ComputePointLinear(SamplePos(i, count), scale)));
}

void FXBezierGraph::ComputeSplineBezier(int count, int scale)
{
    int n = keys.count < values.count ? keys.count : values.count;
    if (n <= 2 || valueScale == 0) {
        ComputeSplineLinear(count, scale);
        return;
    }
    // The curve through the keys as a polyline: quadratic end segments,
    // cubic inner ones, handles along next - previous at handleFactor of
    // each chord, every segment cut into subSteps pieces.
    int pieces = subSteps > 0 ? (subSteps < kMaxSubSteps ? subSteps : kMaxSubSteps) : 1;
    float k = static_cast<float>(scale) / static_cast<float>(valueScale);
    auto pt = [&](int i, float* p) {
        p[0] = static_cast<float>(keys.GetInt(i));
        p[1] = static_cast<float>(values.GetInt(i)) * k;
        p[2] = 0.0f;
    };
    auto handles = [&](int i, float* in, float* out) {
        float a[3], p[3], b[3];
        pt(i - 1, a);
        pt(i, p);
        pt(i + 1, b);
        float dx = b[0] - a[0], dy = b[1] - a[1];
        float len = std::sqrt(dx * dx + dy * dy);
        float la = std::sqrt((p[0] - a[0]) * (p[0] - a[0]) + (p[1] - a[1]) * (p[1] - a[1]));
        float lb = std::sqrt((b[0] - p[0]) * (b[0] - p[0]) + (b[1] - p[1]) * (b[1] - p[1]));
        float ux = len > 0 ? dx / len : 0, uy = len > 0 ? dy / len : 0;
        in[0] = p[0] - ux * la * handleFactor;
        in[1] = p[1] - uy * la * handleFactor;
        out[0] = p[0] + ux * lb * handleFactor;
        out[1] = p[1] + uy * lb * handleFactor;
        in[2] = out[2] = 0.0f;
    };
    workX.RemoveAll();
    workY.RemoveAll();
    for (int seg = 0; seg + 1 < n; ++seg) {
        float s[3], e[3], h1[3], h2[3], skip[3];
        pt(seg, s);
        pt(seg + 1, e);
        FXBezier3 q;
        FXBezier4 c;
        bool cubic = seg > 0 && seg + 2 < n;
        if (cubic) {
            handles(seg, skip, h1);
            handles(seg + 1, h2, skip);
            c.Set(s, h1, h2, e);
            c.Precompute();
        } else if (seg == 0) {
            handles(1, h1, skip);
            q.Set(s, h1, e);
        } else {
            handles(seg, skip, h1);
            q.Set(s, h1, e);
        }
        for (int j = seg == 0 ? 0 : 1; j <= pieces; ++j) {
            float t = static_cast<float>(j) / static_cast<float>(pieces), out[3];
            if (cubic)
                c.Get(out, t);
            else
                q.Get(out, t);
            // Keep the polyline a function of x.
            if (workX.count > 0 && out[0] < workX.Last())
                out[0] = workX.Last();
            workX.Push(out[0]);
            workY.Push(out[1]);
        }
    }
    samples.RemoveAll();
    sampleScale = scale;
    if (count <= 0 || samples.Realloc(count) < count)
        return;
    int seg = 0;
    for (int i = 0; i < count; ++i) {
        float x = SamplePos(i, count);
        while (seg + 2 < workX.count && workX.items[seg + 1] < x)
            ++seg;
        float x0 = workX.items[seg], x1 = workX.items[seg + 1];
        float y0 = workY.items[seg], y1 = workY.items[seg + 1];
        float y;
        if (x <= x0)
            y = y0;
        else if (x >= x1)
            y = y1;
        else
            y = y0 + (x - x0) / (x1 - x0) * (y1 - y0);
        samples.PushInt(localRound(y));
    }
}

int FXBezierGraph::GetFromSpline(int i) const
{
    if (samples.count == 0)
        return 0;
    if (i < 0)
        i = 0;
    if (i >= samples.count)
        i = samples.count - 1;
    return samples.GetInt(i);
}

float FXBezierGraph::GetFromSpline1(int pos) const
{
    if (samples.count == 0 || sampleScale == 0)
        return 0.0f;
    int i = 0;
    if (resolution > 1 && samples.count > 1)
        i = localRound(static_cast<float>(pos) * static_cast<float>(samples.count - 1) /
                       static_cast<float>(resolution - 1));
    return static_cast<float>(GetFromSpline(i)) / static_cast<float>(sampleScale);
}
