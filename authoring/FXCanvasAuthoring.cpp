// The authoring side of canvases: copying, tinting, masks, edge padding,
// sampling, text pictures and saving through the image library.
#include "render/FXCanvas.h"

#include "base/FXConvertW.h"
#include "platform/fxTextRaster.h"
#include "render/fxColor.h"
#include "render/fxDevil.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// The nearest pixel index along a side of n pixels; 0 for NaN.
int localNearest(float f, int n)
{
    if (!(f >= 0))
        return 0;
    if (f >= static_cast<float>(n))
        return n - 1;
    return static_cast<int>(f);
}

// Rectangle x, y, w, h of the picture, cut to it; false when nothing is left.
bool localCut(const FXPixmap& p, int* x, int* y, int* w, int* h)
{
    if (*x < 0) {
        *w += *x;
        *x = 0;
    }
    if (*y < 0) {
        *h += *y;
        *y = 0;
    }
    if (*w > p.width - *x)
        *w = p.width - *x;
    if (*h > p.height - *y)
        *h = p.height - *y;
    return p.pixels && *w > 0 && *h > 0;
}

// channels 4: RGBA; 3: RGB; 1: the alpha channel as luminance.
bool localSave(const FXPixmap& p, const char* fileName, int x, int y, int w, int h, int channels)
{
    if (!fileName || !*fileName || !fxDevilBound() || !localCut(p, &x, &y, &w, &h))
        return false;
    std::vector<ILubyte> bytes(static_cast<size_t>(w) * h * channels);
    // The library takes an image made with ilTexImage as having its origin
    // at the lower left: the bottom row goes first.
    size_t at = 0;
    for (int r = h - 1; r >= 0; --r) {
        const unsigned* row = p.Row(y + r) + x;
        for (int c = 0; c < w; ++c) {
            unsigned px = row[c];
            if (channels == 1) {
                bytes[at++] = static_cast<ILubyte>(px >> 24);
                continue;
            }
            for (int k = 0; k < channels; ++k)
                bytes[at++] = static_cast<ILubyte>(px >> (8 * k));
        }
    }
    ILenum format = channels == 4 ? kIlRgba : (channels == 3 ? kIlRgb : kIlLuminance);
    ILuint image = 0;
    pilGenImages(1, &image);
    pilBindImage(image);
    bool ok = pilTexImage(static_cast<ILuint>(w), static_cast<ILuint>(h), 1, static_cast<ILubyte>(channels), format,
                          kIlUnsignedByte, bytes.data()) != 0;
    if (ok) {
        pilEnable(kIlFileOverwrite);
        ok = pilSaveImage(fileName) != 0;
    }
    pilDeleteImages(1, &image);
    return ok;
}

bool localTextPicture(FXCanvas* c, const wchar_t* text, const char* font, int size, const float* colour)
{
    int w = 0, h = 0;
    unsigned char* coverage = nullptr;
    if (!colour || !fxSysRasterText(text, font, size, &w, &h, &coverage))
        return false;
    bool ok = c->pixmap.Realloc(w, h);
    if (ok) {
        const float blank[4] = {colour[0], colour[1], colour[2], 0};
        c->Clear(blank);
        float px[4] = {colour[0], colour[1], colour[2], 0};
        for (int y = 0; y < h; ++y) {
            unsigned* row = c->pixmap.Row(y);
            for (int x = 0; x < w; ++x) {
                px[3] = colour[3] * static_cast<float>(coverage[static_cast<size_t>(y) * w + x]) / 255.0f;
                row[x] = fxColToInt1(px);
            }
        }
        c->opaque = false;
        c->mask = false;
    }
    std::free(coverage);
    return ok;
}

} // namespace

bool FXCanvas::Copy(const FXCanvas* src)
{
    if (!src || src == this)
        return false;
    pixmap.power2 = src->pixmap.power2;
    if (!src->pixmap.pixels || !pixmap.Realloc(src->pixmap.width, src->pixmap.height))
        return false;
    opaque = true;
    mask = src->mask;
    for (int y = 0; y < pixmap.allocHeight; ++y) {
        const unsigned* from = src->pixmap.Row(y);
        unsigned* to = pixmap.Row(y);
        for (int x = 0; x < pixmap.pitch; ++x) {
            to[x] = from[x];
            if (x < pixmap.width && y < pixmap.height && (from[x] >> 24) != 255)
                opaque = false;
        }
    }
    return true;
}

void FXCanvas::MixColorLayer(const float* colour)
{
    if (!pixmap.pixels || !colour)
        return;
    float a = colour[3];
    float px[4];
    for (int y = 0; y < pixmap.height; ++y) {
        unsigned* row = pixmap.Row(y);
        for (int x = 0; x < pixmap.width; ++x) {
            fxColFromInt1(px, row[x]);
            for (int k = 0; k < 3; ++k)
                px[k] = px[k] * (1 - a) + colour[k] * a;
            fxColCutRange(px);
            row[x] = fxColToInt1(px);
        }
    }
}

