// FXEglWindow: an offscreen window of a fixed size for the device, drawn
// through EGL into a pbuffer (Mesa's surfaceless platform where it exists,
// the default display otherwise), desktop GL with the compatibility profile.
#pragma once

#include "platform/egl/FXEglFixedWindow.h"

class FXEglWindow : public FXEglFixedWindow {
public:
    FXEglWindow(int width, int height) : FXEglFixedWindow(width, height) {}

    PGLSurface* CreateSurface(const FXGLPixelFormat& format) override;
};
