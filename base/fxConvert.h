// The conversion shared by FXConvertW and FXConvertC.
#pragma once

#include <cstdlib>
#include <climits>

// Converts src with the runtime's measuring converter conv (mbstowcs or
// wcstombs): asks for the length, allocates length+1 units, converts and
// terminates. *out is null and *len 0 when nothing converts.
template <class To, class From>
void localConvert(const From* src, size_t (*conv)(To*, const From*, size_t), To** out, int* len)
{
    *out = nullptr;
    *len = 0;
    if (!src)
        return;
    size_t n = conv(nullptr, src, 0);
    if (n == static_cast<size_t>(-1) || n == 0 || n >= static_cast<size_t>(INT_MAX))
        return;
    To* block = static_cast<To*>(std::malloc((n + 1) * sizeof(To)));
    if (!block)
        return;
    size_t got = conv(block, src, n);
    if (got == static_cast<size_t>(-1) || got == 0) {
        std::free(block);
        return;
    }
    block[got] = 0;
    *out = block;
    *len = static_cast<int>(got);
}
