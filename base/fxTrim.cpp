#include "base/fxTrim.h"

#include <cctype>
#include <cstring>
#include <cwctype>

namespace {

bool localIsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool localIsSpace(wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; }

template <class C>
int localTrim(C* text, int length)
{
    if (!text || length <= 0)
        return 0;
    int lead = 0;
    while (lead < length && localIsSpace(text[lead]))
        ++lead;
    if (lead == length) {
        text[0] = 0;
        return 0;
    }
    if (lead > 0) {
        std::memmove(text, text + lead, static_cast<size_t>(length - lead + 1) * sizeof(C));
        length -= lead;
    }
    int end = length;
    while (end > 0 && localIsSpace(text[end - 1]))
        --end;
    if (end == length)
        return length;
    text[end] = 0;
    return end;
}

} // namespace

int localTrimSpaces(char* text, int length) { return localTrim(text, length); }
int localTrimSpacesW(wchar_t* text, int length) { return localTrim(text, length); }
