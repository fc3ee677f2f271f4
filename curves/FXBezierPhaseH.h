// FXBezierPhaseH: the powers of one phase, computed once and shared by many
// segment evaluations (every vertex spline of a frame uses the same phase).
#pragma once

class FXBezierPhaseH {
public:
    // t, t^2, t^3, 1-t, 2t(1-t), (1-t)^2
    float t, t2, t3, u, tu2, u2;

    void Prepare(float phase)
    {
        t = phase;
        t2 = phase * phase;
        t3 = t2 * phase;
        u = 1.0f - phase;
        tu2 = 2.0f * phase * u;
        u2 = u * u;
    }
};
