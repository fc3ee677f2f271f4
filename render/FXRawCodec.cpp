#include "render/FXRawCodec.h"

#include "base/fxStream.h"
#include "render/FXPictureHeader.h"
#include "render/FXPixmap.h"
#include "render/FXRawPicture.h"
#include "render/FXTargaDecoder.h"

#include <new>

bool FXRawCodec::DecodeRaw(int type, const unsigned char* p, size_t n, FXRawPicture* out, std::string* why)
{
    if (!p || n == 0)
        return false;
    int found = FXPictureHeader::Sniff(p, n);
    if (type == FXPictureHeader::kUnknown)
        type = found != FXPictureHeader::kUnknown ? found : static_cast<int>(FXPictureHeader::kTga);
    if (!FXPictureHeader::Check(type, p, n, why))
        return false;
    FXRawPicture img;
    bool ok = false;
    if (type == FXPictureHeader::kTga)
        ok = found == FXPictureHeader::kUnknown && FXTargaDecoder::Decode(p, n, &img);
    else if (type == found)
        ok = DecodeNative(type, p, n, &img);
    ok = ok && img.Sound();
    if (ok && type == FXPictureHeader::kBmp && FXPictureHeader::BmpBottomUp(p, n))
        img.FlipRows();
    if (ok && type == FXPictureHeader::kPng && n > 24 && p[24] == 16 && img.format != FXRawPicture::kIndexed)
        img.Widen();
    if (ok)
        *out = std::move(img);
    return ok;
}

bool FXRawCodec::Decode(const char* path, int type, const void* bytes, size_t size, int channels, FXPixmap* out,
                        int* native, std::string* why)
{
    try {
        std::string file;
        if (path) {
            if (!*path || !fxReadFile(path, &file))
                return false;
            type = FXPictureHeader::TypeOfName(path);
            bytes = file.data();
            size = file.size();
        }
        FXRawPicture img;
        if (!DecodeRaw(type, static_cast<const unsigned char*>(bytes), size, &img, why))
            return false;
        if (native)
            *native = img.BytesPerPixel();
        return !out || img.ToPixmap(channels, out);
    } catch (const std::bad_alloc&) {
        if (why)
            *why = "too large to decode in the memory there is";
        return false;
    } catch (...) {
        return false;
    }
}

bool FXRawCodec::Save(const char* path, int w, int h, int channels, const unsigned char* pixels)
{
    if (!path || !*path || w <= 0 || h <= 0 || w > 65535 || h > 65535 || !pixels ||
        (channels != 1 && channels != 3 && channels != 4))
        return false;
    try {
        FXRawPicture img;
        img.width = w;
        img.height = h;
        img.format = channels == 4 ? FXRawPicture::kRgba : channels == 3 ? FXRawPicture::kRgb : FXRawPicture::kGrey;
        img.data.assign(pixels, pixels + static_cast<size_t>(w) * h * channels);
        img.FlipRows(); // given bottom row first
        int type = FXPictureHeader::TypeOfName(path);
        if (type != FXPictureHeader::kPng && type != FXPictureHeader::kJpg && type != FXPictureHeader::kBmp)
            return false;
        return Encode(path, type, img);
    } catch (...) {
        return false;
    }
}

void FXRawCodec::SetJpegQuality(int quality)
{
    if (quality >= 1 && quality <= 99)
        jpegQuality = quality;
}

bool FXRawCodec::DecodeNative(int, const unsigned char*, size_t, FXRawPicture*)
{
    return false;
}

bool FXRawCodec::Encode(const char*, int, const FXRawPicture&)
{
    return false;
}
