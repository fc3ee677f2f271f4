// The image library's entry points on the Windows Imaging Component, for a
// Windows without DevIL's DLLs. What the engine reads back must be what
// DevIL gives for the same file: the formats it decodes to (RGB, RGBA, or
// luminance for grey pictures, with a picture's rows in the file's order:
// top first for PNG, JPEG and GIF, bottom first for a bottom-up BMP or
// TGA), its conversions between those, and images given with ilTexImage
// taken bottom row first when saved. Targa, which WIC does not read, is
// decoded here.
//
// DevIL's state is process-wide and so is this: one table of images and
// one bound image, behind one lock.
#include "base/fxStream.h"
#include "platform/fxSystem.h"
#include "render/fxDevil.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

enum : ILenum {
    kIlTypeUnknown = 0x0000,
    kIlBmp = 0x0420,
    kIlPng = 0x042A,
    kIlTga = 0x042D,
    kIlGif = 0x0436,
    kIlImageDepth = 0x0DE6,
    kIlImageBitsPerPixel = 0x0DE9,
    kIlImageType = 0x0DEB,
    kIlColourIndex = 0x1900,
    kIlLuminanceAlpha = 0x190A,
};

struct localImage {
    int w = 0, h = 0;
    // kIlRgb, kIlRgba, kIlLuminance, kIlLuminanceAlpha, or kIlColourIndex
    // with one index a pixel into the palette (R, G, B, A entries).
    ILenum format = kIlRgba;
    // Bytes a sample: 2 for a 16-bit PNG, as DevIL keeps it. WIC gives 8 bits,
    // so such samples hold v * 257; the engine converts every picture to 8.
    int sample = 1;
    std::vector<unsigned char> data;
    std::vector<unsigned char> palette;
};

int localChannels(ILenum f)
{
    switch (f) {
    case kIlLuminance:
    case kIlColourIndex:
        return 1;
    case kIlLuminanceAlpha:
        return 2;
    case kIlRgb:
        return 3;
    default:
        return 4;
    }
}

enum : ILenum { kIlUnsignedShort = 0x1403 };

int localBytes(const localImage& img)
{
    return localChannels(img.format) * img.sample;
}

std::mutex localLock;
std::map<ILuint, localImage> localImages;
ILuint localNext = 1;
ILuint localBound = 0;
bool localOverwrite = false;
int localJpegQuality = 99; // DevIL's default
IWICImagingFactory* localFactory = nullptr;
// ilInit's COM initialisation, undone by ilShutDown on the same thread: it
// keeps the apartment, and so the factory, alive in between.
bool localComHeld = false;

localImage& localCurrent()
{
    return localImages[localBound];
}

// COM on the calling thread for the length of one call; the factory itself
// is free-threaded.
class localCom {
public:
    localCom() : ok(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~localCom()
    {
        if (ok)
            CoUninitialize();
    }
    localCom(const localCom&) = delete;
    localCom& operator=(const localCom&) = delete;

private:
    bool ok;
};

template <class T> void localRelease(T*& p)
{
    if (p)
        p->Release();
    p = nullptr;
}

IWICImagingFactory* localCreateFactory()
{
    IWICImagingFactory* f = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&f))))
        return nullptr;
    return f;
}

IWICImagingFactory* localGetFactory()
{
    return localFactory;
}

void localFlipRows(localImage& img)
{
    size_t row = static_cast<size_t>(img.w) * localBytes(img);
    std::vector<unsigned char> tmp(row);
    for (int y = 0; y < img.h / 2; ++y) {
        unsigned char* a = img.data.data() + y * row;
        unsigned char* b = img.data.data() + (img.h - 1 - y) * row;
        std::memcpy(tmp.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, tmp.data(), row);
    }
}

ILenum localSniff(const unsigned char* p, size_t n)
{
    if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF)
        return kIlJpg;
    if (n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0)
        return kIlPng;
    if (n >= 2 && p[0] == 'B' && p[1] == 'M')
        return kIlBmp;
    if (n >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0))
        return kIlGif;
    return kIlTypeUnknown;
}

