#include "base/FXFloatArray.h"

#include "base/fxSlotStream.h"

bool FXFloatArray::Save(FILE* f) const
{
    return localSaveSlots(f, *this, [](float v) {
        int32_t bits;
        std::memcpy(&bits, &v, 4);
        return bits;
    });
}

bool FXFloatArray::Load(FILE* f)
{
    return localLoadSlots(f, *this, [](int32_t bits) {
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    });
}
