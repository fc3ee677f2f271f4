#include "platform/wayland/fxShmPixels.h"

namespace {

constexpr uint32_t localFourcc(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(a) | static_cast<uint32_t>(b) << 8 | static_cast<uint32_t>(c) << 16 |
           static_cast<uint32_t>(d) << 24;
}

// How a format's pixel word holds its channels.
enum class LocalLayout { none, xrgb8, xbgr8, rgbx8, bgrx8, xrgb10, xbgr10, rgb565, bgr565, rgb888, bgr888 };

struct LocalFormat {
    LocalLayout layout;
    int bytes;
};

LocalFormat localFormat(uint32_t f)
{
    switch (f) {
    case 0: // ARGB8888
    case 1: // XRGB8888
        return {LocalLayout::xrgb8, 4};
    case localFourcc('A', 'B', '2', '4'):
    case localFourcc('X', 'B', '2', '4'):
        return {LocalLayout::xbgr8, 4};
    case localFourcc('R', 'A', '2', '4'):
    case localFourcc('R', 'X', '2', '4'):
        return {LocalLayout::rgbx8, 4};
    case localFourcc('B', 'A', '2', '4'):
    case localFourcc('B', 'X', '2', '4'):
        return {LocalLayout::bgrx8, 4};
    case localFourcc('A', 'R', '3', '0'):
    case localFourcc('X', 'R', '3', '0'):
        return {LocalLayout::xrgb10, 4};
    case localFourcc('A', 'B', '3', '0'):
    case localFourcc('X', 'B', '3', '0'):
        return {LocalLayout::xbgr10, 4};
    case localFourcc('R', 'G', '1', '6'):
        return {LocalLayout::rgb565, 2};
    case localFourcc('B', 'G', '1', '6'):
        return {LocalLayout::bgr565, 2};
    case localFourcc('R', 'G', '2', '4'):
        return {LocalLayout::rgb888, 3};
    case localFourcc('B', 'G', '2', '4'):
        return {LocalLayout::bgr888, 3};
    default:
        return {LocalLayout::none, 0};
    }
}

} // namespace

bool fxShmFormatKnown(uint32_t format)
{
    return localFormat(format).layout != LocalLayout::none;
}

bool fxShmToBgrx(uint32_t format, const unsigned char* src, int width, int height, int stride, bool yInvert,
                 unsigned char* dst)
{
    const LocalFormat f = localFormat(format);
    if (f.layout == LocalLayout::none || width < 0 || height < 0 || stride < width * f.bytes)
        return false;
    for (int y = 0; y < height; ++y) {
        const unsigned char* s = src + static_cast<long>(yInvert ? height - 1 - y : y) * stride;
        unsigned char* d = dst + static_cast<long>(y) * 4 * width;
        for (int x = 0; x < width; ++x, s += f.bytes, d += 4) {
            uint32_t v = s[0] | static_cast<uint32_t>(s[1]) << 8;
            if (f.bytes > 2)
                v |= static_cast<uint32_t>(s[2]) << 16;
            if (f.bytes > 3)
                v |= static_cast<uint32_t>(s[3]) << 24;
            uint32_t r, g, b;
            switch (f.layout) {
            case LocalLayout::xrgb8:
            case LocalLayout::rgb888:
                r = v >> 16 & 255, g = v >> 8 & 255, b = v & 255;
                break;
            case LocalLayout::xbgr8:
            case LocalLayout::bgr888:
                r = v & 255, g = v >> 8 & 255, b = v >> 16 & 255;
                break;
            case LocalLayout::rgbx8:
                r = v >> 24, g = v >> 16 & 255, b = v >> 8 & 255;
                break;
            case LocalLayout::bgrx8:
                r = v >> 8 & 255, g = v >> 16 & 255, b = v >> 24;
                break;
            case LocalLayout::xrgb10:
                r = v >> 22 & 255, g = v >> 12 & 255, b = v >> 2 & 255;
                break;
            case LocalLayout::xbgr10:
                r = v >> 2 & 255, g = v >> 12 & 255, b = v >> 22 & 255;
                break;
            case LocalLayout::rgb565:
                r = v >> 11 & 31, g = v >> 5 & 63, b = v & 31;
                r = r << 3 | r >> 2, g = g << 2 | g >> 4, b = b << 3 | b >> 2;
                break;
            default: // bgr565
                b = v >> 11 & 31, g = v >> 5 & 63, r = v & 31;
                r = r << 3 | r >> 2, g = g << 2 | g >> 4, b = b << 3 | b >> 2;
                break;
            }
            d[0] = static_cast<unsigned char>(b);
            d[1] = static_cast<unsigned char>(g);
            d[2] = static_cast<unsigned char>(r);
            d[3] = 255;
        }
    }
    return true;
}
