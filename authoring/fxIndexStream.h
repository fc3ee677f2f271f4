// Writing index streams: one corner per control byte, each index in the
// narrowest code that holds it (0 when it continues the previous index of
// its kind, then 8, 16 or 32 bits).
#pragma once

class FXNumPool;

// Appends the corner idx (position, normal, texture coordinate). prev holds
// the previous triple (start with -1, -1, -1) and is updated.
bool fxPushIndexTriple(FXNumPool* pool, int* prev, const int* idx);
