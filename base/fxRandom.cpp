#include "base/fxRandom.h"

#include "base/fxTime.h"

namespace {
uint32_t localSeed = 1;
} // namespace

void fxSrand(uint32_t seed)
{
    localSeed = seed;
}

int fxRand()
{
    localSeed = localSeed * 214013u + 2531011u;
    return static_cast<int>((localSeed >> 16) & 0x7fffu);
}

void fxResetRandom()
{
    uint32_t r = static_cast<uint32_t>(fxRand());
    fxSrand(r * static_cast<uint32_t>(fxGetMillis()));
}

float fxGetRandom()
{
    return static_cast<float>(fxRand() / 32767.0);
}
