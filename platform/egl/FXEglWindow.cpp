#include "platform/egl/FXEglWindow.h"

#include "platform/egl/FXEglSurface.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <mutex>

namespace {

// One display for the process, initialised by the first surface and kept to
// the end: eglTerminate is not counted, so ending it under another living
// surface would break that surface, and reinitialising reloads the driver.
std::mutex localDisplayLock;
EGLDisplay localDisplay = EGL_NO_DISPLAY;

EGLDisplay localOpenDisplay()
{
    std::lock_guard<std::mutex> hold(localDisplayLock);
    if (localDisplay != EGL_NO_DISPLAY)
        return localDisplay;
    EGLDisplay d = EGL_NO_DISPLAY;
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay)
        d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (d == EGL_NO_DISPLAY || !eglInitialize(d, nullptr, nullptr)) {
        d = eglGetDisplay(EGL_DEFAULT_DISPLAY);
        if (d == EGL_NO_DISPLAY || !eglInitialize(d, nullptr, nullptr))
            return EGL_NO_DISPLAY;
    }
    localDisplay = d;
    return d;
}

class FXEglWindowSurface : public FXEglSurface {
public:
    using FXEglSurface::FXEglSurface;
    ~FXEglWindowSurface() override { eglDestroySurface(display, surface); }

    void SwapBuffers() override { eglSwapBuffers(display, surface); }
    bool SetSwapInterval(int interval) override { return eglSwapInterval(display, interval) == EGL_TRUE; }
};

} // namespace

PGLSurface* FXEglWindow::CreateSurface(const FXGLPixelFormat& format)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    EGLDisplay d = localOpenDisplay();
    if (d == EGL_NO_DISPLAY)
        return nullptr;
    EGLConfig config;
    EGLSurface s = EGL_NO_SURFACE;
    if (fxEglChooseConfig(d, format, EGL_PBUFFER_BIT, false, &config)) {
        const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        s = eglCreatePbufferSurface(d, config, size);
    }
    if (s == EGL_NO_SURFACE)
        return nullptr;
    return new FXEglWindowSurface(d, config, s);
}
