#include "base/FXMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

int FXMemory::Realloc(int n)
{
    if (n <= capacity || itemSize <= 0)
        return capacity;
    size_t bytes = static_cast<size_t>(n) * static_cast<size_t>(itemSize);
    if (bytes / static_cast<size_t>(itemSize) != static_cast<size_t>(n))
        return capacity;
    void* b = std::calloc(bytes, 1);
    if (!b)
        return capacity;
    int keep = count < capacity ? count : capacity;
    if (block && keep > 0)
        std::memcpy(b, block, static_cast<size_t>(keep) * static_cast<size_t>(itemSize));
    std::free(block);
    block = b;
    capacity = n;
    return capacity;
}

void* FXMemory::GetItemPtr(int i) const
{
    if (!block || i < 0 || i >= count || i >= capacity)
        return nullptr;
    return static_cast<char*>(block) + static_cast<size_t>(i) * static_cast<size_t>(itemSize);
}

void FXMemory::DestroyBuf()
{
    std::free(block);
    block = nullptr;
    count = 0;
    capacity = 0;
}
