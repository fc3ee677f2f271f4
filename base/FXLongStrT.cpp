// Code of FXLongStrT, instantiated for char and wchar_t only.
#include "base/FXLongStrT.h"

#include "base/fxTrim.h"

#include <cctype>
#include <climits>
#include <cwctype>

namespace {

size_t localLen(const char* s) { return std::strlen(s); }
size_t localLen(const wchar_t* s) { return std::wcslen(s); }
int localCmp(const char* a, const char* b) { return std::strcmp(a, b); }
int localCmp(const wchar_t* a, const wchar_t* b) { return std::wcscmp(a, b); }
char localLower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
wchar_t localLower(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }
int localTrim(char* s, int n) { return localTrimSpaces(s, n); }
int localTrim(wchar_t* s, int n) { return localTrimSpacesW(s, n); }

template <class C>
int localICmp(const C* a, const C* b)
{
    for (;; ++a, ++b) {
        C ca = localLower(*a), cb = localLower(*b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

template <class C>
const C* localEmpty();
template <>
const char* localEmpty<char>() { return ""; }
template <>
const wchar_t* localEmpty<wchar_t>() { return L""; }

} // namespace

template <class C>
const C* FXLongStrT<C>::Get() const
{
    return str ? str : localEmpty<C>();
}

template <class C>
bool FXLongStrT<C>::Reserve(int n)
{
    if (n < 0 || n >= INT_MAX)
        return false;
    if (str && capacity >= n + 1)
        return true;
    C* block = static_cast<C*>(std::malloc(static_cast<size_t>(n + 1) * sizeof(C)));
    if (!block)
        return false;
    int keep = TextLen();
    if (keep > 0)
        std::memcpy(block, str, static_cast<size_t>(keep) * sizeof(C));
    block[keep] = 0;
    std::free(str);
    str = block;
    capacity = n + 1;
    len = keep;
    return true;
}

template <class C>
bool FXLongStrT<C>::Set(const C* s)
{
    if (!s || !s[0]) {
        if (str)
            str[0] = 0;
        len = 0;
        return true;
    }
    size_t n = localLen(s);
    if (n >= INT_MAX)
        return false;
    if (str && capacity >= static_cast<int>(n) + 1) {
        std::memmove(str, s, (n + 1) * sizeof(C));
    } else {
        C* block = static_cast<C*>(std::malloc((n + 1) * sizeof(C)));
        if (!block)
            return false;
        std::memcpy(block, s, (n + 1) * sizeof(C));
        std::free(str);
        str = block;
        capacity = static_cast<int>(n) + 1;
    }
    len = static_cast<int>(n);
    return true;
}

template <class C>
bool FXLongStrT<C>::Append(const C* s)
{
    if (!s || !s[0])
        return true;
    size_t n = localLen(s);
    int old = TextLen();
    if (n >= static_cast<size_t>(INT_MAX - old))
        return false;
    // s may point into our own block, which Reserve may move.
    bool inside = str && s >= str && s < str + capacity;
    size_t offset = inside ? static_cast<size_t>(s - str) : 0;
    if (!Reserve(old + static_cast<int>(n)))
        return false;
    const C* src = inside ? str + offset : s;
    std::memmove(str + old, src, n * sizeof(C));
    len = old + static_cast<int>(n);
    str[len] = 0;
    return true;
}

template <class C>
void FXLongStrT<C>::Clear()
{
    std::free(str);
    str = nullptr;
    len = 0;
    capacity = 0;
}

template <class C>
void FXLongStrT<C>::ClearBuf()
{
    std::free(str);
    str = nullptr;
    capacity = 0;
}

template <class C>
int FXLongStrT<C>::TrimSpaces()
{
    if (!str)
        return 0;
    len = localTrim(str, len);
    return len;
}

template <class C>
int FXLongStrT<C>::ToLower()
{
    int n = TextLen();
    for (int i = 0; i < n; ++i)
        str[i] = localLower(str[i]);
    return n;
}

template <class C>
bool FXLongStrT<C>::Compare(const C* s) const
{
    if (!s || !s[0])
        return IsEmpty();
    return !IsEmpty() && localCmp(str, s) == 0;
}

template <class C>
bool FXLongStrT<C>::iCompare(const C* s) const
{
    if (!s || !s[0])
        return IsEmpty();
    return !IsEmpty() && localICmp(str, s) == 0;
}

template class FXLongStrT<char>;
template class FXLongStrT<wchar_t>;
