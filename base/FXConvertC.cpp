#include "base/FXConvertC.h"

#include "base/fxConvert.h"

namespace {
size_t localWcsToMbs(char* to, const wchar_t* from, size_t n) { return std::wcstombs(to, from, n); }
} // namespace

char* FXConvertC::Convert(const wchar_t* text)
{
    Destroy();
    localConvert(text, localWcsToMbs, &result, &len);
    return result;
}

void FXConvertC::Destroy()
{
    std::free(result);
    result = nullptr;
    len = 0;
}
