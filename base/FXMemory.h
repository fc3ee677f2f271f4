// FXMemory: a block of fixed-size items (authoring side). The owner sets the
// count of items in use.
#pragma once

class FXMemory {
public:
    void* block;
    int count;    // items in use, set by the owner
    int capacity; // items in the block
    int itemSize; // bytes per item

    FXMemory() : block(nullptr), count(0), capacity(0), itemSize(1) {}
    explicit FXMemory(int size) : block(nullptr), count(0), capacity(0), itemSize(size) {}
    ~FXMemory() { DestroyBuf(); }
    FXMemory(const FXMemory&) = delete;
    FXMemory& operator=(const FXMemory&) = delete;

    // Grows to n items keeping the first count, zeroing the rest; never
    // shrinks. Returns the capacity, unchanged when allocation fails.
    int Realloc(int n);
    // Item i when 0 <= i < count, else null.
    void* GetItemPtr(int i) const;
    void DestroyBuf();
};
