// FXFloatArray: growable array of float values.
#pragma once

#include "base/FXArrayT.h"

#include <cstdio>

class FXFloatArray : public FXArrayT<float> {
public:
    FXFloatArray() {}
    explicit FXFloatArray(int growth) : FXArrayT<float>(growth) {}

    // Stream form: count, then each float as 4 little-endian bytes.
    bool Save(FILE* f) const;
    bool Load(FILE* f);
};
