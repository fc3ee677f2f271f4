#include "render/FXTargaDecoder.h"

#include "render/FXPictureHeader.h"
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
    if (!p || n < 18 || !FXPictureHeader::Check(FXPictureHeader::kTga, p, n, nullptr))
        return false;
    unsigned idLength = p[0], mapType = p[1], type = p[2];
    unsigned mapLength = localLe16(p + 5), mapBits = p[7];
    int w = static_cast<int>(localLe16(p + 12)), h = static_cast<int>(localLe16(p + 14));
    unsigned bits = p[16], descriptor = p[17];
    bool rle = type == 9 || type == 10 || type == 11;
    bool grey = type == 3 || type == 11;
    bool mapped = type == 1 || type == 9;
    if (!(mapped || type == 2 || type == 3 || type == 10 || type == 11) || w <= 0 || h <= 0)
        return false;
    if (mapped ? (bits != 8 || mapType != 1 || (mapBits != 24 && mapBits != 32))
               : grey ? bits != 8 : (bits != 15 && bits != 16 && bits != 24 && bits != 32))
        return false;
    if (descriptor & 0x10)
        return false; // rows stored right to left, which DevIL refuses
    size_t mapAt = 18 + idLength;
    size_t mapBytes = mapType ? static_cast<size_t>(mapLength) * ((mapBits + 7) / 8) : 0;
    if (mapAt > n || n - mapAt < mapBytes)
        return false;
    size_t at = mapAt + mapBytes;
    const int bpp = static_cast<int>((bits + 7) / 8);
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
    if (mapped) {
        // DevIL's palette: the map's entries from index 0 whatever the first
        // entry says, transparent black past its end.
        out->format = FXRawPicture::kIndexed;
        out->palette.assign(256 * 4, 0);
        const unsigned char* m = p + mapAt;
        int eb = static_cast<int>(mapBits / 8);
        for (unsigned i = 0; i < mapLength && i < 256; ++i, m += eb) {
            out->palette[i * 4 + 0] = m[2];
            out->palette[i * 4 + 1] = m[1];
            out->palette[i * 4 + 2] = m[0];
            out->palette[i * 4 + 3] = eb == 4 ? m[3] : 255;
        }
        out->data.swap(raw);
        return true;
    }
    const int c = grey ? 1 : bpp == 2 ? 3 : bpp;
    out->format = grey ? FXRawPicture::kGrey : c == 4 ? FXRawPicture::kRgba : FXRawPicture::kRgb;
    out->data.assign(pixels * c, 0);
    for (size_t i = 0; i < pixels; ++i) {
        const unsigned char* s = &raw[i * bpp];
        unsigned char* d = &out->data[i * c];
        if (grey) {
            d[0] = s[0];
        } else if (bpp == 2) {
            // x R G B, 5 bits each; DevIL takes the top bit for no alpha.
            unsigned v = localLe16(s);
            d[0] = static_cast<unsigned char>(((v >> 10) & 31) << 3);
            d[1] = static_cast<unsigned char>(((v >> 5) & 31) << 3);
            d[2] = static_cast<unsigned char>((v & 31) << 3);
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
