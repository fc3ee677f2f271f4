// FXPictureHeader: what the first bytes of a picture say, read without
// decoding it: its type, and the facts a decoder that is not DevIL needs in
// order to give DevIL's formats and row order.
#pragma once

#include <cstddef>
#include <string>

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
    // The size the header declares; false when it cannot be read (no
    // header of that type, or a JPEG without a frame header).
    static bool Size(int type, const unsigned char* p, size_t n, long long* w, long long* h);
    // False, saying why, when the declared size is more than a picture may
    // have (its RGBA block must fit an int) or more than the bytes can
    // hold: exactly for Targa, by deflate's largest ratio for PNG; also for
    // a Targa with a 15- or 16-bit colour map and for a CMYK JPEG, which
    // the decoders here do not read alike. type 0 checks by the signature. A header that cannot be read
    // passes: the decoder refuses it.
    static bool Check(int type, const unsigned char* p, size_t n, std::string* why);
    // True for a bottom-up BMP (positive height, or an OS/2 header), which
    // DevIL delivers bottom row first.
    static bool BmpBottomUp(const unsigned char* p, size_t n);
};
