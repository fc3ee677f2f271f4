// FXConvertW: one-shot conversion of narrow text to wide text in the runtime
// library's current locale (authoring side).
#pragma once

#include <cwchar>

class FXConvertW {
public:
    wchar_t* result; // null when nothing was converted
    int len;

    FXConvertW() : result(nullptr), len(0) {}
    explicit FXConvertW(const char* text) : result(nullptr), len(0) { Convert(text); }
    ~FXConvertW() { Destroy(); }
    FXConvertW(const FXConvertW&) = delete;
    FXConvertW& operator=(const FXConvertW&) = delete;

    // Replaces any previous result; null when the text converts to nothing.
    wchar_t* Convert(const char* text);
    void Destroy();
};
