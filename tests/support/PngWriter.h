// Writes RGBA pictures as PNG files without any image library (stored,
// uncompressed deflate blocks), so decoding tests do not rely on the decoder's
// own writer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pngw {

inline uint32_t Crc(const std::string& s)
{
    uint32_t c = 0xffffffffu;
    for (unsigned char b : s) {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
    }
    return ~c;
}

inline void Be32(std::string& s, uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        s += static_cast<char>((v >> (8 * i)) & 0xff);
}

inline void Chunk(std::string& out, const char* type, const std::string& data)
{
    Be32(out, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    Be32(out, Crc(body));
}

} // namespace pngw

// rgba: width*height pixels, top row first, each 0xAABBGGRR (R in the low byte).
inline std::string PngBytes(int width, int height, const std::vector<uint32_t>& rgba)
{
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0'; // filter: none
        for (int x = 0; x < width; ++x) {
            uint32_t p = rgba[static_cast<size_t>(y) * width + x];
            for (int i = 0; i < 4; ++i)
                raw += static_cast<char>((p >> (8 * i)) & 0xff);
        }
    }
    std::string z = "\x78\x01";
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        bool last = at + n >= raw.size();
        z += static_cast<char>(last ? 1 : 0);
        z += static_cast<char>(n & 0xff);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xff);
        z += static_cast<char>((~n >> 8) & 0xff);
        z.append(raw, at, n);
        if (last)
            break;
    }
    pngw::Be32(z, (b << 16) | a);

    std::string out = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    pngw::Be32(ihdr, static_cast<uint32_t>(width));
    pngw::Be32(ihdr, static_cast<uint32_t>(height));
    ihdr += std::string("\x08\x06\x00\x00\x00", 5); // 8-bit RGBA, no interlace
    pngw::Chunk(out, "IHDR", ihdr);
    pngw::Chunk(out, "IDAT", z);
    pngw::Chunk(out, "IEND", "");
    return out;
}

inline bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& rgba)
{
    std::string bytes = PngBytes(width, height, rgba);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
