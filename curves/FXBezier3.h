// FXBezier3: a quadratic bezier segment (start S, handle H, end E).
#pragma once

#include "curves/FXBezierPhaseH.h"

class FXBezier3 {
public:
    float S[3], H[3], E[3];

    void Set(const float* s, const float* h, const float* e);
    // S(1-t)^2 + H 2t(1-t) + E t^2 per axis; Get and GetH agree exactly.
    void Get(float* out, float t) const;
    void GetH(float* out, const FXBezierPhaseH* h) const;
};
