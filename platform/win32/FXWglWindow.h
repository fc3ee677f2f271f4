// FXWglWindow: a Windows window for the device, drawn through WGL with the
// pixel format the device asks for (double-buffered RGBA, 24-bit colour,
// 16-bit depth and stencil).
#pragma once

#include "sys/PGLWindow.h"

class FXWglWindow : public PGLWindow {
public:
    explicit FXWglWindow(void* hwnd) : hwnd(hwnd) {}

    void GetClientSize(int* w, int* h) override;
    void GetScreenSize(int* w, int* h) override;
    PGLSurface* CreateSurface(const FXGLPixelFormat& format) override;
    void ReleaseSurface(PGLSurface* surface) override;
    void GetRectInParent(FXRect* rect) override;
    void* SetParent(void* parent) override;
    void Move(int left, int top, int w, int h) override;

    void* hwnd; // HWND
};