unsigned localLe16(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}

// Targa: true colour (24 or 32 bits) and grey (8 bits), plain or run-length
// coded, rows in the file's order. Colour-mapped and 16-bit files are refused.
bool localDecodeTga(const unsigned char* p, size_t n, localImage* out)
{
    if (n < 18)
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
    out->w = w;
    out->h = h;
    out->format = grey ? kIlLuminance : bits == 32 ? kIlRgba : kIlRgb;
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
    if (descriptor & 0x10) { // right to left: DevIL mirrors each row
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w / 2; ++x)
                for (int c = 0; c < bpp; ++c)
                    std::swap(out->data[(static_cast<size_t>(y) * w + x) * bpp + c],
                              out->data[(static_cast<size_t>(y) * w + w - 1 - x) * bpp + c]);
    }
    return true;
}

bool localIsIndexed(const WICPixelFormatGUID& fmt)
{
    return IsEqualGUID(fmt, GUID_WICPixelFormat1bppIndexed) || IsEqualGUID(fmt, GUID_WICPixelFormat2bppIndexed) ||
           IsEqualGUID(fmt, GUID_WICPixelFormat4bppIndexed) || IsEqualGUID(fmt, GUID_WICPixelFormat8bppIndexed);
}

unsigned localIndexBits(const WICPixelFormatGUID& fmt)
{
    return IsEqualGUID(fmt, GUID_WICPixelFormat1bppIndexed)   ? 1
           : IsEqualGUID(fmt, GUID_WICPixelFormat2bppIndexed) ? 2
           : IsEqualGUID(fmt, GUID_WICPixelFormat4bppIndexed) ? 4
                                                              : 8;
}

// A PNG's colour type from its header, and whether a tRNS chunk comes
// before the image data; false when the header cannot be read.
bool localPngHeader(const unsigned char* p, size_t n, unsigned* colourType, bool* trns)
{
    if (n < 33 || std::memcmp(p + 12, "IHDR", 4) != 0)
        return false;
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

// The format DevIL decodes a picture to before any conversion: a grey JPEG
// or PNG to luminance, a PNG by its colour type (tRNS adds alpha, a palette
// stays indexed), an indexed BMP or GIF to colour indices, the rest to RGB,
// or RGBA where the picture can be transparent.
ILenum localNativeFormat(ILenum type, const unsigned char* p, size_t n, const WICPixelFormatGUID& fmt,
                         IWICImagingFactory* f)
{
    unsigned colourType = 0;
    bool trns = false;
    if (type == kIlPng && localPngHeader(p, n, &colourType, &trns)) {
        switch (colourType) {
        case 0:
            return trns ? static_cast<ILenum>(kIlLuminanceAlpha) : static_cast<ILenum>(kIlLuminance);
        case 2:
            return trns ? kIlRgba : kIlRgb;
        case 3:
            return kIlColourIndex;
        case 4:
            return kIlLuminanceAlpha;
        default:
            return kIlRgba;
        }
    }
    if (localIsIndexed(fmt))
        return kIlColourIndex;
    if (IsEqualGUID(fmt, GUID_WICPixelFormat8bppGray) || IsEqualGUID(fmt, GUID_WICPixelFormat16bppGray) ||
        IsEqualGUID(fmt, GUID_WICPixelFormatBlackWhite) || IsEqualGUID(fmt, GUID_WICPixelFormat2bppGray) ||
        IsEqualGUID(fmt, GUID_WICPixelFormat4bppGray))
        return kIlLuminance;
    IWICComponentInfo* info = nullptr;
    IWICPixelFormatInfo2* pf = nullptr;
    BOOL transparent = FALSE;
    if (SUCCEEDED(f->CreateComponentInfo(fmt, &info)) &&
        SUCCEEDED(info->QueryInterface(IID_IWICPixelFormatInfo2, reinterpret_cast<void**>(&pf))))
        pf->SupportsTransparency(&transparent);
    localRelease(pf);
    localRelease(info);
    return transparent ? kIlRgba : kIlRgb;
}

// The frame's colour indices, one byte each, and its palette.
bool localCopyIndexed(IWICImagingFactory* f, IWICBitmapFrameDecode* frame, const WICPixelFormatGUID& fmt, UINT w,
                      UINT h, localImage* out)
{
    IWICPalette* palette = nullptr;
    UINT colours = 0;
    WICColor table[256];
    bool ok = SUCCEEDED(f->CreatePalette(&palette)) && SUCCEEDED(frame->CopyPalette(palette)) &&
              SUCCEEDED(palette->GetColors(256, table, &colours)) && colours > 0;
    localRelease(palette);
    if (!ok)
        return false;
    out->palette.assign(256 * 4, 0);
    for (UINT i = 0; i < colours; ++i) { // WICColor is 0xAARRGGBB
        out->palette[i * 4 + 0] = static_cast<unsigned char>(table[i] >> 16);
        out->palette[i * 4 + 1] = static_cast<unsigned char>(table[i] >> 8);
        out->palette[i * 4 + 2] = static_cast<unsigned char>(table[i]);
        out->palette[i * 4 + 3] = static_cast<unsigned char>(table[i] >> 24);
    }
    unsigned bits = localIndexBits(fmt);
    UINT stride = (w * bits + 7) / 8;
    std::vector<unsigned char> packed(static_cast<size_t>(stride) * h);
    if (FAILED(frame->CopyPixels(nullptr, stride, static_cast<UINT>(packed.size()), packed.data())))
        return false;
    out->data.resize(static_cast<size_t>(w) * h);
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x) {
            unsigned bit = x * bits;
            unsigned v = packed[y * stride + bit / 8];
            out->data[static_cast<size_t>(y) * w + x] =
                static_cast<unsigned char>((v >> (8 - bits - bit % 8)) & ((1u << bits) - 1));
        }
    return true;
}

