#include "base/fxVector.h"

namespace {

void localCombine(float* out, const float* a, const float* b, int n)
{
    for (int k = 0; k < n; ++k)
        out[k] = a[k] * b[k];
}

// Equal components stay exact whatever t is.
void localCombineP(float* out, const float* a, const float* b, float t, int n)
{
    if (t == 0.0f) {
        for (int k = 0; k < n; ++k)
            out[k] = a[k];
        return;
    }
    if (t == 1.0f) {
        for (int k = 0; k < n; ++k)
            out[k] = b[k];
        return;
    }
    for (int k = 0; k < n; ++k) {
        float ak = a[k], bk = b[k];
        out[k] = ak == bk ? ak : ak + t * (bk - ak);
    }
}

} // namespace

void fxVec2fCombine(float* out, const float* a, const float* b) { localCombine(out, a, b, 2); }
void fxVec3fCombine(float* out, const float* a, const float* b) { localCombine(out, a, b, 3); }
void fxVec4fCombine(float* out, const float* a, const float* b) { localCombine(out, a, b, 4); }

float fxVec1fCombineP(float a, float b, float t)
{
    if (t == 0.0f)
        return a;
    if (t == 1.0f)
        return b;
    return a + t * (b - a);
}

void fxVec2fCombineP(float* out, const float* a, const float* b, float t) { localCombineP(out, a, b, t, 2); }
void fxVec3fCombineP(float* out, const float* a, const float* b, float t) { localCombineP(out, a, b, t, 3); }
void fxVec4fCombineP(float* out, const float* a, const float* b, float t) { localCombineP(out, a, b, t, 4); }
