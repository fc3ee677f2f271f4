#include "render/FXTargaDecoder.h"

#include "render/FXRawPicture.h"

#include <cstring>
#include <vector>

namespace {

unsigned localLe16(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}

} // namespace

bool FXTargaDecoder::Decode(const unsigned char* p, size_t n, FXRawPicture* out)
{
    if (!p || n < 18)
        return false;
    unsigned idLength = p[0], mapType = p[1], type = p[2];
    unsigned mapLength = localLe16(p + 5), mapBits = p[7];
    int w = static_cast<int>(localLe16(p + 12)), h = static_cast<int>(localLe16(p + 14));
    unsigned bits = p[16], descriptor = p[17];
    bool rle = type == 10 || type == 11;
    bool grey = type == 3 || type == 11;
    if (!(type == 2 || type == 3 || type == 10 || type == 11) || w <= 0 || h <= 0)
        return false;
    if ((grey && bits != 8) || (!grey && bits != 24 && bits != 32))
        return false;
    if (descriptor & 0x10)
        return false; // rows stored right to left, which DevIL refuses
    size_t at = 18 + idLength + (mapType ? static_cast<size_t>(mapLength) * ((mapBits + 7) / 8) : 0);
    const int bpp = static_cast<int>(bits / 8);
    const size_t pixels = static_cast<size_t>(w) * h;
    std::vector<unsigned char> raw(pixels * bpp);
    if (!rle) {
        if (at > n || n - at < raw.size())
            return false;
        std::memcpy(raw.data(), p + at, raw.size());
    } else {
        size_t done = 0;
        while (done < pixels) {
            if (at >= n)
                return false;
            unsigned head = p[at++];
            size_t count = (head & 0x7F) + 1;
            if (count > pixels - done)
                count = pixels - done;
            if (head & 0x80) {
                if (n - at < static_cast<size_t>(bpp))
                    return false;
                for (size_t i = 0; i < count; ++i)
                    std::memcpy(&raw[(done + i) * bpp], p + at, static_cast<size_t>(bpp));
                at += static_cast<size_t>(bpp);
            } else {
                if (n - at < count * bpp)
                    return false;
                std::memcpy(&raw[done * bpp], p + at, count * bpp);
                at += count * bpp;
            }
            done += count;
        }
    }
    out->width = w;
    out->height = h;
    out->sample = 1;
    out->palette.clear();
    out->format = grey ? FXRawPicture::kGrey : bits == 32 ? FXRawPicture::kRgba : FXRawPicture::kRgb;
    out->data.assign(raw.size(), 0);
    for (size_t i = 0; i < pixels; ++i) {
        const unsigned char* s = &raw[i * bpp];
        unsigned char* d = &out->data[i * bpp];
        if (grey) {
            d[0] = s[0];
        } else { // stored B, G, R(, A)
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            if (bpp == 4)
                d[3] = s[3];
        }
    }
    return true;
}
