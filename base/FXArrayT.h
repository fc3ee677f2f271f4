// FXArrayT: the growable array of slots behind FXArray, FXStrArray and
// FXFloatArray. Slots are plain values (pointers, floats) moved with memcpy;
// the block grows by the growth step and never shrinks.
#pragma once

#include <cstdlib>
#include <cstring>

template <class T>
class FXArrayT {
public:
    T* items;     // null while nothing was allocated
    int count;    // slots in use
    int capacity; // slots in the block
    int step;     // slots added when a push finds the block full

    FXArrayT() : items(nullptr), count(0), capacity(0), step(1) {}
    explicit FXArrayT(int growth) : items(nullptr), count(0), capacity(0), step(growth) {}
    ~FXArrayT() { std::free(items); }
    FXArrayT(const FXArrayT&) = delete;
    FXArrayT& operator=(const FXArrayT&) = delete;

    // Grows the block to n slots, keeping the used ones and zeroing the new
    // ones; never shrinks. Returns the capacity, unchanged when allocation
    // fails.
    int Realloc(int n)
    {
        if (n <= capacity)
            return capacity;
        T* block = static_cast<T*>(std::calloc(static_cast<size_t>(n), sizeof(T)));
        if (!block)
            return capacity;
        int keep = count < capacity ? count : capacity;
        if (items && keep > 0)
            std::memcpy(block, items, static_cast<size_t>(keep) * sizeof(T));
        std::free(items);
        items = block;
        capacity = n;
        return capacity;
    }

    // False only when the block could not grow.
    bool Push(T x)
    {
        if (!GrowForPush())
            return false;
        items[count++] = x;
        return true;
    }

    // -1, any other negative index or one above the count appends.
    bool Insert(int index, T x)
    {
        if (index < 0 || index > count)
            return Push(x);
        if (count >= capacity && Realloc(count + 1) <= count)
            return false;
        std::memmove(items + index + 1, items + index, static_cast<size_t>(count - index) * sizeof(T));
        items[index] = x;
        ++count;
        return true;
    }

    T Pop() { return count > 0 ? items[--count] : T(); }
    T First() const { return count > 0 ? items[0] : T(); }
    T Last() const { return count > 0 ? items[count - 1] : T(); }
    // Slot i, or the zero value outside 0..count-1.
    T Get(int i) const { return (i >= 0 && i < count) ? items[i] : T(); }

    void MovePos(int index, int dir)
    {
        if (dir > 0 && index >= 0 && index < count - 1)
            Swap(index, index + 1);
        else if (dir < 0 && index >= 1 && index < count)
            Swap(index, index - 1);
    }

    void RemovePos(int index)
    {
        if (index < 0 || index >= count)
            return;
        std::memmove(items + index, items + index + 1, static_cast<size_t>(count - index - 1) * sizeof(T));
        --count;
    }

    void RemoveAll() { count = 0; }

    void DestroyBuf()
    {
        std::free(items);
        items = nullptr;
        count = 0;
        capacity = 0;
    }

    bool IsEmpty() const { return count <= 0; }

protected:
    // A growth step below 1 grows by one slot: a zero step must not turn a
    // push into a write past the block.
    bool GrowForPush()
    {
        if (count < capacity)
            return true;
        int by = step > 0 ? step : 1;
        return Realloc(capacity + by) > count;
    }

    void Swap(int a, int b)
    {
        T t = items[a];
        items[a] = items[b];
        items[b] = t;
    }
};
