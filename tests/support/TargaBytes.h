// A Targa file as bytes: the 18-byte header, idLength bytes of id field, then
// pixels verbatim (colour-map fields zero), for decoder tests that need
// headers of any kind, honest or not.
#pragma once

#include <string>

inline std::string TargaBytes(int type, int w, int h, int bits, int descriptor, const std::string& pixels,
                              int idLength = 0)
{
    std::string s(18, '\0');
    s[0] = static_cast<char>(idLength);
    s[2] = static_cast<char>(type);
    s[12] = static_cast<char>(w & 0xff);
    s[13] = static_cast<char>(w >> 8);
    s[14] = static_cast<char>(h & 0xff);
    s[15] = static_cast<char>(h >> 8);
    s[16] = static_cast<char>(bits);
    s[17] = static_cast<char>(descriptor);
    return s + std::string(static_cast<size_t>(idLength), 'i') + pixels;
}
