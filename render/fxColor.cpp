#include "render/fxColor.h"

#include <cmath>

namespace {

unsigned localByte(float channel)
{
    return static_cast<unsigned>(static_cast<int>(channel * 255.0f));
}

float localClamp01(float v)
{
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

} // namespace

void fxColSetBlackT(float* c)
{
    c[0] = c[1] = c[2] = c[3] = 0;
}

void fxColSetBlack(float* c)
{
    c[0] = c[1] = c[2] = 0;
    c[3] = 1;
}

void fxColSetWhite(float* c)
{
    c[0] = c[1] = c[2] = c[3] = 1;
}

void fxColSet(float* c, float r, float g, float b, float a)
{
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
}

unsigned fxColToInt1(const float* c)
{
    return localByte(c[0]) | (localByte(c[1]) << 8) | (localByte(c[2]) << 16) | (localByte(c[3]) << 24);
}

void fxColFromInt1(float* c, unsigned p)
{
    for (int i = 0; i < 4; ++i)
        c[i] = static_cast<float>((p >> (8 * i)) & 0xff) / 255.0f;
}

unsigned fxColToInt(const float* c)
{
    return localByte(c[2]) | (localByte(c[1]) << 8) | (localByte(c[0]) << 16) | (localByte(c[3]) << 24);
}

void fxColFromInt(float* c, unsigned p)
{
    c[2] = static_cast<float>(p & 0xff) / 255.0f;
    c[1] = static_cast<float>((p >> 8) & 0xff) / 255.0f;
    c[0] = static_cast<float>((p >> 16) & 0xff) / 255.0f;
    c[3] = static_cast<float>((p >> 24) & 0xff) / 255.0f;
}

void fxColCutRange(float* c)
{
    for (int i = 0; i < 4; ++i)
        c[i] = localClamp01(c[i]);
}

bool fxColIsZero(const float* c)
{
    for (int i = 0; i < 4; ++i)
        if (std::isnan(c[i]) || c[i] != 0)
            return false;
    return true;
}
