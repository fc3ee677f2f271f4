// FXLongStrT: the heap string behind FXLongStr (narrow) and FXLongStrW (wide).
// Growth is always to the exact size needed; there is no spare capacity.
#pragma once

#include <cstdlib>
#include <cstring>
#include <cwchar>

template <class C>
class FXLongStrT {
public:
    C* str;       // null while no block is held
    int len;      // characters before the terminator
    int capacity; // size of the block in characters, terminator included

    FXLongStrT() : str(nullptr), len(0), capacity(0) {}
    ~FXLongStrT() { Clear(); }
    FXLongStrT(const FXLongStrT&) = delete;
    FXLongStrT& operator=(const FXLongStrT&) = delete;

    // The text; never null.
    const C* Get() const;

    // Null or empty empties the text (the block is kept).
    bool Set(const C* s);
    bool Append(const C* s);
    // Releases the block; length and capacity 0.
    void Clear();
    // Releases the block and zeroes the capacity but keeps the length, which
    // then describes no text: every operation treats a missing block as
    // empty text.
    void ClearBuf();
    int TrimSpaces();
    int ToLower();
    bool IsEmpty() const { return !str || len <= 0; }
    // Null or empty matches exactly an empty string.
    bool Compare(const C* s) const;
    bool iCompare(const C* s) const;

protected:
    int TextLen() const { return str ? len : 0; }
    // Makes room for n characters plus terminator, keeping the text.
    bool Reserve(int n);
};
