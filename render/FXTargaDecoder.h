// FXTargaDecoder: Targa pictures, which the Windows Imaging Component does
// not read, decoded as DevIL decodes them: rows in the file's order; rows
// stored right to left are refused, as DevIL refuses them.
#pragma once

#include <cstddef>

class FXRawPicture;

class FXTargaDecoder {
public:
    // True colour (15, 16, 24 or 32 bits), grey (8 bits) and colour-mapped
    // (8-bit indices into a 24- or 32-bit map), plain or run-length coded.
    // False, out untouched, for anything else or too few bytes.
    static bool Decode(const unsigned char* p, size_t n, FXRawPicture* out);
};
