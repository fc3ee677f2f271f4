#include "render/FXPixmap.h"

#include "base/fxAlloc.h"

#include <climits>
#include <cstdlib>
#include <utility>

bool FXPixmap::Realloc(int w, int h)
{
    int aw = power2 ? fxPower2(w) : w;
    int ah = power2 ? fxPower2(h) : h;
    // A side that fxPower2 cannot round (0) or a block whose byte size does
    // not fit an int is refused before any arithmetic can wrap.
    if (w < 0 || h < 0 || aw < 0 || ah < 0 || (power2 && (aw == 0 || ah == 0)) ||
        (aw > 0 && ah > INT_MAX / 4 / aw)) {
        Destroy();
        return false;
    }
    int need = aw * ah;
    if (!pixels || blockSize < need) {
        std::free(pixels);
        pixels = need > 0 ? static_cast<unsigned*>(std::malloc(static_cast<size_t>(need) * sizeof(unsigned))) : nullptr;
        blockSize = pixels ? need : 0;
        if (!pixels && need > 0) {
            Destroy();
            return false;
        }
    }
    width = w;
    height = h;
    pitch = aw;
    allocHeight = ah;
    return true;
}

void FXPixmap::Clear(unsigned pixel)
{
    if (!pixels)
        return;
    long n = static_cast<long>(pitch) * allocHeight;
    for (long i = 0; i < n; ++i)
        pixels[i] = pixel;
}

void FXPixmap::Destroy()
{
    std::free(pixels);
    pixels = nullptr;
    blockSize = pitch = allocHeight = width = height = 0;
}

void FXPixmap::Swap(FXPixmap* other)
{
    std::swap(pixels, other->pixels);
    std::swap(blockSize, other->blockSize);
    std::swap(pitch, other->pitch);
    std::swap(allocHeight, other->allocHeight);
    std::swap(width, other->width);
    std::swap(height, other->height);
    std::swap(power2, other->power2);
}
