#include "platform/headless/FXPictureCapture.h"

#include "render/FXCanvas.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

void FXPictureCapture::SetFile(const char* p)
{
    path.Set(p ? p : "");
    source.clear();
}

void FXPictureCapture::SetPixels(int width, int height, const uint32_t* rgba)
{
    path.Clear();
    w = width > 0 && height > 0 && rgba ? width : 0;
    h = w ? height : 0;
    source.assign(rgba, rgba + static_cast<size_t>(w) * h);
}

bool FXPictureCapture::Begin(int* width, int* height, std::string* why)
{
    copy.clear();
    problem.Clear();
    if (!path.IsEmpty()) {
        FXCanvas c;
        c.detectMaskNames = false;
        if (!c.CreateFromPict(path.Get())) {
            errno = 0;
            FILE* f = std::fopen(path.Get(), "rb");
            int error = errno;
            if (f)
                std::fclose(f);
            if (!f)
                problem.Format("cannot read the desktop picture %s: %s", path.Get(),
                               error ? std::strerror(error) : "unknown error");
            else
                problem.Format("cannot decode the desktop picture %s", path.Get());
            *why = std::string("FXPictureCapture: ") + problem.Get();
            return false;
        }
        w = c.GetWidth();
        h = c.GetHeight();
        source.resize(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                source[static_cast<size_t>(y) * w + x] = c.pixmap.Row(y)[x];
    }
    *width = w;
    *height = h;
    if (w <= 0 || h <= 0) {
        why->clear();
        return false;
    }
    copyWidth = w;
    copy.resize(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < source.size(); ++i) {
        uint32_t p = source[i];
        copy[4 * i] = static_cast<unsigned char>(p >> 16);
        copy[4 * i + 1] = static_cast<unsigned char>(p >> 8);
        copy[4 * i + 2] = static_cast<unsigned char>(p);
        copy[4 * i + 3] = 0;
    }
    return true;
}
