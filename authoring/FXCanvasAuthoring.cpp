// The authoring side of canvases: copying, tinting, masks, edge padding,
// sampling, text pictures and saving through the image library.
#include "render/FXCanvas.h"

#include "base/FXConvertW.h"
#include "sys/fxTextRaster.h"
#include "render/fxColor.h"
#include "render/PPictureCodec.h"
#include "render/fxDevil.h"

#include <cstdlib>

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
    long long x0 = *x < 0 ? 0 : *x, y0 = *y < 0 ? 0 : *y;
    long long x1 = static_cast<long long>(*x) + *w, y1 = static_cast<long long>(*y) + *h;
    if (x1 > p.width)
        x1 = p.width;
    if (y1 > p.height)
        y1 = p.height;
    if (!p.pixels || x1 <= x0 || y1 <= y0)
        return false;
    *x = static_cast<int>(x0);
    *y = static_cast<int>(y0);
    *w = static_cast<int>(x1 - x0);
    *h = static_cast<int>(y1 - y0);
    return true;
}

// channels 4: RGBA; 3: RGB; 1: the alpha channel as luminance.
bool localSave(const FXPixmap& p, const char* fileName, int x, int y, int w, int h, int channels)
{
    if (!fileName || !*fileName || !fxDevilBound() || !localCut(p, &x, &y, &w, &h))
        return false;
    unsigned char* bytes = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(w) * h * channels));
    if (!bytes)
        return false;
    // The canvas holds the top row first (as a PNG decodes); the library takes
    // an image made with ilTexImage as starting at the lower left, so the
    // bottom row goes first and the saved file is upright.
    size_t at = 0;
    for (int r = h - 1; r >= 0; --r) {
        const unsigned* row = p.Row(y + r) + x;
        for (int c = 0; c < w; ++c) {
            unsigned px = row[c];
            if (channels == 1) {
                bytes[at++] = static_cast<unsigned char>(px >> 24);
                continue;
            }
            for (int k = 0; k < channels; ++k)
                bytes[at++] = static_cast<unsigned char>(px >> (8 * k));
        }
    }
    bool ok = fxDevilSave(fileName, w, h, channels, bytes);
    std::free(bytes);
    return ok;
}

bool localTextPicture(FXCanvas* c, const wchar_t* text, const char* font, int size, const float* colour)
{
    int w = 0, h = 0;
    unsigned char* coverage = nullptr;
    if (!text || !colour || !fxSysRasterText(text, font, size, &w, &h, &coverage))
        return false;
    bool ok = c->pixmap.Realloc(w, h);
    c->opaque = true;
    c->mask = false;
    if (ok) {
        // The padding too is the colour, fully transparent, so that filtered
        // edges do not bleed black into the text.
        float px[4] = {colour[0], colour[1], colour[2], 0};
        c->Clear(px);
        for (int y = 0; y < h; ++y) {
            unsigned* row = c->pixmap.Row(y);
            const unsigned char* cov = coverage + static_cast<size_t>(y) * w;
            for (int x = 0; x < w; ++x) {
                px[3] = colour[3] * static_cast<float>(cov[x]) / 255.0f;
                row[x] = fxColToInt1(px);
                if ((row[x] >> 24) != 255)
                    c->opaque = false;
            }
        }
    }
    std::free(coverage);
    return ok;
}

// The mask's red channel into the canvas's alpha; 0 outside the mask.
bool localApplyMask(FXCanvas* c, const FXCanvas* m)
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

bool FXCanvas::Copy(const FXCanvas* src)
{
    if (!src || src == this || !src->pixmap.pixels)
        return false;
    const FXPixmap& from = src->pixmap;
    pixmap.power2 = from.power2;
    if (!pixmap.Realloc(from.width, from.height)) {
        opaque = true;
        return false;
    }
    opaque = true;
    mask = src->mask;
    // The source's flag may have changed since its block was sized: copy no
    // more than both blocks hold.
    int cols = pixmap.pitch < from.pitch ? pixmap.pitch : from.pitch;
    int rows = pixmap.allocHeight < from.allocHeight ? pixmap.allocHeight : from.allocHeight;
    for (int y = 0; y < rows; ++y) {
        const unsigned* in = from.Row(y);
        unsigned* out = pixmap.Row(y);
        for (int x = 0; x < cols; ++x) {
            out[x] = in[x];
            if (x < pixmap.width && y < pixmap.height && (in[x] >> 24) != 255)
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

// Nearest-pixel samples, clamped to the block: u, v of 1 reach the first
// padding column and row, which ExtendEdges makes the edge's copy.
void FXCanvas::GetColor(float u, float v, float* colour) const
{
    if (!pixmap.pixels || pixmap.pitch <= 0 || pixmap.allocHeight <= 0) {
        fxColSetBlackT(colour);
        return;
    }
    int x = localNearest(u * static_cast<float>(pixmap.width), pixmap.pitch);
    int y = localNearest(v * static_cast<float>(pixmap.height), pixmap.allocHeight);
    fxColFromInt1(colour, pixmap.Row(y)[x]);
}

// The red channel as a height; v runs upwards.
float FXCanvas::GetBump(float u, float v) const
{
    if (!pixmap.pixels || pixmap.pitch <= 0 || pixmap.allocHeight <= 0)
        return 0;
    int x = localNearest(u * static_cast<float>(pixmap.width), pixmap.pitch);
    int y = localNearest((1 - v) * static_cast<float>(pixmap.height), pixmap.allocHeight);
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
    if (PPictureCodec* codec = fxPictureCodec())
        codec->SetJpegQuality(quality);
}
