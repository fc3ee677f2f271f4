// FXPictureHeader: what the first bytes of a picture say, read without
// decoding it: its type, and the facts a decoder that is not DevIL needs in
// order to give DevIL's formats and row order.
#pragma once

#include <cstddef>

class FXPictureHeader {
public:
    // The package's type codes (DevIL's); 0 for unknown.
    enum Type { kUnknown = 0, kBmp = 0x0420, kJpg = 0x0425, kPng = 0x042A, kTga = 0x042D, kGif = 0x0436 };

    // The type by signature; Targa has none and gives kUnknown.
    static int Sniff(const unsigned char* p, size_t n);
    // The type by a file name's extension, as DevIL reads it; kUnknown for
    // one it does not name.
    static int TypeOfName(const char* name);
    // A PNG's colour type, bit depth and whether a tRNS chunk comes before
    // the image data; false when the header cannot be read.
    static bool Png(const unsigned char* p, size_t n, unsigned* colourType, unsigned* depth, bool* trns);
    // True for a bottom-up BMP (positive height, or an OS/2 header), which
    // DevIL delivers bottom row first.
    static bool BmpBottomUp(const unsigned char* p, size_t n);
};
