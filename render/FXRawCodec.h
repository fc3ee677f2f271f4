// FXRawCodec: the platform-free half of a codec that is not DevIL. It finds
// a picture's type, decodes Targa itself, hands the other types to
// DecodeNative, and turns what that gives into DevIL's formats and row
// order (a bottom-up BMP bottom row first, a 16-bit PNG widened) before the
// conversion the caller asks for. Saving hands an FXRawPicture to Encode.
// Without a platform behind it only Targa decodes and nothing is saved.
#pragma once

#include "render/PPictureCodec.h"

class FXRawPicture;

class FXRawCodec : public PPictureCodec {
public:
    const char* Name() const override { return "the engine's own decoder"; }
    bool Decode(const char* path, int type, const void* bytes, size_t size, int channels, FXPixmap* out,
                int* native, std::string* why) override;
    bool Save(const char* path, int w, int h, int channels, const unsigned char* pixels) override;
    void SetJpegQuality(int quality) override;

    // The picture in the decoder's own format, as Decode finds it before
    // the conversion; false when it cannot be had.
    bool DecodeRaw(int type, const unsigned char* p, size_t n, FXRawPicture* out, std::string* why);

protected:
    // A picture of a type the bytes' signature confirms (not Targa) in the
    // format DevIL decodes it to.
    virtual bool DecodeNative(int type, const unsigned char* p, size_t n, FXRawPicture* out);
    // Writes the picture (rows top first) to path in the type's format.
    virtual bool Encode(const char* path, int type, const FXRawPicture& picture);

    int jpegQuality = 99; // DevIL's default
};
