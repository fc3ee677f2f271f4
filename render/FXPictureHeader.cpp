#include "render/FXPictureHeader.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

int FXPictureHeader::Sniff(const unsigned char* p, size_t n)
{
    if (!p)
        return kUnknown;
    if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF)
        return kJpg;
    if (n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0)
        return kPng;
    if (n >= 2 && p[0] == 'B' && p[1] == 'M')
        return kBmp;
    if (n >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0))
        return kGif;
    return kUnknown;
}

int FXPictureHeader::TypeOfName(const char* name)
{
    if (!name)
        return kUnknown;
    std::string s(name);
    size_t dot = s.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : s.substr(dot + 1);
    for (char& ch : ext)
        ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif")
        return kJpg;
    if (ext == "png")
        return kPng;
    if (ext == "bmp" || ext == "dib")
        return kBmp;
    if (ext == "tga" || ext == "vda" || ext == "icb" || ext == "vst")
        return kTga;
    if (ext == "gif")
        return kGif;
    return kUnknown;
}

bool FXPictureHeader::Png(const unsigned char* p, size_t n, unsigned* colourType, unsigned* depth, bool* trns)
{
    if (!p || n < 33 || std::memcmp(p + 12, "IHDR", 4) != 0)
        return false;
    *depth = p[24];
    *colourType = p[25];
    *trns = false;
    for (size_t at = 8; n - at >= 12;) {
        size_t len = (static_cast<size_t>(p[at]) << 24) | (p[at + 1] << 16) | (p[at + 2] << 8) | p[at + 3];
        const unsigned char* type = p + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0)
            break;
        if (std::memcmp(type, "tRNS", 4) == 0)
            *trns = true;
        if (len > n - at - 12)
            break;
        at += len + 12;
    }
    return true;
}

bool FXPictureHeader::BmpBottomUp(const unsigned char* p, size_t n)
{
    if (!p || n < 26)
        return true;
    unsigned header = p[14] | (p[15] << 8) | (p[16] << 16) | (static_cast<unsigned>(p[17]) << 24);
    if (header == 12)
        return true; // OS/2 headers have no top-down form
    int height = static_cast<int>(p[22] | (p[23] << 8) | (p[24] << 16) | (static_cast<unsigned>(p[25]) << 24));
    return height > 0;
}

namespace {

long long localLe(const unsigned char* p, int bytes)
{
    long long v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

long long localBe(const unsigned char* p, int bytes)
{
    long long v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

// The bytes a Targa's pixels take at most per pixel and where they start;
// false for a kind that is not read.
bool localTargaLayout(const unsigned char* p, size_t n, size_t* at, int* bpp, bool* rle)
{
    if (n < 18)
        return false;
    unsigned type = p[2], bits = p[16];
    *rle = type >= 9;
    *at = 18 + static_cast<size_t>(p[0]) + (p[1] ? static_cast<size_t>(localLe(p + 5, 2)) * ((p[7] + 7u) / 8u) : 0);
    *bpp = static_cast<int>((bits + 7) / 8);
    return (type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11) && *bpp > 0;
}

// The first frame header (SOF0 to SOF15 but DHT, JPG and DAC) of a JPEG.
bool localJpegFrame(const unsigned char* p, size_t n, long long* w, long long* h, int* components)
{
    for (size_t at = 2; at + 10 <= n;) {
        if (p[at] != 0xFF)
            return false;
        unsigned m = p[at + 1];
        if (m == 0xFF) {
            ++at;
            continue;
        }
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            *h = localBe(p + at + 5, 2);
            *w = localBe(p + at + 7, 2);
            *components = p[at + 9];
            return true;
        }
        if (m == 0xD8 || (m >= 0xD0 && m <= 0xD7) || m == 0x01) {
            at += 2;
            continue;
        }
        at += 2 + static_cast<size_t>(localBe(p + at + 2, 2));
    }
    return false;
}

} // namespace

bool FXPictureHeader::Size(int type, const unsigned char* p, size_t n, long long* w, long long* h)
{
    if (!p)
        return false;
    switch (type) {
    case kTga:
        if (n < 18)
            return false;
        *w = localLe(p + 12, 2);
        *h = localLe(p + 14, 2);
        return true;
    case kPng:
        if (n < 24 || std::memcmp(p + 12, "IHDR", 4) != 0)
            return false;
        *w = localBe(p + 16, 4);
        *h = localBe(p + 20, 4);
        return true;
    case kBmp: {
        if (n < 26)
            return false;
        if (localLe(p + 14, 4) == 12) { // OS/2: 16-bit sides
            *w = localLe(p + 18, 2);
            *h = localLe(p + 20, 2);
            return true;
        }
        *w = static_cast<int>(static_cast<unsigned>(localLe(p + 18, 4)));
        long long height = static_cast<int>(static_cast<unsigned>(localLe(p + 22, 4)));
        *h = height < 0 ? -height : height;
        return true;
    }
    case kGif:
        if (n < 10)
            return false;
        *w = localLe(p + 6, 2);
        *h = localLe(p + 8, 2);
        return true;
    case kJpg: {
        int components = 0;
        return localJpegFrame(p, n, w, h, &components);
    }
    default:
        return false;
    }
}

bool FXPictureHeader::Check(int type, const unsigned char* p, size_t n, std::string* why)
{
    int found = Sniff(p, n);
    if (type == kUnknown)
        type = found;
    long long w = 0, h = 0;
    if (!Size(type, p, n, &w, &h))
        return true;
    char text[200];
    text[0] = 0;
    int components = 0;
    if (type == kJpg && localJpegFrame(p, n, &w, &h, &components) && components == 4) {
        // DevIL gives CMYK as four channels with K for alpha, WIC as RGB:
        // both refuse.
        std::snprintf(text, sizeof text, "is a CMYK JPEG, which is not read");
    } else if (type == kTga && n >= 18 && (p[2] == 1 || p[2] == 9) && p[1] == 1 && p[7] != 24 && p[7] != 32) {
        // DevIL reads such maps wrongly and WIC not at all: both refuse.
        std::snprintf(text, sizeof text, "is a Targa with a %u-bit colour map, which is not read", p[7]);
    } else if (w < 0 || h < 0 || (w > 0 && h > INT_MAX / 4 / w)) {
        std::snprintf(text, sizeof text, "declares %lldx%lld pixels, more than a picture may have", w, h);
    } else if (type == kTga) {
        size_t at = 0;
        int bpp = 0;
        bool rle = false;
        if (localTargaLayout(p, n, &at, &bpp, &rle)) {
            long long left = at < n ? static_cast<long long>(n - at) : 0;
            // A run-length packet codes at most 128 pixels in 1 + bpp bytes.
            long long most = rle ? (left + bpp) / (1 + bpp) * 128 : left / bpp;
            if (w * h > most)
                std::snprintf(text, sizeof text, "declares %lldx%lld pixels, more than its %zu bytes hold", w, h, n);
        }
    } else if (type == kPng && w * h > 8LL * 1032 * static_cast<long long>(n)) {
        // A pixel takes at least a bit and deflate packs at most 1032 bytes
        // into one.
        std::snprintf(text, sizeof text, "declares %lldx%lld pixels, more than its %zu bytes can hold", w, h, n);
    }
    if (!text[0])
        return true;
    if (why)
        *why = text;
    return false;
}