// A bottom-up BMP (positive height) is delivered bottom row first, as DevIL
// delivers the file's rows.
bool localBmpIsBottomUp(const unsigned char* p, size_t n)
{
    if (n < 26)
        return true;
    unsigned header = p[14] | (p[15] << 8) | (p[16] << 16) | (static_cast<unsigned>(p[17]) << 24);
    if (header == 12)
        return true; // OS/2 headers have no top-down form
    int height = static_cast<int>(p[22] | (p[23] << 8) | (p[24] << 16) | (static_cast<unsigned>(p[25]) << 24));
    return height > 0;
}

bool localDecodeWic(ILenum type, const unsigned char* p, size_t n, localImage* out)
{
    localCom com;
    IWICImagingFactory* f = localGetFactory();
    if (!f || n > 0x7fffffff)
        return false;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    bool ok = false;
    UINT w = 0, h = 0;
    WICPixelFormatGUID fmt;
    if (SUCCEEDED(f->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(p), static_cast<DWORD>(n))) &&
        SUCCEEDED(f->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&w, &h)) && w > 0 && h > 0 &&
        w < 65536 && h < 65536 && SUCCEEDED(frame->GetPixelFormat(&fmt))) {
        ILenum native = localNativeFormat(type, p, n, fmt, f);
        if (native == kIlColourIndex && localIsIndexed(fmt)) {
            ok = localCopyIndexed(f, frame, fmt, w, h, out);
        } else if (native == kIlLuminance && IsEqualGUID(fmt, GUID_WICPixelFormat8bppGray)) {
            out->data.resize(static_cast<size_t>(w) * h);
            ok = SUCCEEDED(frame->CopyPixels(nullptr, w, static_cast<UINT>(out->data.size()), out->data.data()));
        } else {
            if (native == kIlColourIndex) // indexed in the file, not as WIC gives it
                native = kIlRgba;
            std::vector<unsigned char> bgra(static_cast<size_t>(w) * h * 4);
            if (SUCCEEDED(f->CreateFormatConverter(&converter)) &&
                SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                                nullptr, 0.0, WICBitmapPaletteTypeCustom)) &&
                SUCCEEDED(converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(bgra.size()), bgra.data()))) {
                int c = localChannels(native);
                out->data.resize(static_cast<size_t>(w) * h * c);
                for (size_t i = 0, pixels = static_cast<size_t>(w) * h; i < pixels; ++i) {
                    const unsigned char* s = &bgra[i * 4];
                    unsigned char* d = &out->data[i * c];
                    d[0] = s[2];
                    if (c == 2)
                        d[1] = s[3];
                    if (c >= 3) {
                        d[1] = s[1];
                        d[2] = s[0];
                    }
                    if (c == 4)
                        d[3] = s[3];
                }
                ok = true;
            }
        }
        if (ok) {
            out->w = static_cast<int>(w);
            out->h = static_cast<int>(h);
            out->format = native;
        }
    }
    localRelease(converter);
    localRelease(frame);
    localRelease(decoder);
    localRelease(stream);
    return ok;
}

