#include "platform/win32/FXDDrawCapture.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <ddraw.h>

#include <cstring>

namespace {

IDirectDraw7* localDD7 = nullptr;
IDirectDrawSurface7* localPrim = nullptr;

using CreateEx = HRESULT(WINAPI*)(GUID*, LPVOID*, REFIID, IUnknown*);

IDirectDrawSurface7* localBack(void* p)
{
    return static_cast<IDirectDrawSurface7*>(p);
}

} // namespace

bool FXDDrawCapture::Begin(int* width, int* height, std::string* why)
{
    why->clear();
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    if (w <= 0 || h <= 0)
        return false;
    if (!localDD7) {
        HMODULE lib = LoadLibraryA("ddraw.dll");
        auto create = lib ? reinterpret_cast<CreateEx>(reinterpret_cast<void*>(GetProcAddress(lib, "DirectDrawCreateEx")))
                          : nullptr;
        if (!create || FAILED(create(nullptr, reinterpret_cast<LPVOID*>(&localDD7), IID_IDirectDraw7, nullptr))) {
            localDD7 = nullptr;
            *why = "DirectDrawCreateEx";
            return false;
        }
    }
    if (FAILED(localDD7->SetCooperativeLevel(nullptr, DDSCL_NORMAL))) {
        *why = "SetCooperativeLevel (dd7)";
        return false;
    }
    if (localPrim) {
        localPrim->Release();
        localPrim = nullptr;
    }
    DDSURFACEDESC2 d;
    std::memset(&d, 0, sizeof d);
    d.dwSize = sizeof d; // 124
    d.dwFlags = DDSD_CAPS;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (FAILED(localDD7->CreateSurface(&d, &localPrim, nullptr))) {
        localPrim = nullptr;
        *why = "CreateSurface (dd7 primary surface)";
        return false;
    }
    std::memset(&d, 0, sizeof d);
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    d.dwWidth = static_cast<DWORD>(w);
    d.dwHeight = static_cast<DWORD>(h);
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(localDD7->CreateSurface(&d, &surface, nullptr))) {
        *why = "CreateSurface (dd7 back surface)";
        return false;
    }
    if (FAILED(surface->Blt(nullptr, localPrim, nullptr, DDBLT_WAIT, nullptr))) {
        surface->Release();
        *why = "Blt (dd7 - from primary to back)";
        return false;
    }
    back = surface;
    *width = w;
    *height = h;
    return true;
}

bool FXDDrawCapture::Lock(const unsigned char** pixels, int* pitch, std::string* why)
{
    DDSURFACEDESC2 d;
    std::memset(&d, 0, sizeof d);
    d.dwSize = sizeof d;
    if (!back || FAILED(localBack(back)->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) {
        *why = "Lock (dd7 - back)";
        return false;
    }
    locked = true;
    // Four bytes a pixel are read: another display depth is refused.
    if (d.ddpfPixelFormat.dwRGBBitCount != 32 || !d.lpSurface) {
        *why = "Lock (dd7 - back)";
        return false;
    }
    *pixels = static_cast<const unsigned char*>(d.lpSurface);
    *pitch = static_cast<int>(d.lPitch);
    return true;
}

void FXDDrawCapture::End()
{
    if (back) {
        if (locked)
            localBack(back)->Unlock(nullptr);
        localBack(back)->Release();
    }
    back = nullptr;
    locked = false;
}

void FXDDrawCapture::Shutdown()
{
    if (localPrim)
        localPrim->Release();
    localPrim = nullptr;
    if (localDD7)
        localDD7->Release();
    localDD7 = nullptr;
}
