#include "render/FXScrShot.h"

#include "base/fxTrace.h"
#include "sys/PScreenCapture.h"

namespace {

PScreenCapture* localCapture = nullptr;

} // namespace

void fxSetScreenCapture(PScreenCapture* capture)
{
    localCapture = capture;
}

PScreenCapture* fxGetScreenCapture()
{
    return localCapture;
}

FXScrShot::~FXScrShot()
{
    if (localCapture)
        localCapture->Shutdown();
}

bool FXScrShot::Update()
{
    PScreenCapture* cap = localCapture;
    if (!cap) {
        // No capture is the built-in picture: a choice, not a fault.
        trc("no desktop capture: the built-in picture\n");
        return false;
    }
    int w = 0, h = 0;
    std::string why;
    if (!cap->Begin(&w, &h, &why) || w <= 0 || h <= 0) {
        if (!why.empty())
            err("%s\n", why.c_str());
        return false;
    }
    if (!pixmap.Realloc(w, h)) {
        cap->End();
        err("FXScrShot: no memory for a %d x %d picture\n", w, h);
        return false;
    }
    const unsigned char* src = nullptr;
    int pitch = 0;
    if (!cap->Lock(&src, &pitch, &why) || !src) {
        pixmap.Clear(0xff000000u); // a copy that cannot be read leaves black
        cap->End();
        if (!why.empty())
            err("%s\n", why.c_str());
        return false;
    }
    // The picture, and opaque black in the padding right of it and below.
    const uint32_t black = 0xff000000u;
    for (int y = 0; y < pixmap.allocHeight; ++y) {
        uint32_t* d = pixmap.Row(y);
        int x = 0;
        if (y < h) {
            const unsigned char* s = src + static_cast<long long>(pitch) * y;
            for (; x < w; ++x, s += 4)
                d[x] = static_cast<uint32_t>(s[2]) | static_cast<uint32_t>(s[1]) << 8 |
                       static_cast<uint32_t>(s[0]) << 16 | black;
        }
        for (; x < pixmap.pitch; ++x)
            d[x] = black;
    }
    cap->End();
    mask = false;
    ++count;
    return true;
}