// A 16-bit PNG's samples, as DevIL decodes them.
void localWiden(localImage& img)
{
    std::vector<unsigned char> out(img.data.size() * 2);
    for (size_t i = 0; i < img.data.size(); ++i)
        out[2 * i] = out[2 * i + 1] = img.data[i];
    img.data.swap(out);
    img.sample = 2;
}

// Decodes a picture of the given type (unknown: any) into the bound image.
bool localDecode(ILenum type, const unsigned char* p, size_t n)
{
    if (!p || n == 0)
        return false;
    ILenum found = localSniff(p, n);
    if (type == kIlTypeUnknown)
        type = found != kIlTypeUnknown ? found : kIlTga;
    localImage img;
    bool ok = false;
    if (type == kIlTga)
        ok = found == kIlTypeUnknown && localDecodeTga(p, n, &img);
    else if (type == found)
        ok = localDecodeWic(type, p, n, &img);
    if (ok && type == kIlBmp && localBmpIsBottomUp(p, n))
        localFlipRows(img);
    if (ok && type == kIlPng && n > 24 && p[24] == 16 && img.format != kIlColourIndex)
        localWiden(img);
    if (ok)
        localCurrent() = std::move(img);
    return ok;
}

ILenum localTypeOfName(const std::string& name)
{
    size_t dot = name.find_last_of('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    for (char& ch : ext)
        ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif")
        return kIlJpg;
    if (ext == "png")
        return kIlPng;
    if (ext == "bmp" || ext == "dib")
        return kIlBmp;
    if (ext == "tga" || ext == "vda" || ext == "icb" || ext == "vst")
        return kIlTga;
    if (ext == "gif")
        return kIlGif;
    return kIlTypeUnknown;
}

// One pixel of the image as R, G, B, A.
void localPixel(const localImage& img, size_t i, unsigned* rgba)
{
    int c = localChannels(img.format);
    unsigned char s[4] = {0, 0, 0, 0};
    for (int k = 0; k < c; ++k) // the high byte of a 16-bit sample
        s[k] = img.data[i * c * img.sample + k * img.sample + img.sample - 1];
    if (img.format == kIlColourIndex) {
        const unsigned char* e = &img.palette[static_cast<size_t>(s[0]) * 4];
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

// Converts to RGB, RGBA, luminance or luminance with alpha.
void localConvert(localImage& img, ILenum to)
{
    if (img.format == to && img.sample == 1)
        return;
    int c = localChannels(to);
    size_t pixels = static_cast<size_t>(img.w) * img.h;
    std::vector<unsigned char> out(pixels * c);
    for (size_t i = 0; i < pixels; ++i) {
        unsigned v[4];
        localPixel(img, i, v);
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
    img.data.swap(out);
    img.palette.clear();
    img.format = to;
    img.sample = 1;
}


bool localConvertible(ILenum f)
{
    return f == kIlRgb || f == kIlRgba || f == kIlLuminance || f == kIlLuminanceAlpha;
}

// Writes the bound image, bottom row first as DevIL takes a given image.
bool localEncode(const std::string& path, ILenum type)
{
    const localImage& img = localCurrent();
    if (img.w <= 0 || img.h <= 0 || (type != kIlPng && type != kIlJpg && type != kIlBmp))
        return false;
    localCom com;
    IWICImagingFactory* f = localGetFactory();
    if (!f)
        return false;
    // Everything goes through 32-bit BGRA, which every encoder takes or
    // converts from; grey pictures stay grey where the encoder offers it.
    UINT stride = static_cast<UINT>(img.w) * 4;
    std::vector<unsigned char> bgra(static_cast<size_t>(stride) * img.h);
    for (int y = 0; y < img.h; ++y) {
        unsigned char* d = bgra.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < img.w; ++x, d += 4) {
            unsigned v[4];
            localPixel(img, static_cast<size_t>(img.h - 1 - y) * img.w + x, v);
            d[0] = static_cast<unsigned char>(v[2]);
            d[1] = static_cast<unsigned char>(v[1]);
            d[2] = static_cast<unsigned char>(v[0]);
            d[3] = static_cast<unsigned char>(v[3]);
        }
    }
    bool grey = img.format == kIlLuminance || img.format == kIlLuminanceAlpha;
    bool alpha = img.format == kIlRgba || img.format == kIlLuminanceAlpha || img.format == kIlColourIndex;
    const GUID& container = type == kIlPng ? GUID_ContainerFormatPng
                            : type == kIlJpg ? GUID_ContainerFormatJpeg
                                             : GUID_ContainerFormatBmp;
    WICPixelFormatGUID wanted = grey && !alpha && type != kIlBmp ? GUID_WICPixelFormat8bppGray
                                : alpha && type != kIlJpg    ? GUID_WICPixelFormat32bppBGRA
                                                             : GUID_WICPixelFormat24bppBGR;
    std::wstring wide(path.size() + 1, L'\0');
    int len = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    if (len <= 0)
        return false;
    wide.resize(static_cast<size_t>(len - 1));

    IWICBitmap* bitmap = nullptr;
    IWICBitmapSource* source = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* props = nullptr;
    WICPixelFormatGUID given = wanted;
    bool ok = SUCCEEDED(f->CreateBitmapFromMemory(static_cast<UINT>(img.w), static_cast<UINT>(img.h),
                                                  GUID_WICPixelFormat32bppBGRA, stride,
                                                  static_cast<UINT>(bgra.size()), bgra.data(), &bitmap)) &&
              SUCCEEDED(f->CreateStream(&stream)) &&
              SUCCEEDED(stream->InitializeFromFilename(wide.c_str(), GENERIC_WRITE)) &&
              SUCCEEDED(f->CreateEncoder(container, nullptr, &encoder)) &&
              SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(encoder->CreateNewFrame(&frame, &props));
    if (ok && type == kIlJpg && props) {
        PROPBAG2 option;
        std::memset(&option, 0, sizeof option);
        option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = static_cast<float>(localJpegQuality) / 100.0f;
        props->Write(1, &option, &value);
    }
    ok = ok && SUCCEEDED(frame->Initialize(props)) &&
         SUCCEEDED(frame->SetSize(static_cast<UINT>(img.w), static_cast<UINT>(img.h))) &&
         SUCCEEDED(frame->SetPixelFormat(&given)) &&
         SUCCEEDED(WICConvertBitmapSource(given, bitmap, &source)) &&
         SUCCEEDED(frame->WriteSource(source, nullptr)) && SUCCEEDED(frame->Commit()) &&
         SUCCEEDED(encoder->Commit());
    localRelease(props);
    localRelease(frame);
    localRelease(encoder);
    localRelease(stream);
    localRelease(source);
    localRelease(bitmap);
    if (!ok)
        DeleteFileW(wide.c_str());
    return ok;
}

// The entry points, with DevIL's names and signatures.

void FX_ILAPI localIlInit()
{
    std::lock_guard<std::mutex> g(localLock);
    if (!localComHeld)
        localComHeld = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    if (!localFactory)
        localFactory = localCreateFactory();
    localImages.clear();
    localImages[0];
    localNext = 1;
    localBound = 0;
    localOverwrite = false;
    localJpegQuality = 99;
}

void FX_ILAPI localIlShutDown()
{
    std::lock_guard<std::mutex> g(localLock);
    localImages.clear();
    localBound = 0;
    localRelease(localFactory);
    if (localComHeld)
        CoUninitialize();
    localComHeld = false;
}

ILboolean FX_ILAPI localIlEnable(ILenum mode)
{
    std::lock_guard<std::mutex> g(localLock);
    if (mode != kIlFileOverwrite)
        return 0;
    localOverwrite = true;
    return 1;
}

ILboolean FX_ILAPI localIlDisable(ILenum mode)
{
    std::lock_guard<std::mutex> g(localLock);
    if (mode != kIlFileOverwrite)
        return 0;
    localOverwrite = false;
    return 1;
}

void FX_ILAPI localIlSetInteger(ILenum mode, ILint param)
{
    std::lock_guard<std::mutex> g(localLock);
    if (mode == kIlJpgQuality && param >= 1 && param <= 99)
        localJpegQuality = param;
}

void FX_ILAPI localIlGenImages(ILsizei n, ILuint* images)
{
    std::lock_guard<std::mutex> g(localLock);
    for (ILsizei i = 0; images && i < n; ++i) {
        images[i] = localNext++;
        localImages[images[i]];
    }
}

void FX_ILAPI localIlDeleteImages(ILsizei n, const ILuint* images)
{
    std::lock_guard<std::mutex> g(localLock);
    for (ILsizei i = 0; images && i < n; ++i) {
        if (images[i] == 0)
            continue; // the default image stays
        localImages.erase(images[i]);
        if (localBound == images[i])
            localBound = 0;
    }
}

void FX_ILAPI localIlBindImage(ILuint image)
{
    std::lock_guard<std::mutex> g(localLock);
    localBound = image;
    localImages[image];
}

ILint FX_ILAPI localIlGetInteger(ILenum mode)
{
    std::lock_guard<std::mutex> g(localLock);
    const localImage& img = localCurrent();
    int c = localBytes(img);
    switch (mode) {
    case kIlImageWidth:
        return img.w;
    case kIlImageHeight:
        return img.h;
    case kIlImageDepth:
        return img.w > 0 ? 1 : 0;
    case kIlImageSizeOfData:
        return static_cast<ILint>(img.data.size());
    case kIlImageBytesPerPixel:
        return c;
    case kIlImageBitsPerPixel:
        return c * 8;
    case kIlImageFormat:
        return static_cast<ILint>(img.format);
    case kIlImageType:
        return img.sample == 2 ? static_cast<ILint>(kIlUnsignedShort) : static_cast<ILint>(kIlUnsignedByte);
    case kIlJpgQuality:
        return localJpegQuality;
    default:
        return 0;
    }
}

ILboolean FX_ILAPI localIlLoadL(ILenum type, const void* lump, ILuint size)
{
    std::lock_guard<std::mutex> g(localLock);
    return localDecode(type, static_cast<const unsigned char*>(lump), size) ? 1 : 0;
}

ILboolean FX_ILAPI localIlLoadImage(const char* fileName)
{
    if (!fileName || !*fileName)
        return 0;
    // The engine's names are UTF-8: opened by their wide names.
    std::string bytes;
    if (!fxReadFile(fileName, &bytes))
        return 0;
    std::lock_guard<std::mutex> g(localLock);
    return localDecode(localTypeOfName(fileName), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())
               ? 1
               : 0;
}

ILboolean FX_ILAPI localIlSaveImage(const char* fileName)
{
    if (!fileName || !*fileName)
        return 0;
    std::lock_guard<std::mutex> g(localLock);
    if (!localOverwrite && GetFileAttributesA(fileName) != INVALID_FILE_ATTRIBUTES)
        return 0;
    return localEncode(fileName, localTypeOfName(fileName)) ? 1 : 0;
}

ILuint FX_ILAPI localIlCloneCurImage()
{
    std::lock_guard<std::mutex> g(localLock);
    localImage copy = localCurrent();
    ILuint id = localNext++;
    localImages[id] = std::move(copy);
    return id;
}

ILboolean FX_ILAPI localIlConvertImage(ILenum format, ILenum type)
{
    std::lock_guard<std::mutex> g(localLock);
    localImage& img = localCurrent();
    if (type != kIlUnsignedByte || !localConvertible(format) || img.w <= 0)
        return 0;
    localConvert(img, format);
    return 1;
}

// A box of the bound image in the given format; depth is always 1.
ILuint FX_ILAPI localIlCopyPixels(ILuint x, ILuint y, ILuint z, ILuint w, ILuint h, ILuint d, ILenum format,
                                  ILenum type, void* data)
{
    std::lock_guard<std::mutex> g(localLock);
    localImage img = localCurrent();
    if (!data || type != kIlUnsignedByte || z != 0 || d != 1 || img.w <= 0 || !localConvertible(format) ||
        x + w > static_cast<ILuint>(img.w) ||
        y + h > static_cast<ILuint>(img.h) || x + w < x || y + h < y)
        return 0;
    localConvert(img, format);
    size_t c = static_cast<size_t>(localChannels(format));
    for (ILuint r = 0; r < h; ++r)
        std::memcpy(static_cast<unsigned char*>(data) + r * w * c, img.data.data() + ((y + r) * img.w + x) * c,
                    w * c);
    return 1;
}

void FX_ILAPI localIlSetPixels(ILint x, ILint y, ILint z, ILuint w, ILuint h, ILuint d, ILenum format, ILenum type,
                               void* data)
{
    std::lock_guard<std::mutex> g(localLock);
    localImage& img = localCurrent();
    if (!data || type != kIlUnsignedByte || z != 0 || d != 1 || x < 0 || y < 0 || img.w <= 0 ||
        !localConvertible(format) || img.format == kIlColourIndex || img.sample != 1 ||
        static_cast<ILuint>(x) + w > static_cast<ILuint>(img.w) ||
        static_cast<ILuint>(y) + h > static_cast<ILuint>(img.h))
        return;
    localImage box;
    box.w = static_cast<int>(w);
    box.h = static_cast<int>(h);
    box.format = format;
    box.data.assign(static_cast<unsigned char*>(data),
                    static_cast<unsigned char*>(data) + static_cast<size_t>(w) * h * localChannels(format));
    localConvert(box, img.format);
    size_t c = static_cast<size_t>(localChannels(img.format));
    for (ILuint r = 0; r < h; ++r)
        std::memcpy(img.data.data() + ((static_cast<size_t>(y) + r) * img.w + x) * c, box.data.data() + r * w * c,
                    w * c);
}

ILubyte* FX_ILAPI localIlGetData()
{
    std::lock_guard<std::mutex> g(localLock);
    localImage& img = localCurrent();
    return img.data.empty() ? nullptr : img.data.data();
}

// Nearest-pixel scaling, ILU's default filter.
ILboolean FX_ILAPI localIluScale(ILuint w, ILuint h, ILuint d)
{
    std::lock_guard<std::mutex> g(localLock);
    localImage& img = localCurrent();
    if (img.w <= 0 || w == 0 || h == 0 || d != 1 || w > 65535 || h > 65535)
        return 0;
    size_t c = static_cast<size_t>(localBytes(img));
    std::vector<unsigned char> out(static_cast<size_t>(w) * h * c);
    for (ILuint r = 0; r < h; ++r) {
        size_t sy = static_cast<size_t>(r) * img.h / h;
        for (ILuint col = 0; col < w; ++col) {
            size_t sx = static_cast<size_t>(col) * img.w / w;
            std::memcpy(&out[(r * w + col) * c], &img.data[(sy * img.w + sx) * c], c);
        }
    }
    img.data.swap(out);
    img.w = static_cast<int>(w);
    img.h = static_cast<int>(h);
    return 1;
}

void FX_ILAPI localIluImageParameter(ILenum, ILenum)
{
    // Only the default filter is offered.
}

ILboolean FX_ILAPI localIlTexImage(ILuint w, ILuint h, ILuint d, ILubyte channels, ILenum format, ILenum type,
                                   void* data)
{
    std::lock_guard<std::mutex> g(localLock);
    if (w == 0 || h == 0 || d != 1 || w > 65535 || h > 65535 || type != kIlUnsignedByte ||
        !localConvertible(format) || channels != localChannels(format))
        return 0;
    localImage& img = localCurrent();
    img.palette.clear();
    img.sample = 1;
    img.w = static_cast<int>(w);
    img.h = static_cast<int>(h);
    img.format = format;
    size_t bytes = static_cast<size_t>(w) * h * channels;
    if (data)
        img.data.assign(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + bytes);
    else
        img.data.assign(bytes, 0);
    return 1;
}

struct localEntry {
    const char* name;
    void* proc;
};

const localEntry kProcs[] = {
    {"ilInit", reinterpret_cast<void*>(localIlInit)},
    {"ilShutDown", reinterpret_cast<void*>(localIlShutDown)},
    {"ilEnable", reinterpret_cast<void*>(localIlEnable)},
    {"ilDisable", reinterpret_cast<void*>(localIlDisable)},
    {"ilSetInteger", reinterpret_cast<void*>(localIlSetInteger)},
    {"ilGenImages", reinterpret_cast<void*>(localIlGenImages)},
    {"ilDeleteImages", reinterpret_cast<void*>(localIlDeleteImages)},
    {"ilBindImage", reinterpret_cast<void*>(localIlBindImage)},
    {"ilGetInteger", reinterpret_cast<void*>(localIlGetInteger)},
    {"ilLoadImage", reinterpret_cast<void*>(localIlLoadImage)},
    {"ilLoadL", reinterpret_cast<void*>(localIlLoadL)},
    {"ilSaveImage", reinterpret_cast<void*>(localIlSaveImage)},
    {"ilCloneCurImage", reinterpret_cast<void*>(localIlCloneCurImage)},
    {"ilConvertImage", reinterpret_cast<void*>(localIlConvertImage)},
    {"ilCopyPixels", reinterpret_cast<void*>(localIlCopyPixels)},
    {"ilSetPixels", reinterpret_cast<void*>(localIlSetPixels)},
    {"ilGetData", reinterpret_cast<void*>(localIlGetData)},
    {"iluScale", reinterpret_cast<void*>(localIluScale)},
    {"iluImageParameter", reinterpret_cast<void*>(localIluImageParameter)},
    {"ilTexImage", reinterpret_cast<void*>(localIlTexImage)},
};

} // namespace

void* fxSysImageCodecProc(const char* name)
{
    if (!name)
        return nullptr;
    // WIC must be there before any entry point is handed out.
    static const bool available = [] {
        localCom com;
        IWICImagingFactory* probe = localCreateFactory();
        if (probe)
            probe->Release();
        return probe != nullptr;
    }();
    if (!available)
        return nullptr;
    for (const localEntry& e : kProcs)
        if (std::strcmp(e.name, name) == 0)
            return e.proc;
    return nullptr;
}

const char* fxSysImageCodecName()
{
    return "the Windows Imaging Component (WIC)";
}
