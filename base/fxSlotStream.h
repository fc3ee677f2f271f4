// The stream form shared by FXArray and FXFloatArray: a 4-byte count, then
// count 4-byte slots.
#pragma once

#include "base/FXArrayT.h"
#include "base/fxStream.h"

#include <cstring>

template <class T, class ToBits>
bool localSaveSlots(FILE* f, const FXArrayT<T>& a, ToBits toBits)
{
    int n = (a.items && a.count > 0) ? a.count : 0;
    if (!fxWriteInt32(f, n))
        return false;
    for (int i = 0; i < n; ++i)
        if (!fxWriteInt32(f, toBits(a.items[i])))
            return false;
    return true;
}

// A stored count larger than the bytes left is corrupt: nothing is read.
template <class T, class FromBits>
bool localLoadSlots(FILE* f, FXArrayT<T>& a, FromBits fromBits)
{
    a.count = 0;
    int32_t n = 0;
    if (!fxReadCount(f, &n, 4))
        return false;
    if (n == 0)
        return true;
    if (a.Realloc(n) < n)
        return false;
    for (int i = 0; i < n; ++i) {
        int32_t v;
        if (!fxReadInt32(f, &v))
            return false;
        a.items[i] = fromBits(v);
        a.count = i + 1;
    }
    return true;
}
