// Little-endian numbers in byte buffers: the layout of every number the
// package and the records store, whatever the host's byte order. Readers
// are given at least the number's bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

inline uint16_t fxGetLE16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t fxGetLE32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

inline void fxPutLE16(unsigned char* p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void fxPutLE32(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// A float's bits as a stored 32-bit number, and back.
inline float fxGetLEFloat(const unsigned char* p)
{
    uint32_t bits = fxGetLE32(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

inline void fxAppendLE32(std::string* out, uint32_t v)
{
    unsigned char b[4];
    fxPutLE32(b, v);
    out->append(reinterpret_cast<const char*>(b), 4);
}
