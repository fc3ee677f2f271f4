#include "host/FXPictureCapture.h"

#include "base/fxTrace.h"
#include "render/FXCanvas.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// One channel of four pixels, weighted by the sample's place between them.
inline unsigned localMix(uint32_t a, uint32_t b, uint32_t c, uint32_t d, int shift, float fx, float fy)
{
    float top = static_cast<float>(a >> shift & 0xff) * (1 - fx) + static_cast<float>(b >> shift & 0xff) * fx;
    float bottom = static_cast<float>(c >> shift & 0xff) * (1 - fx) + static_cast<float>(d >> shift & 0xff) * fx;
    return static_cast<unsigned>(top * (1 - fy) + bottom * fy + 0.5f);
}

// The source coordinate of a screen pixel's centre, split into a pixel
// and the weight of the next one, clamped to the picture.
inline void localSample(int x, float scale, float offset, int size, int* i, float* f)
{
    float s = (static_cast<float>(x) + 0.5f + offset) / scale - 0.5f;
    s = std::min(std::max(s, 0.0f), static_cast<float>(size - 1));
    *i = std::min(static_cast<int>(s), size - 1);
    *f = s - static_cast<float>(*i);
}

} // namespace

void FXPictureCapture::SetFile(const char* p)
{
    paths.clear();
    if (p && *p)
        paths.emplace_back(p);
    source.clear();
}

void FXPictureCapture::SetFiles(const std::vector<std::string>& p)
{
    paths = p;
    source.clear();
}

void FXPictureCapture::SetPixels(int width, int height, const uint32_t* rgba)
{
    paths.clear();
    w = width > 0 && height > 0 && rgba ? width : 0;
    h = w ? height : 0;
    source.assign(rgba, rgba + static_cast<size_t>(w) * h);
}

void FXPictureCapture::SetScreen(int width, int height)
{
    screenW = width > 0 && height > 0 ? width : 0;
    screenH = screenW ? height : 0;
}

bool FXPictureCapture::Decode(const std::string& path)
{
    FXCanvas c;
    c.detectMaskNames = false;
    if (!c.CreateFromPict(path.c_str())) {
        errno = 0;
        FILE* f = std::fopen(path.c_str(), "rb");
        int error = errno;
        if (f)
            std::fclose(f);
        if (!f)
            problem.Format("cannot read the desktop picture %s: %s", path.c_str(),
                           error ? std::strerror(error) : "unknown error");
        else
            problem.Format("cannot decode the desktop picture %s", path.c_str());
        return false;
    }
    problem.Clear();
    decoded = path;
    w = c.GetWidth();
    h = c.GetHeight();
    source.resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            source[static_cast<size_t>(y) * w + x] = c.pixmap.Row(y)[x];
    return true;
}

bool FXPictureCapture::Begin(int* width, int* height, std::string* why)
{
    copy.clear();
    problem.Clear();
    decoded.clear();
    if (!paths.empty()) {
        bool any = false;
        for (const std::string& p : paths) {
            if (Decode(p)) {
                any = true;
                break;
            }
            if (paths.size() > 1)
                trc("FXPictureCapture: %s\n", problem.Get());
        }
        if (!any) {
            *why = std::string("FXPictureCapture: ") + problem.Get();
            return false;
        }
        trc("desktop picture: %s, %d x %d\n", decoded.c_str(), w, h);
    }
    int outW = screenW && w > 0 ? screenW : w;
    int outH = screenW && w > 0 ? screenH : h;
    *width = outW;
    *height = outH;
    if (outW <= 0 || outH <= 0) {
        why->clear();
        return false;
    }
    copyWidth = outW;
    copy.resize(static_cast<size_t>(outW) * outH * 4);
    // Cover the screen: the larger of the two scales, the overhang split
    // evenly on both sides.
    float scale = std::max(static_cast<float>(outW) / static_cast<float>(w),
                           static_cast<float>(outH) / static_cast<float>(h));
    float offX = (static_cast<float>(w) * scale - static_cast<float>(outW)) / 2;
    float offY = (static_cast<float>(h) * scale - static_cast<float>(outH)) / 2;
    unsigned char* d = copy.data();
    for (int y = 0; y < outH; ++y) {
        int sy = y;
        float fy = 0;
        if (outW != w || outH != h)
            localSample(y, scale, offY, h, &sy, &fy);
        int sy1 = std::min(sy + 1, h - 1);
        for (int x = 0; x < outW; ++x, d += 4) {
            int sx = x;
            float fx = 0;
            if (outW != w || outH != h)
                localSample(x, scale, offX, w, &sx, &fx);
            int sx1 = std::min(sx + 1, w - 1);
            const uint32_t* r0 = &source[static_cast<size_t>(sy) * w];
            const uint32_t* r1 = &source[static_cast<size_t>(sy1) * w];
            uint32_t a = r0[sx], b = r0[sx1], c = r1[sx], e = r1[sx1];
            d[0] = static_cast<unsigned char>(localMix(a, b, c, e, 16, fx, fy));
            d[1] = static_cast<unsigned char>(localMix(a, b, c, e, 8, fx, fy));
            d[2] = static_cast<unsigned char>(localMix(a, b, c, e, 0, fx, fy));
            d[3] = 0;
        }
    }
    return true;
}
