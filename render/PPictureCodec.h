// PPictureCodec: what decodes and saves pictures. One is bound per process
// (fxDevil.h): DevIL where it can be loaded, else the platform's own codec.
// Every operation answers by its return value and throws nothing.
#pragma once

#include <cstddef>
#include <string>

class FXPixmap;

class PPictureCodec {
public:
    virtual ~PPictureCodec() = default;

    // "DevIL" or the platform codec's name.
    virtual const char* Name() const = 0;
    // A picture of a package type code (FXPictureHeader; 0 for "by its
    // bytes") from size bytes, or, when path is set, from that file (type
    // then follows the name). The picture goes into out (Realloc'ed to its
    // size, power-of-two flag as given) with channels 4 (RGBA), 3 (RGB,
    // alpha 255) or 1 (luminance in R, G and B, alpha 255): row r of the
    // decoder's order at the start of pixmap row r; the padding is not
    // touched. *native, when given, gets the bytes a pixel the decoder gave
    // before the conversion; out may be null for that alone. On failure
    // out may have been resized, and why, when given, says what was wrong
    // when more is known than "cannot be decoded".
    virtual bool Decode(const char* path, int type, const void* bytes, size_t size, int channels, FXPixmap* out,
                        int* native, std::string* why) = 0;
    // w x h pixels of 1, 3 or 4 bytes (luminance, RGB, RGBA), bottom row
    // first, into a file whose extension picks the format; an existing file
    // is replaced.
    virtual bool Save(const char* path, int w, int h, int channels, const unsigned char* pixels) = 0;
    // JPEG quality 1..99 for the saves that follow.
    virtual void SetJpegQuality(int quality) = 0;
};
