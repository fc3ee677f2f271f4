// FXNumPool: a growable byte buffer with a read cursor; holds the packed
// index streams of meshes.
#pragma once

#include <cstdio>

class FXPackage;
class FXPackageData;

class FXNumPool {
public:
    unsigned char* bytes; // owned; null when none
    const unsigned char* readPos;
    int bytesRead;
    int used;     // length of the stored stream
    int capacity; // size of the block
    int step;     // the block grows in whole steps

    FXNumPool() : bytes(nullptr), readPos(nullptr), bytesRead(0), used(0), capacity(0), step(1) {}
    explicit FXNumPool(int growth)
        : bytes(nullptr), readPos(nullptr), bytesRead(0), used(0), capacity(0), step(growth)
    {
    }
    ~FXNumPool() { DestroyBuf(); }
    FXNumPool(const FXNumPool&) = delete;
    FXNumPool& operator=(const FXNumPool&) = delete;

    // Count B, then B bytes. A count beyond the entry's bytes is corrupt:
    // the pool is then empty.
    void LoadC(FXPackage* pkg, FXPackageData* data);
    void Reseek();
    // The next value within the used bytes, little-endian; false (output
    // unchanged, nothing consumed) when it does not fit.
    bool GetNextByte(unsigned char* v);
    bool GetNextWord(unsigned short* v);
    bool GetNextInt(int* v);
    // Grows by whole growth steps until the capacity is at least n; new
    // bytes are zero. False when the block cannot grow.
    bool Realloc(int n);
    void DestroyBuf();

    // One corner of an index stream: a control byte (two bits each for
    // position, normal, texture coordinate: 0 previous+1, 1 byte, 2 word,
    // 3 int32), then the explicit indexes in that order. prev holds the
    // previous triple (start with -1, -1, -1) and is updated. False, with
    // nothing consumed, when the stream ends inside the entry.
    bool GetNextTriple(int* prev, int* out);

    // Authoring side.
    bool PushByte(unsigned char v);
    bool PushWord(unsigned short v);
    bool PushInt(int v);
    bool Save(FILE* f) const;
    bool Load(FILE* f);

private:
    bool Next(void* v, int n);
    bool PushBytes(const unsigned char* b, int n);
};
