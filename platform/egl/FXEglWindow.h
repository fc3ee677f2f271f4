// FXEglWindow: an offscreen window of a fixed size for the device, drawn
// through EGL into a pbuffer (Mesa's surfaceless platform where it exists,
// the default display otherwise), desktop GL with the compatibility profile.
#pragma once

#include "sys/PGLWindow.h"

class FXEglWindow : public PGLWindow {
public:
    FXEglWindow(int width, int height) : width(width), height(height) {}
    ~FXEglWindow() override;

    void GetClientSize(int* w, int* h) override;
    void GetScreenSize(int* w, int* h) override;
    PGLSurface* CreateSurface(const FXGLPixelFormat& format) override;
    void ReleaseSurface(PGLSurface* surface) override;
    void GetRectInParent(FXRect* rect) override;
    void* SetParent(void* parent) override;
    void Move(int left, int top, int w, int h) override;

private:
    int width, height;
};
