#include "render/FXScrShot.h"

#include "base/fxTrace.h"
#include "platform/PScreenCapture.h"

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
        err("no screen capture on this platform\n");
        return false;
    }
    int w = 0, h = 0;
    const char* failure = nullptr;
    if (!cap->Begin(&w, &h, &failure) || w <= 0 || h <= 0) {
        if (failure)
            err("%s", failure);
        return false;
    }
    if (!pixmap.Realloc(w, h)) {
        cap->End();
        err("FXScrShot: no memory for a %d x %d picture\n", w, h);
        return false;
    }
    pixmap.Clear(0xff000000u);
    const unsigned char* src = nullptr;
    int pitch = 0;
    if (!cap->Lock(&src, &pitch, &failure) || !src) {
        cap->End();
        if (failure)
            err("%s", failure);
        return false;
    }
    for (int y = 0; y < h; ++y) {
        const unsigned char* s = src + static_cast<long long>(pitch) * y;
        uint32_t* d = pixmap.Row(y);
        for (int x = 0; x < w; ++x, s += 4)
            d[x] = static_cast<uint32_t>(s[2]) | static_cast<uint32_t>(s[1]) << 8 |
                   static_cast<uint32_t>(s[0]) << 16 | 0xff000000u;
    }
    cap->End();
    mask = false;
    ++count;
    return true;
}
