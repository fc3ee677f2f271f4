// FXBezier4: a cubic bezier segment (S, H1, H2, E) evaluated in the power
// basis a t^3 + b t^2 + c t + S, with (a, b, c) per axis from Precompute.
#pragma once

#include "curves/FXBezierPhaseH.h"

class FXBezier4 {
public:
    float S[3], H1[3], H2[3], E[3];
    float coef[9]; // x: a b c, y: a b c, z: a b c

    void Set(const float* s, const float* h1, const float* h2, const float* e);
    void Precompute();
    // Get and GetH agree exactly.
    void Get(float* out, float t) const;
    void GetH(float* out, const FXBezierPhaseH* h) const;
};
