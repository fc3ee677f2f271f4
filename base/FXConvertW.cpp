#include "base/FXConvertW.h"

#include "base/fxConvert.h"

namespace {
size_t localMbsToWcs(wchar_t* to, const char* from, size_t n) { return std::mbstowcs(to, from, n); }
} // namespace

wchar_t* FXConvertW::Convert(const char* text)
{
    Destroy();
    localConvert(text, localMbsToWcs, &result, &len);
    return result;
}

void FXConvertW::Destroy()
{
    std::free(result);
    result = nullptr;
    len = 0;
}
