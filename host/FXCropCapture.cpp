#include "host/FXCropCapture.h"

FXCropCapture::FXCropCapture(const unsigned char* pixels, int w, int h, int rowPitch, const FXRect& part)
{
    FXRect all;
    all.Set(0, 0, w, h);
    FXRect r = part;
    if (!pixels || w <= 0 || h <= 0 || rowPitch < 4 * w || !r.CombineAnd(&all))
        return;
    first = pixels + static_cast<size_t>(r.top) * rowPitch + static_cast<size_t>(r.left) * 4;
    pitch = rowPitch;
    width = r.right - r.left;
    height = r.bottom - r.top;
}

bool FXCropCapture::Begin(int* w, int* h, std::string* why)
{
    why->clear();
    *w = width;
    *h = height;
    return first != nullptr;
}

bool FXCropCapture::Lock(const unsigned char** pixels, int* rowPitch, std::string* why)
{
    if (!first) {
        *why = "Lock (no part of the desktop)";
        return false;
    }
    *pixels = first;
    *rowPitch = pitch;
    return true;
}
