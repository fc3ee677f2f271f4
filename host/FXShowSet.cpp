#include "host/FXShowSet.h"

#include "base/fxTrace.h"
#include "host/FXCropCapture.h"
#include "sys/PScreenCapture.h"

#include <string>

void FXShowSet::Create(const FXMonitorLayout& layout, const std::vector<void*>& windows, PScreenCapture* desktop)
{
    Destroy();
    PScreenCapture* before = fxGetScreenCapture();
    int w = 0, h = 0, pitch = 0;
    const unsigned char* pixels = nullptr;
    std::string why;
    bool captured = false;
    if (desktop) {
        captured = desktop->Begin(&w, &h, &why) && w > 0 && h > 0;
        if (captured && !desktop->Lock(&pixels, &pitch, &why))
            pixels = nullptr;
        if (!why.empty())
            err("FXShowSet: the desktop: %s\n", why.c_str());
    }
    size_t n = layout.viewports.size() < windows.size() ? layout.viewports.size() : windows.size();
    for (size_t i = 0; i < n; ++i) {
        const FXViewport& v = layout.viewports[i];
        FXCropCapture part(pixels, w, h, pitch, v.source);
        fxSetScreenCapture(pixels ? &part : nullptr);
        trc("show %d of %d: %d x %d at %d, %d\n", static_cast<int>(i + 1), static_cast<int>(n),
            v.rect.right - v.rect.left, v.rect.bottom - v.rect.top, v.rect.left, v.rect.top);
        shows.push_back(std::make_unique<Scene>());
        shows.back()->Init(windows[i], false);
    }
    fxSetScreenCapture(before);
    if (captured)
        desktop->End();
}

bool FXShowSet::Destroy()
{
    bool stopped = true;
    for (auto& s : shows)
        stopped = s->Destroy() && stopped;
    if (!stopped) {
        // Nothing of a stuck show may be released: the process ends.
        for (auto& s : shows)
            s.release();
        shows.clear();
        return false;
    }
    shows.clear();
    return true;
}

bool FXShowSet::AnyPackageLoaded() const
{
    for (const auto& s : shows)
        if (s->PackageLoaded())
            return true;
    return false;
}