namespace {

// The mask's red channel into the canvas's alpha; 0 outside the mask.
bool localApplyMask(FXCanvas* c, FXCanvas* m)
{
    const FXPixmap& mp = m->pixmap;
    FXPixmap& p = c->pixmap;
    if (!p.pixels || mp.width > p.width || mp.height > p.height)
        return false;
    c->opaque = true;
    for (int y = 0; y < p.height; ++y) {
        unsigned* row = p.Row(y);
        for (int x = 0; x < p.width; ++x) {
            unsigned a = (x < mp.width && y < mp.height) ? (mp.Row(y)[x] & 0xff) : 0;
            row[x] = (row[x] & 0x00ffffffu) | (a << 24);
            if (a != 255)
                c->opaque = false;
        }
    }
    return true;
}

void localPrepareMaskCanvas(FXCanvas* m)
{
    m->detectMaskNames = false;
    m->mask = false;
}

} // namespace

bool FXCanvas::LoadMask(const char* fileName)
{
    FXCanvas m;
    localPrepareMaskCanvas(&m);
    return m.CreateFromPict(fileName) && localApplyMask(this, &m);
}

bool FXCanvas::LoadMaskC(FXPackage* pkg, const char* text)
{
    FXCanvas m;
    localPrepareMaskCanvas(&m);
    return m.CreateFromPictC(pkg, text) && localApplyMask(this, &m);
}

bool FXCanvas::LoadMaskCN(FXPackage* pkg, int id)
{
    FXCanvas m;
    localPrepareMaskCanvas(&m);
    return m.CreateFromPictCN(pkg, id) && localApplyMask(this, &m);
}

void FXCanvas::ExtendEdges()
{
    FXPixmap& p = pixmap;
    if (!p.pixels || p.width <= 0 || p.height <= 0)
        return;
    for (int y = 0; y < p.height; ++y) {
        unsigned* row = p.Row(y);
        for (int x = p.width; x < p.pitch; ++x)
            row[x] = row[p.width - 1];
    }
    for (int y = p.height; y < p.allocHeight; ++y) {
        const unsigned* last = p.Row(p.height - 1);
        unsigned* row = p.Row(y);
        for (int x = 0; x < p.pitch; ++x)
            row[x] = last[x];
    }
}

// Samples are clamped to the picture, not the block: the padding is not part
// of the picture (at v = 1 the block clamp would read the padding row).
void FXCanvas::GetColor(float u, float v, float* colour) const
{
    if (!pixmap.pixels || pixmap.width <= 0 || pixmap.height <= 0) {
        fxColSetBlackT(colour);
        return;
    }
    int x = localNearest(u * static_cast<float>(pixmap.width), pixmap.width);
    int y = localNearest(v * static_cast<float>(pixmap.height), pixmap.height);
    fxColFromInt1(colour, pixmap.Row(y)[x]);
}

float FXCanvas::GetBump(float u, float v) const
{
    if (!pixmap.pixels || pixmap.width <= 0 || pixmap.height <= 0)
        return 0;
    int x = localNearest(u * static_cast<float>(pixmap.width), pixmap.width);
    int y = localNearest((1 - v) * static_cast<float>(pixmap.height), pixmap.height);
    return static_cast<float>(pixmap.Row(y)[x] & 0xff) / 255.0f;
}

bool FXCanvas::CreateFromText(const char* text, const char* font, int size, const float* colour)
{
    FXConvertW wide(text);
    return localTextPicture(this, wide.result, font, size, colour);
}

bool FXCanvas::CreateFromTextW(const wchar_t* text, const char* font, int size, const float* colour)
{
    return localTextPicture(this, text, font, size, colour);
}

bool FXCanvas::GetTextSize(const char* text, const char* font, int size, int* w, int* h)
{
    FXConvertW wide(text);
    return fxSysMeasureText(wide.result, font, size, w, h);
}

bool FXCanvas::GetTextWSize(const wchar_t* text, const char* font, int size, int* w, int* h)
{
    return fxSysMeasureText(text, font, size, w, h);
}

bool FXCanvas::SaveToPict(const char* fileName) const
{
    return localSave(pixmap, fileName, 0, 0, pixmap.width, pixmap.height, 4);
}

bool FXCanvas::SaveToPict1(const char* fileName, int x, int y, int w, int h) const
{
    return localSave(pixmap, fileName, x, y, w, h, 4);
}

bool FXCanvas::SaveToPict2(const char* fileName) const
{
    return localSave(pixmap, fileName, 0, 0, pixmap.width, pixmap.height, 3);
}

bool FXCanvas::SaveToMask(const char* fileName) const
{
    return localSave(pixmap, fileName, 0, 0, pixmap.width, pixmap.height, 1);
}

bool FXCanvas::SaveToMask1(const char* fileName, int x, int y, int w, int h) const
{
    return localSave(pixmap, fileName, x, y, w, h, 1);
}

void FXCanvas::SetJpegQuality(int quality)
{
    if (fxDevilBound())
        pilSetInteger(kIlJpgQuality, quality);
}
