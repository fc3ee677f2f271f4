#include "base/FXStrArray.h"

#include "base/fxPaths.h"
#include "base/fxStream.h"

#include <cstdlib>
#include <cstring>

namespace {

// Null for a null or empty text. *ok is false when the copy failed.
char* localDup(const char* s, bool* ok)
{
    *ok = true;
    if (!s || !s[0])
        return nullptr;
    size_t n = std::strlen(s) + 1;
    char* d = static_cast<char*>(std::malloc(n));
    if (!d) {
        *ok = false;
        return nullptr;
    }
    std::memcpy(d, s, n);
    return d;
}

bool localWriteText(FILE* f, const char* s)
{
    size_t n = s ? std::strlen(s) : 0;
    if (!fxWriteInt32(f, static_cast<int32_t>(n)))
        return false;
    return n == 0 || std::fwrite(s, 1, n, f) == n;
}

} // namespace

bool FXStrArray::Push(const char* s)
{
    bool ok;
    char* d = localDup(s, &ok);
    if (!ok || !FXArrayT<char*>::Push(d)) {
        std::free(d);
        return false;
    }
    return true;
}

bool FXStrArray::Insert(int index, const char* s)
{
    bool ok;
    char* d = localDup(s, &ok);
    if (!ok || !FXArrayT<char*>::Insert(index, d)) {
        std::free(d);
        return false;
    }
    return true;
}

void FXStrArray::Pop()
{
    if (count <= 0)
        return;
    --count;
    std::free(items[count]);
    items[count] = nullptr;
}

void FXStrArray::RemovePos(int index)
{
    if (index < 0 || index >= count)
        return;
    std::free(items[index]);
    FXArrayT<char*>::RemovePos(index);
    items[count] = nullptr;
}

void FXStrArray::RemoveAll()
{
    for (int i = 0; i < count; ++i) {
        std::free(items[i]);
        items[i] = nullptr;
    }
    count = 0;
}

void FXStrArray::DestroyBuf()
{
    RemoveAll();
    FXArrayT<char*>::DestroyBuf();
}

int FXStrArray::Findpos(const char* s) const
{
    bool empty = !s || !s[0];
    for (int i = 0; i < count; ++i) {
        const char* slot = items[i];
        if (slot == s)
            return i;
        bool slotEmpty = !slot || !slot[0];
        if (slotEmpty && empty)
            return i;
        if (!slotEmpty && !empty && std::strcmp(slot, s) == 0)
            return i;
    }
    return -1;
}

int FXStrArray::Remove(const char* s)
{
    int i = Findpos(s);
    if (i >= 0)
        RemovePos(i);
    return i;
}

bool FXStrArray::Change(int index, const char* s)
{
    if (index < 0 || index >= count)
        return false;
    bool ok;
    char* d = localDup(s, &ok);
    if (!ok)
        return false;
    std::free(items[index]);
    items[index] = d;
    return true;
}

bool FXStrArray::SaveWith(FILE* f, const char* base) const
{
    int n = (items && count > 0) ? count : 0;
    if (!fxWriteInt32(f, n))
        return false;
    for (int i = 0; i < n; ++i) {
        const char* s = items[i];
        if (base && s && s[0])
            s = fxBuildRelativePath(base, false, s, true);
        if (!localWriteText(f, s))
            return false;
    }
    return true;
}

bool FXStrArray::Save(FILE* f) const
{
    return SaveWith(f, nullptr);
}

bool FXStrArray::SaveShortPaths(FILE* f, const char* base) const
{
    return SaveWith(f, base ? base : "");
}

bool FXStrArray::Load(FILE* f)
{
    RemoveAll();
    int32_t n = 0;
    if (!fxReadCount(f, &n, 4))
        return false;
    if (n == 0)
        return true;
    if (Realloc(n) < n)
        return false;
    for (int i = 0; i < n; ++i) {
        int32_t len = 0;
        if (!fxReadCount(f, &len, 1))
            return false;
        char* s = nullptr;
        if (len > 0) {
            s = static_cast<char*>(std::malloc(static_cast<size_t>(len) + 1));
            if (!s)
                return false;
            if (std::fread(s, 1, static_cast<size_t>(len), f) != static_cast<size_t>(len)) {
                std::free(s);
                return false;
            }
            s[len] = 0;
        }
        items[i] = s;
        count = i + 1;
    }
    return true;
}
