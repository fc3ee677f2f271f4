#include "render/FXCanvas.h"

#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "render/fxColor.h"
#include "render/fxDevil.h"

#include <cctype>
#include <cstdio>
#include <cstring>

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

// The picture loaded into the bound image, converted on a clone and copied
// into the pixmap. Rows come in the library's own order (no origin option is
// set): top row first for PNG, JPEG and GIF, the file's order for BMP and TGA.
bool FXCanvas::DecodeBound()
{
    ILint w = pilGetInteger(kIlImageWidth);
    ILint h = pilGetInteger(kIlImageHeight);
    ILuint clone = pilCloneCurImage();
    if (clone == 0)
        return false;
    pilBindImage(clone);
    // Four bytes per pixel are read below: only after a conversion that
    // worked, and only for the size the converted image reports.
    bool ok = pilConvertImage(kIlRgba, kIlUnsignedByte) && w > 0 && h > 0 && pilGetInteger(kIlImageWidth) == w &&
              pilGetInteger(kIlImageHeight) == h;
    if (ok && !pixmap.Realloc(w, h)) {
        opaque = true; // as for an empty canvas
        ok = false;
    }
    if (ok) {
        if (clearBeforeLoad)
            Clear(bgColor);
        opaque = true;
        const ILubyte* data = pilGetData();
        ok = data != nullptr;
        for (int y = 0; ok && y < h; ++y) {
            unsigned* dst = pixmap.Row(y);
            const ILubyte* p = data + static_cast<size_t>(y) * w * 4;
            for (int x = 0; x < w; ++x, p += 4) {
                if (mask) {
                    dst[x] = 0x00ffffffu | (static_cast<unsigned>(p[0]) << 24);
                } else {
                    dst[x] = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned>(p[3]) << 24);
                    if (p[3] != 255)
                        opaque = false;
                }
            }
        }
        if (ok && mask)
            opaque = false;
    }
    pilDeleteImages(1, &clone);
    return ok;
}

bool FXCanvas::CreateFromPictCN(FXPackage* pkg, int id)
{
    if (!pkg || !fxDevilBound())
        return false;
    FXPackageData* data = pkg->GetDataPtr(id);
    if (!data)
        return false;
    int type = pkg->GetDataType(id);
    if (type == -1)
        return false;
    ILuint image = 0;
    pilGenImages(1, &image);
    pilBindImage(image);
    bool result = false;
    if (data->size > 0 && pilLoadL(static_cast<ILenum>(type), data->start, static_cast<ILuint>(data->size)))
        result = DecodeBound();
    pilDeleteImages(1, &image);
    return result;
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
    ILuint image = 0;
    pilGenImages(1, &image);
    pilBindImage(image);
    bool result = false;
    if (pilLoadImage(fileName))
        result = DecodeBound();
    pilDeleteImages(1, &image);
    return result;
}
