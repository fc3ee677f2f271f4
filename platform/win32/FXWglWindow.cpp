#include "platform/win32/FXWglWindow.h"

#include "base/FXRect.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

namespace {

HWND localWnd(void* h)
{
    return static_cast<HWND>(h);
}

class FXWglSurface : public PGLSurface {
public:
    FXWglSurface(HWND w, HDC dc) : wnd(w), dc(dc) {}
    ~FXWglSurface() override { ReleaseDC(wnd, dc); }

    void* CreateContext() override { return wglCreateContext(dc); }
    void DeleteContext(void* c) override
    {
        if (c)
            wglDeleteContext(static_cast<HGLRC>(c));
    }
    bool MakeCurrent(void* c) override { return wglMakeCurrent(c ? dc : nullptr, static_cast<HGLRC>(c)) != FALSE; }
    void SwapBuffers() override { ::SwapBuffers(dc); }
    void* GetProcAddress(const char* name) override
    {
        PROC p = wglGetProcAddress(name);
        // Some drivers answer 1, 2, 3 or -1 for what they do not have; the
        // GL 1.1 entry points live in opengl32 itself.
        uintptr_t v = reinterpret_cast<uintptr_t>(p);
        if (v <= 3 || v == static_cast<uintptr_t>(-1))
            p = ::GetProcAddress(GetModuleHandleA("opengl32.dll"), name);
        return reinterpret_cast<void*>(p);
    }
    bool SetSwapInterval(int interval) override
    {
        using GetExt = const char*(WINAPI*)();
        using Swap = BOOL(WINAPI*)(int);
        auto ext = reinterpret_cast<GetExt>(GetProcAddress("wglGetExtensionsStringEXT"));
        const char* list = ext ? ext() : nullptr;
        if (!list || !std::strstr(list, "WGL_EXT_swap_control"))
            return false;
        auto swap = reinterpret_cast<Swap>(GetProcAddress("wglSwapIntervalEXT"));
        return swap && swap(interval);
    }

    HWND wnd;
    HDC dc;
};

} // namespace

void FXWglWindow::GetClientSize(int* w, int* h)
{
    RECT r = {0, 0, 0, 0};
    GetClientRect(localWnd(hwnd), &r);
    *w = r.right - r.left;
    *h = r.bottom - r.top;
}

void FXWglWindow::GetScreenSize(int* w, int* h)
{
    *w = GetSystemMetrics(SM_CXSCREEN);
    *h = GetSystemMetrics(SM_CYSCREEN);
}

PGLSurface* FXWglWindow::CreateSurface(const FXGLPixelFormat& f)
{
    HDC dc = GetDC(localWnd(hwnd));
    if (!dc)
        return nullptr;
    PIXELFORMATDESCRIPTOR pfd;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd; // 40
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (f.doubleBuffer ? PFD_DOUBLEBUFFER : 0); // 0x25
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(f.colorBits);
    pfd.cDepthBits = static_cast<BYTE>(f.depthBits);
    pfd.cStencilBits = static_cast<BYTE>(f.stencilBits);
    pfd.iLayerType = PFD_MAIN_PLANE;
    int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd)) {
        ReleaseDC(localWnd(hwnd), dc);
        return nullptr;
    }
    return new FXWglSurface(localWnd(hwnd), dc);
}

void FXWglWindow::ReleaseSurface(PGLSurface* surface)
{
    delete static_cast<FXWglSurface*>(surface);
}

void FXWglWindow::GetRectInParent(FXRect* rect)
{
    RECT r;
    if (!rect || !GetWindowRect(localWnd(hwnd), &r))
        return;
    POINT a = {r.left, r.top}, b = {r.right, r.bottom};
    if (HWND parent = GetParent(localWnd(hwnd))) {
        ScreenToClient(parent, &a);
        ScreenToClient(parent, &b);
    }
    rect->Set(a.x, a.y, b.x, b.y);
}

void* FXWglWindow::SetParent(void* parent)
{
    return ::SetParent(localWnd(hwnd), localWnd(parent));
}

void FXWglWindow::Move(int left, int top, int w, int h)
{
    MoveWindow(localWnd(hwnd), left, top, w, h, TRUE);
}
