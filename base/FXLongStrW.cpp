#include "base/FXLongStrW.h"

bool FXLongStrW::AppendChar(wchar_t c)
{
    int old = TextLen();
    if (!Reserve(old + 1))
        return false;
    str[old] = c;
    str[old + 1] = 0;
    len = old + 1;
    return true;
}

void FXLongStrW::RemoveLast()
{
    if (IsEmpty())
        return;
    str[--len] = 0;
}
