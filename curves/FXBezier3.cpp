#include "curves/FXBezier3.h"

void FXBezier3::Set(const float* s, const float* h, const float* e)
{
    for (int k = 0; k < 3; ++k) {
        S[k] = s[k];
        H[k] = h[k];
        E[k] = e[k];
    }
}

void FXBezier3::Get(float* out, float t) const
{
    FXBezierPhaseH h;
    h.Prepare(t);
    GetH(out, &h);
}

void FXBezier3::GetH(float* out, const FXBezierPhaseH* h) const
{
    for (int k = 0; k < 3; ++k)
        out[k] = S[k] * h->u2 + H[k] * h->tu2 + E[k] * h->t2;
}
