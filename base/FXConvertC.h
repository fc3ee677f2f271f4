// FXConvertC: one-shot conversion of wide text to narrow text in the runtime
// library's current locale (authoring side).
#pragma once

#include <cwchar>

class FXConvertC {
public:
    char* result; // null when nothing was converted
    int len;

    FXConvertC() : result(nullptr), len(0) {}
    explicit FXConvertC(const wchar_t* text) : result(nullptr), len(0) { Convert(text); }
    ~FXConvertC() { Destroy(); }
    FXConvertC(const FXConvertC&) = delete;
    FXConvertC& operator=(const FXConvertC&) = delete;

    // Replaces any previous result; null when the text converts to nothing.
    char* Convert(const wchar_t* text);
    void Destroy();
};
