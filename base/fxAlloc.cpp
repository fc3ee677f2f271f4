#include "base/fxAlloc.h"

#include <cstdlib>

void* fxMalloc(unsigned size)
{
    return std::calloc(size ? size : 1, 1);
}

int fxPower2(int n)
{
    if (n <= 1)
        return 1;
    if (n > (1 << 30))
        return 0;
    int p = 1;
    while (p < n)
        p <<= 1;
    return p;
}
