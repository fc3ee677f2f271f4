// Text pictures through GDI: white on black into a 32-bit top-down DIB
// section; the red channel is the coverage.
#include "sys/fxTextRaster.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace {

class MemoryDC {
public:
    MemoryDC() : dc(CreateCompatibleDC(nullptr)) {}
    ~MemoryDC()
    {
        if (dc)
            DeleteDC(dc);
    }
    HDC dc;
};

HFONT localFont(const char* font, int size)
{
    return CreateFontA(-size, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, font && *font ? font : "Arial");
}

bool localExtent(HDC dc, const wchar_t* text, int* w, int* h)
{
    SIZE s;
    if (!GetTextExtentPoint32W(dc, text, static_cast<int>(std::wcslen(text)), &s) || s.cx <= 0 || s.cy <= 0 ||
        s.cx > 16384 || s.cy > 16384)
        return false;
    *w = s.cx;
    *h = s.cy;
    return true;
}

} // namespace

bool fxSysMeasureText(const wchar_t* text, const char* font, int size, int* width, int* height)
{
    if (!text || !*text || size <= 0)
        return false;
    MemoryDC mem;
    HFONT f = localFont(font, size);
    if (!mem.dc || !f)
        return false;
    HGDIOBJ old = SelectObject(mem.dc, f);
    bool ok = localExtent(mem.dc, text, width, height);
    SelectObject(mem.dc, old);
    DeleteObject(f);
    return ok;
}

bool fxSysRasterText(const wchar_t* text, const char* font, int size, int* width, int* height,
                     unsigned char** coverage)
{
    int w = 0, h = 0;
    if (!fxSysMeasureText(text, font, size, &w, &h))
        return false;
    MemoryDC mem;
    HFONT f = localFont(font, size);
    if (!mem.dc || !f)
        return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(mem.dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    unsigned char* out = nullptr;
    if (dib && bits) {
        HGDIOBJ oldBmp = SelectObject(mem.dc, dib);
        HGDIOBJ oldFont = SelectObject(mem.dc, f);
        SetBkColor(mem.dc, RGB(0, 0, 0));
        SetTextColor(mem.dc, RGB(255, 255, 255));
        SetBkMode(mem.dc, OPAQUE);
        TextOutW(mem.dc, 0, 0, text, static_cast<int>(std::wcslen(text)));
        GdiFlush();
        out = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(w) * h));
        if (out) {
            const unsigned char* px = static_cast<const unsigned char*>(bits);
            for (long i = 0; i < static_cast<long>(w) * h; ++i)
                out[i] = px[i * 4 + 2];
        }
        SelectObject(mem.dc, oldFont);
        SelectObject(mem.dc, oldBmp);
    }
    if (dib)
        DeleteObject(dib);
    DeleteObject(f);
    if (!out)
        return false;
    *width = w;
    *height = h;
    *coverage = out;
    return true;
}
