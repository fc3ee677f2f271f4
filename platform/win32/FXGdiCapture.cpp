#include "platform/win32/FXGdiCapture.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

FXRect fxWin32VirtualScreen()
{
    FXRect r;
    int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (w > 0 && h > 0) {
        int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        r.Set(x, y, x + w, y + h);
    } else {
        r.Set(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    }
    return r;
}

bool FXGdiCapture::Begin(int* width, int* height, std::string* why)
{
    End();
    why->clear();
    rect = fxWin32VirtualScreen();
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    *width = w;
    *height = h;
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    if (!screen) {
        *why = "GetDC (the screen)";
        return false;
    }
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi;
    std::memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h; // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32; // blue, green, red, padding: the display's order
    bi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    HBITMAP bmp = mem ? CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &p, nullptr, 0) : nullptr;
    bool ok = false;
    if (!bmp || !p) {
        *why = "CreateDIBSection (the desktop's copy)";
    } else {
        HGDIOBJ old = SelectObject(mem, bmp);
        // CAPTUREBLT takes layered windows too, as the user sees them.
        ok = BitBlt(mem, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT) != FALSE;
        SelectObject(mem, old);
        GdiFlush();
        if (!ok)
            *why = "BitBlt (from the screen)";
    }
    if (mem)
        DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (!ok) {
        if (bmp)
            DeleteObject(bmp);
        return false;
    }
    bitmap = bmp;
    bits = static_cast<unsigned char*>(p);
    return true;
}

bool FXGdiCapture::Lock(const unsigned char** pixels, int* pitch, std::string* why)
{
    if (!bits) {
        *why = "Lock (nothing captured)";
        return false;
    }
    *pixels = bits;
    *pitch = 4 * (rect.right - rect.left); // 32-bit rows need no padding
    return true;
}

void FXGdiCapture::End()
{
    if (bitmap)
        DeleteObject(static_cast<HBITMAP>(bitmap));
    bitmap = nullptr;
    bits = nullptr;
}
