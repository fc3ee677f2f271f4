// FXStr: the engine's fixed-capacity string value (names, file names, tokens,
// magics). No heap; at most 1023 characters; copied by value.
#pragma once

#include <cstdarg>
#include <cstdio>

class FXStr {
public:
    enum { kMaxLen = 1023 };

    char str[kMaxLen + 1]; // always terminated; len is the first zero byte
    int len;

    FXStr() : len(0) { str[0] = 0; }
    FXStr(const char* s) : len(0) { str[0] = 0; Set(s); }

    const char* Get() const { return str; }

    // Null or empty clears; longer text is cut at 1023 characters.
    void Set(const char* s);
    void Clear();
    // Text longer than 1023 characters is cut; the length is then 1023.
    void Format(const char* fmt, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* fmt, va_list args);

    int TrimSpaces();
    int ToLower();
    int ToUpper();
    bool IsEmpty() const { return len == 0; }

    // Null or empty matches only an empty string.
    int Compare(const char* s) const;
    int nCompare(const char* s, int n) const;
    // Case-insensitive; null matches only an empty string, and a non-null
    // argument never matches an empty string.
    int iCompare(const char* s) const;

    void Append(const char* s);
    void AppendChar(char c);
    void InsertChar(char c);
    void RemoveLast();
    void ExchangeChars(char from, char to);

    // Stream form: 4-byte little-endian length, then the characters.
    // Load keeps at most 1023 characters of a longer stored text and consumes
    // the rest; it returns false when the stream ended early.
    bool Load(FILE* f);
    bool Save(FILE* f) const;
    // Saves the text as a path relative to the folder base.
    bool SaveShortPath(FILE* f, const char* base) const;
};
