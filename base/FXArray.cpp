#include "base/FXArray.h"

#include "base/fxSlotStream.h"

bool FXArray::PushVoid()
{
    if (!GrowForPush())
        return false;
    ++count;
    return true;
}

int FXArray::Findpos(const void* p) const
{
    for (int i = 0; i < count; ++i)
        if (items[i] == p)
            return i;
    return -1;
}

int FXArray::Remove(const void* p)
{
    int i = Findpos(p);
    if (i < 0)
        return -1;
    RemovePos(i);
    return i;
}

bool FXArray::Save(FILE* f) const
{
    return localSaveSlots(f, *this, [](void* p) {
        return static_cast<int32_t>(reinterpret_cast<intptr_t>(p));
    });
}

bool FXArray::Load(FILE* f)
{
    return localLoadSlots(f, *this, [](int32_t v) {
        return reinterpret_cast<void*>(static_cast<intptr_t>(v));
    });
}
