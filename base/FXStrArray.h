// FXStrArray: growable array of owned narrow strings. A pushed text is
// copied; a null or empty text is stored as a null slot.
#pragma once

#include "base/FXArrayT.h"

#include <cstdio>

class FXStrArray : public FXArrayT<char*> {
public:
    FXStrArray() {}
    explicit FXStrArray(int growth) : FXArrayT<char*>(growth) {}
    ~FXStrArray() { DestroyBuf(); }

    bool Push(const char* s);
    bool Insert(int index, const char* s);
    // Releases the last string; there is nothing to hand back.
    void Pop();
    void RemovePos(int index);
    void RemoveAll();
    void DestroyBuf();

    // Same pointer, both empty, or equal text; -1 when none.
    int Findpos(const char* s) const;
    int Remove(const char* s);
    // Replaces slot index by a copy of s; false outside 0..count-1.
    bool Change(int index, const char* s);

    // Stream form: count, then each string as length and characters (length
    // 0 for a null slot).
    bool Save(FILE* f) const;
    bool Load(FILE* f);
    // As Save, each string written relative to the folder base.
    bool SaveShortPaths(FILE* f, const char* base) const;

private:
    bool SaveWith(FILE* f, const char* base) const;
};
