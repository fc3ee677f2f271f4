#include "render/FXPictureHeader.h"

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
