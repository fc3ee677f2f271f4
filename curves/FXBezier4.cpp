#include "curves/FXBezier4.h"

void FXBezier4::Set(const float* s, const float* h1, const float* h2, const float* e)
{
    for (int k = 0; k < 3; ++k) {
        S[k] = s[k];
        H1[k] = h1[k];
        H2[k] = h2[k];
        E[k] = e[k];
    }
}

void FXBezier4::Precompute()
{
    for (int k = 0; k < 3; ++k) {
        float c = 3.0f * (H1[k] - S[k]);
        float b = 3.0f * (H2[k] - H1[k]) - c;
        float a = E[k] - S[k] - c - b;
        coef[k * 3] = a;
        coef[k * 3 + 1] = b;
        coef[k * 3 + 2] = c;
    }
}

void FXBezier4::Get(float* out, float t) const
{
    FXBezierPhaseH h;
    h.Prepare(t);
    GetH(out, &h);
}

void FXBezier4::GetH(float* out, const FXBezierPhaseH* h) const
{
    for (int k = 0; k < 3; ++k)
        out[k] = coef[k * 3] * h->t3 + coef[k * 3 + 1] * h->t2 + coef[k * 3 + 2] * h->t + S[k];
}
