// FXArray: growable array of untyped pointer slots, also used for integers.
// It never owns what its slots point to.
#pragma once

#include "base/FXArrayT.h"

#include <cstdint>
#include <cstdio>

class FXArray : public FXArrayT<void*> {
public:
    FXArray() {}
    explicit FXArray(int growth) : FXArrayT<void*>(growth) {}

    bool PushInt(int v) { return Push(reinterpret_cast<void*>(static_cast<intptr_t>(v))); }
    // Slot i as an integer; 0 outside 0..count-1.
    int GetInt(int i) const { return static_cast<int>(reinterpret_cast<intptr_t>(Get(i))); }
    // Grows as Push and counts one more slot without writing it.
    bool PushVoid();
    int Findpos(const void* p) const;
    // Index of the first slot holding the integer v, or -1.
    int FindInt(int v) const { return Findpos(reinterpret_cast<void*>(static_cast<intptr_t>(v))); }
    // -1 when absent; otherwise removes the first equal slot.
    int Remove(const void* p);

    // Stream form: count, then each slot as a 4-byte integer (the integers
    // this array carries on disk). Load bounds the count by the bytes left.
    bool Save(FILE* f) const;
    bool Load(FILE* f);
};

// For arrays that own what their slots point to: deletes each slot as a T
// (null slots are skipped by delete) and empties the array.
template <class T>
void fxDeleteItems(FXArray* list)
{
    for (int i = 0; i < list->count; ++i)
        delete static_cast<T*>(list->Get(i));
    list->DestroyBuf();
}
