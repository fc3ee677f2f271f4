// FXRect: integer rectangle; empty unless left < right and top < bottom.
#pragma once

#include <cstdint>

class FXRect {
public:
    int32_t left, top, right, bottom;

    void SetZero() { left = top = right = bottom = 0; }
    void Set(int32_t l, int32_t t, int32_t r, int32_t b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    // Union with r.
    void CombineOr(const FXRect* r);
    // Intersection with r; true when the result is not empty.
    bool CombineAnd(const FXRect* r);
    bool IsEmpty() const { return !(left < right && top < bottom); }
};
