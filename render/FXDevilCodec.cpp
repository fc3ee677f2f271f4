#include "render/FXDevilCodec.h"

#include "base/fxStream.h"
#include "base/fxThread.h"
#include "render/FXPictureHeader.h"
#include "render/FXPixmap.h"
#include "render/FXRawPicture.h"
#include "render/fxDevil.h"

#include <climits>
#include <mutex>
#include <string>

namespace {

// DevIL keeps one bound image for the process: shows decoding side by side
// (one render thread per monitor) take turns.
std::mutex localDevilLock;

// The bound image converted to channels bytes a pixel into out; the size
// checks keep the copy inside the library's buffer whatever it decoded.
bool localTake(int channels, FXPixmap* out)
{
    ILenum format = channels == 4 ? kIlRgba : channels == 3 ? kIlRgb : kIlLuminance;
    ILint w = pilGetInteger(kIlImageWidth);
    ILint h = pilGetInteger(kIlImageHeight);
    // DevIL can report a load that found no memory for the pixels as done,
    // with no data; its conversion would then read through null.
    if (w <= 0 || h <= 0 || !pilGetData() ||
        static_cast<long long>(pilGetInteger(kIlImageSizeOfData)) <
            static_cast<long long>(w) * h * pilGetInteger(kIlImageBytesPerPixel))
        return false;
    if (!pilConvertImage(format, kIlUnsignedByte) || w <= 0 || h <= 0 || pilGetInteger(kIlImageWidth) != w ||
        pilGetInteger(kIlImageHeight) != h || pilGetInteger(kIlImageBytesPerPixel) != channels ||
        static_cast<long long>(pilGetInteger(kIlImageSizeOfData)) < static_cast<long long>(w) * h * channels)
        return false;
    return FXRawPicture::Pack(pilGetData(), w, h, channels, out);
}

} // namespace

bool FXDevilCodec::Decode(const char* path, int type, const void* bytes, size_t size, int channels, FXPixmap* out,
                          int* native, std::string* why)
{
    if (!pilGenImages || (path ? !*path : (!bytes || size == 0 || size > UINT_MAX)))
        return false;
    // A size the bytes cannot hold is refused before DevIL allocates it.
    try {
        std::string file;
        if (path) {
            if (!fxReadFile(path, &file))
                return false;
            int named = FXPictureHeader::TypeOfName(path);
            if (!FXPictureHeader::Check(named, reinterpret_cast<const unsigned char*>(file.data()), file.size(), why))
                return false;
        } else if (!FXPictureHeader::Check(type, static_cast<const unsigned char*>(bytes), size, why)) {
            return false;
        }
    } catch (...) {
        if (why)
            *why = "too large to read in the memory there is";
        return false;
    }
    std::lock_guard<std::mutex> hold(localDevilLock);
    ILuint image = 0;
    pilGenImages(1, &image);
    pilBindImage(image);
    bool ok = path ? pilLoadImage(path) != 0
                   : pilLoadL(static_cast<ILenum>(type), bytes, static_cast<ILuint>(size)) != 0;
    if (ok && native)
        *native = pilGetInteger(kIlImageBytesPerPixel);
    if (ok && out)
        ok = localTake(channels, out);
    else if (ok)
        ok = pilGetData() != nullptr;
    if (!ok && why && why->empty() && pilGetInteger(kIlImageWidth) > 0 && !pilGetData())
        *why = "declares a size there is no memory to decode";
    pilDeleteImages(1, &image);
    return ok;
}

bool FXDevilCodec::Save(const char* path, int w, int h, int channels, const unsigned char* pixels)
{
    if (!path || !*path || !pilGenImages || w <= 0 || h <= 0 || !pixels)
        return false;
    ILenum format = channels == 4 ? kIlRgba : (channels == 3 ? kIlRgb : kIlLuminance);
    std::lock_guard<std::mutex> hold(localDevilLock);
    ILuint image = 0;
    pilGenImages(1, &image);
    pilBindImage(image);
    bool ok = pilTexImage(static_cast<ILuint>(w), static_cast<ILuint>(h), 1, static_cast<ILubyte>(channels), format,
                          kIlUnsignedByte, const_cast<unsigned char*>(pixels)) != 0;
    if (ok) {
        pilEnable(kIlFileOverwrite);
        ok = pilSaveImage(path) != 0;
    }
    pilDeleteImages(1, &image);
    return ok;
}

void FXDevilCodec::SetJpegQuality(int quality)
{
    std::lock_guard<std::mutex> hold(localDevilLock);
    if (pilSetInteger)
        pilSetInteger(kIlJpgQuality, quality);
}
