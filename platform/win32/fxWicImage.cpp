// The Windows Imaging Component behind the engine's picture codec, for a
// Windows without DevIL's DLLs. FXRawCodec does what is not Windows (Targa,
// DevIL's formats, row order and conversions); this file asks WIC for the
// other types' pixels in the format DevIL decodes them to (RGB, RGBA,
// luminance for grey pictures, colour indices for a palette) and writes
// the saved files.
#include "sys/fxSystem.h"
#include "render/FXPictureHeader.h"
#include "render/FXRawCodec.h"
#include "render/FXRawPicture.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <wincodec.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

typedef int ILenum;
const int kIlJpg = FXPictureHeader::kJpg, kIlPng = FXPictureHeader::kPng, kIlBmp = FXPictureHeader::kBmp;
const int kIlRgb = FXRawPicture::kRgb, kIlRgba = FXRawPicture::kRgba, kIlLuminance = FXRawPicture::kGrey,
          kIlLuminanceAlpha = FXRawPicture::kGreyAlpha, kIlColourIndex = FXRawPicture::kIndexed;

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

// The format DevIL decodes a picture to before any conversion: a grey JPEG
// or PNG to luminance, a PNG by its colour type (tRNS adds alpha, a palette
// stays indexed), an indexed BMP or GIF to colour indices, the rest to RGB,
// or RGBA where the picture can be transparent.
ILenum localNativeFormat(ILenum type, const unsigned char* p, size_t n, const WICPixelFormatGUID& fmt,
                         IWICImagingFactory* f)
{
    unsigned colourType = 0, depth = 0;
    bool trns = false;
    if (type == kIlPng && FXPictureHeader::Png(p, n, &colourType, &depth, &trns)) {
        switch (colourType) {
        case 0:
            return trns ? kIlLuminanceAlpha : kIlLuminance;
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
                      UINT h, FXRawPicture* out)
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

bool localDecodeWic(IWICImagingFactory* f, ILenum type, const unsigned char* p, size_t n, FXRawPicture* out)
{
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
                int c = FXRawPicture::Channels(native);
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
            out->width = static_cast<int>(w);
            out->height = static_cast<int>(h);
            out->format = native;
            out->sample = 1;
        }
    }
    localRelease(converter);
    localRelease(frame);
    localRelease(decoder);
    localRelease(stream);
    return ok;
}

// Writes the picture, rows top first.
bool localEncode(IWICImagingFactory* f, const std::string& path, ILenum type, const FXRawPicture& img, int quality)
{
    if (!f || !img.Sound() || (type != kIlPng && type != kIlJpg && type != kIlBmp))
        return false;
    // Everything goes through 32-bit BGRA, which every encoder takes or
    // converts from; grey pictures stay grey where the encoder offers it.
    UINT stride = static_cast<UINT>(img.width) * 4;
    std::vector<unsigned char> bgra(static_cast<size_t>(stride) * img.height);
    for (int y = 0; y < img.height; ++y) {
        unsigned char* d = bgra.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < img.width; ++x, d += 4) {
            unsigned v[4];
            img.Pixel(static_cast<size_t>(y) * img.width + x, v);
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
    bool ok = SUCCEEDED(f->CreateBitmapFromMemory(static_cast<UINT>(img.width), static_cast<UINT>(img.height),
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
        value.fltVal = static_cast<float>(quality) / 100.0f;
        props->Write(1, &option, &value);
    }
    ok = ok && SUCCEEDED(frame->Initialize(props)) &&
         SUCCEEDED(frame->SetSize(static_cast<UINT>(img.width), static_cast<UINT>(img.height))) &&
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

// The codec: a factory made for each call, on COM held for that call.
class localWicCodec : public FXRawCodec {
public:
    const char* Name() const override { return "the Windows Imaging Component (WIC)"; }

protected:
    bool DecodeNative(int type, const unsigned char* p, size_t n, FXRawPicture* out) override
    {
        localCom com;
        IWICImagingFactory* f = localCreateFactory();
        bool ok = localDecodeWic(f, type, p, n, out);
        localRelease(f);
        return ok;
    }
    bool Encode(const char* path, int type, const FXRawPicture& picture) override
    {
        localCom com;
        IWICImagingFactory* f = localCreateFactory();
        bool ok = localEncode(f, path, type, picture, jpegQuality);
        localRelease(f);
        return ok;
    }
};

} // namespace

PPictureCodec* fxSysPictureCodec()
{
    static localWicCodec codec;
    // WIC must be there before the codec is handed out.
    static const bool available = [] {
        localCom com;
        IWICImagingFactory* probe = localCreateFactory();
        bool found = probe != nullptr;
        localRelease(probe);
        return found;
    }();
    return available ? &codec : nullptr;
}
