#include "render/FXCanvas.h"

#include "base/fxTrace.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "render/PPictureCodec.h"
#include "render/fxColor.h"
#include "render/fxDevil.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool localDetectTransFilename(const char* name)
{
    char lower[1024];
    size_t n = 0;
    for (; name[n] && n + 1 < sizeof lower; ++n)
        lower[n] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[n])));
    lower[n] = 0;
    return std::strstr(lower, "tran") != nullptr;
}

} // namespace

FXCanvas::FXCanvas() : opaque(true), detectMaskNames(true), mask(false), clearBeforeLoad(true)
{
    fxColSetBlackT(bgColor);
}

void FXCanvas::Clear(const float* colour)
{
    pixmap.Clear(fxColToInt1(colour));
}

void FXCanvas::Destroy()
{
    pixmap.Destroy();
    opaque = true;
    mask = false;
}

// The picture through the bound codec into the pixmap; rows in the
// decoder's own order: top row first for PNG, JPEG and GIF, the file's
// order for BMP and TGA.
bool FXCanvas::Decode(const char* name, const char* path, int type, const void* bytes, size_t size)
{
    PPictureCodec* codec = fxPictureCodec();
    if (!codec)
        return false;
    std::string why;
    if (!codec->Decode(path, type, bytes, size, 4, &pixmap, nullptr, &why)) {
        if (!pixmap.pixels)
            opaque = true; // as for an empty canvas
        if (!why.empty())
            err("picture %s: %s\n", name, why.c_str());
        return false;
    }
    const unsigned bg = fxColToInt1(bgColor);
    opaque = true;
    for (int y = 0; y < pixmap.allocHeight; ++y) {
        unsigned* row = pixmap.Row(y);
        int x = 0;
        if (y < pixmap.height) {
            for (; x < pixmap.width; ++x) {
                if (mask) {
                    row[x] = 0x00ffffffu | (row[x] << 24);
                } else if ((row[x] >> 24) != 255) {
                    opaque = false;
                }
            }
        }
        if (clearBeforeLoad)
            for (; x < pixmap.pitch; ++x)
                row[x] = bg;
    }
    if (mask)
        opaque = false;
    return true;
}

bool FXCanvas::CreateFromPictCN(FXPackage* pkg, int id)
{
    if (!pkg || !fxDevilBound())
        return false;
    FXPackageData* data = pkg->GetDataPtr(id);
    if (!data)
        return false;
    int type = pkg->GetDataType(id);
    if (type == -1 || data->size <= 0)
        return false;
    char name[32];
    std::snprintf(name, sizeof name, "entry %d", id);
    return Decode(name, nullptr, type, data->start, static_cast<size_t>(data->size));
}

bool FXCanvas::CreateFromPictC(FXPackage* pkg, const char* text)
{
    int id = 0;
    if (!text || std::sscanf(text, "%d", &id) != 1)
        return false;
    return CreateFromPictCN(pkg, id);
}

bool FXCanvas::CreateFromPict(const char* fileName)
{
    if (!fileName || !*fileName)
        return false;
    mask = detectMaskNames && localDetectTransFilename(fileName);
    if (!fxDevilBound())
        return false;
    return Decode(fileName, fileName, 0, nullptr, 0);
}
