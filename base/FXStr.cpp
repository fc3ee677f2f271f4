#include "base/FXStr.h"

#include "base/fxPaths.h"
#include "base/fxStream.h"
#include "base/fxTrim.h"

#include <cctype>
#include <cstring>

namespace {

// Bounded case-insensitive comparison that does not depend on the runtime's
// _strnicmp/strncasecmp spelling.
int localStrnicmp(const char* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca - cb;
        if (ca == 0)
            return 0;
    }
    return 0;
}

} // namespace

void FXStr::Set(const char* s)
{
    if (!s || !s[0]) {
        Clear();
        return;
    }
    size_t n = strnlen(s, kMaxLen);
    std::memcpy(str, s, n);
    str[n] = 0;
    len = static_cast<int>(n);
}

void FXStr::Clear()
{
    str[0] = 0;
    len = 0;
}

void FXStr::Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    FormatV(fmt, args);
    va_end(args);
}

void FXStr::FormatV(const char* fmt, va_list args)
{
    Clear();
    if (!fmt)
        return;
    int n = std::vsnprintf(str, sizeof str, fmt, args);
    if (n < 0) {
        Clear();
        return;
    }
    len = n > kMaxLen ? kMaxLen : n;
    str[len] = 0;
}

int FXStr::TrimSpaces()
{
    len = localTrimSpaces(str, len);
    return len;
}

int FXStr::ToLower()
{
    for (int i = 0; i < len; ++i)
        str[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(str[i])));
    return len;
}

int FXStr::ToUpper()
{
    for (int i = 0; i < len; ++i)
        str[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(str[i])));
    return len;
}

int FXStr::Compare(const char* s) const
{
    if (!s || !s[0])
        return IsEmpty() ? 1 : 0;
    return (!IsEmpty() && std::strncmp(str, s, kMaxLen) == 0) ? 1 : 0;
}

int FXStr::nCompare(const char* s, int n) const
{
    if (!s || !s[0])
        return IsEmpty() ? 1 : 0;
    if (n > kMaxLen)
        n = kMaxLen;
    if (n < 0)
        n = 0;
    return (!IsEmpty() && std::strncmp(str, s, static_cast<size_t>(n)) == 0) ? 1 : 0;
}

int FXStr::iCompare(const char* s) const
{
    if (!s)
        return IsEmpty() ? 1 : 0;
    return (!IsEmpty() && localStrnicmp(str, s, kMaxLen) == 0) ? 1 : 0;
}

void FXStr::Append(const char* s)
{
    if (!s || !s[0])
        return;
    size_t room = static_cast<size_t>(kMaxLen - len);
    size_t n = strnlen(s, room);
    std::memcpy(str + len, s, n);
    len += static_cast<int>(n);
    str[len] = 0;
}

void FXStr::AppendChar(char c)
{
    if (len > kMaxLen - 1)
        return;
    str[len] = c;
    str[len + 1] = 0;
    len = static_cast<int>(std::strlen(str));
}

void FXStr::InsertChar(char c)
{
    if (len > kMaxLen - 1)
        return;
    std::memmove(str + 1, str, static_cast<size_t>(len) + 1);
    str[0] = c;
    str[len + 1] = 0;
    len = static_cast<int>(std::strlen(str));
}

void FXStr::RemoveLast()
{
    if (len > 0)
        str[--len] = 0;
}

void FXStr::ExchangeChars(char from, char to)
{
    for (int i = 0; i < len; ++i)
        if (str[i] == from)
            str[i] = to;
    // Exchanging into a zero byte shortens the text.
    len = static_cast<int>(strnlen(str, static_cast<size_t>(len)));
}

bool FXStr::Load(FILE* f)
{
    Clear();
    int32_t n = 0;
    if (!fxReadInt32(f, &n))
        return false;
    if (n <= 0)
        return true;
    size_t keep = n > kMaxLen ? static_cast<size_t>(kMaxLen) : static_cast<size_t>(n);
    size_t got = std::fread(str, 1, keep, f);
    str[got] = 0;
    len = static_cast<int>(strnlen(str, got));
    if (got < keep)
        return false;
    return fxSkipBytes(f, static_cast<long>(n) - static_cast<long>(keep));
}

bool FXStr::Save(FILE* f) const
{
    if (!fxWriteInt32(f, len))
        return false;
    return len == 0 || std::fwrite(str, 1, static_cast<size_t>(len), f) == static_cast<size_t>(len);
}

bool FXStr::SaveShortPath(FILE* f, const char* base) const
{
    if (IsEmpty())
        return fxWriteInt32(f, 0);
    FXStr rel(fxBuildRelativePath(base, false, str, true));
    return rel.Save(f);
}
