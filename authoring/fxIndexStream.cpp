#include "authoring/fxIndexStream.h"

#include "package/FXNumPool.h"

namespace {

int localCodeOf(int index, int prev)
{
    if (static_cast<unsigned>(index) == static_cast<unsigned>(prev) + 1u)
        return 0;
    if (index >= 0 && index <= 0xff)
        return 1;
    if (index >= 0 && index <= 0xffff)
        return 2;
    return 3;
}

} // namespace

bool fxPushIndexTriple(FXNumPool* pool, int* prev, const int* idx)
{
    int code[3];
    unsigned char control = 0;
    for (int k = 0; k < 3; ++k) {
        code[k] = localCodeOf(idx[k], prev[k]);
        control = static_cast<unsigned char>(control | code[k] << (2 * k));
    }
    bool ok = pool->PushByte(control);
    for (int k = 0; k < 3 && ok; ++k) {
        if (code[k] == 1)
            ok = pool->PushByte(static_cast<unsigned char>(idx[k]));
        else if (code[k] == 2)
            ok = pool->PushWord(static_cast<unsigned short>(idx[k]));
        else if (code[k] == 3)
            ok = pool->PushInt(idx[k]);
    }
    for (int k = 0; k < 3; ++k)
        prev[k] = idx[k];
    return ok;
}
