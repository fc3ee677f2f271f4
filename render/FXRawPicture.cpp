#include "render/FXRawPicture.h"

#include "render/FXPixmap.h"

#include <cstring>
#include <utility>

int FXRawPicture::Channels(int format)
{
    switch (format) {
    case kGrey:
    case kIndexed:
        return 1;
    case kGreyAlpha:
        return 2;
    case kRgb:
        return 3;
    default:
        return 4;
    }
}

bool FXRawPicture::Sound() const
{
    if (width <= 0 || height <= 0)
        return false;
    size_t need = static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(BytesPerPixel());
    return data.size() >= need && (format != kIndexed || palette.size() >= 256 * 4);
}

void FXRawPicture::Pixel(size_t i, unsigned* rgba) const
{
    int c = Channels(format);
    unsigned char s[4] = {0, 0, 0, 0};
    for (int k = 0; k < c; ++k) // the high byte of a 16-bit sample
        s[k] = data[i * c * sample + k * sample + sample - 1];
    if (format == kIndexed) {
        const unsigned char* e = &palette[static_cast<size_t>(s[0]) * 4];
        for (int k = 0; k < 4; ++k)
            rgba[k] = e[k];
    } else if (c <= 2) {
        rgba[0] = rgba[1] = rgba[2] = s[0];
        rgba[3] = c == 2 ? s[1] : 255;
    } else {
        rgba[0] = s[0];
        rgba[1] = s[1];
        rgba[2] = s[2];
        rgba[3] = c == 4 ? s[3] : 255;
    }
}

bool FXRawPicture::Convert(int to)
{
    if ((to != kRgb && to != kRgba && to != kGrey && to != kGreyAlpha) || !Sound())
        return false;
    if (format == to && sample == 1)
        return true;
    int c = Channels(to);
    size_t pixels = static_cast<size_t>(width) * height;
    std::vector<unsigned char> out(pixels * c);
    for (size_t i = 0; i < pixels; ++i) {
        unsigned v[4];
        Pixel(i, v);
        unsigned char* d = &out[i * c];
        if (c <= 2) {
            // DevIL's luminance: Rec. 709 weights, truncated.
            d[0] = static_cast<unsigned char>((v[0] * 212671u + v[1] * 715160u + v[2] * 72169u) / 1000000u);
            if (c == 2)
                d[1] = static_cast<unsigned char>(v[3]);
        } else {
            for (int k = 0; k < c; ++k)
                d[k] = static_cast<unsigned char>(v[k]);
        }
    }
    data.swap(out);
    palette.clear();
    format = to;
    sample = 1;
    return true;
}

void FXRawPicture::FlipRows()
{
    size_t row = static_cast<size_t>(width) * BytesPerPixel();
    if (!Sound() || row == 0)
        return;
    std::vector<unsigned char> tmp(row);
    for (int y = 0; y < height / 2; ++y) {
        unsigned char* a = data.data() + y * row;
        unsigned char* b = data.data() + (height - 1 - y) * row;
        std::memcpy(tmp.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, tmp.data(), row);
    }
}

void FXRawPicture::Widen()
{
    if (sample != 1)
        return;
    std::vector<unsigned char> out(data.size() * 2);
    for (size_t i = 0; i < data.size(); ++i)
        out[2 * i] = out[2 * i + 1] = data[i];
    data.swap(out);
    sample = 2;
}

bool FXRawPicture::Scale(int w, int h)
{
    if (!Sound() || w <= 0 || h <= 0 || w > 65535 || h > 65535)
        return false;
    size_t c = static_cast<size_t>(BytesPerPixel());
    std::vector<unsigned char> out(static_cast<size_t>(w) * h * c);
    for (int r = 0; r < h; ++r) {
        size_t sy = static_cast<size_t>(r) * height / h;
        for (int col = 0; col < w; ++col) {
            size_t sx = static_cast<size_t>(col) * width / w;
            std::memcpy(&out[(static_cast<size_t>(r) * w + col) * c], &data[(sy * width + sx) * c], c);
        }
    }
    data.swap(out);
    width = w;
    height = h;
    return true;
}

bool FXRawPicture::ToPixmap(int channels, FXPixmap* out) const
{
    int to = channels == 4 ? kRgba : channels == 3 ? kRgb : kGrey;
    const FXRawPicture* src = this;
    FXRawPicture copy;
    if (format != to || sample != 1) {
        copy = *this;
        if (!copy.Convert(to))
            return false;
        src = &copy;
    } else if (!Sound()) {
        return false;
    }
    return Pack(src->data.data(), width, height, channels, out);
}

bool FXRawPicture::Pack(const unsigned char* p, int width, int height, int channels, FXPixmap* out)
{
    if (!p || !out->Realloc(width, height))
        return false;
    for (int y = 0; y < height; ++y) {
        unsigned* dst = out->Row(y);
        for (int x = 0; x < width; ++x, p += channels) {
            if (channels == 4)
                dst[x] = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned>(p[3]) << 24);
            else if (channels == 3)
                dst[x] = p[0] | (p[1] << 8) | (p[2] << 16) | 0xff000000u;
            else
                dst[x] = p[0] | (p[0] << 8) | (p[0] << 16) | 0xff000000u;
        }
    }
    return true;
}
