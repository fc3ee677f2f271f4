#include "platform/egl/FXEglWindow.h"

#include "platform/egl/FXEglSurface.h"

#include "base/FXRect.h"

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

// Stencil is a minimum in EGL: ask for the 16 bits the device wants, then
// settle for what is offered.
bool localChooseConfig(EGLDisplay d, const FXGLPixelFormat& f, EGLConfig* config)
{
    const int channel = f.colorBits >= 24 ? 8 : 5;
    const int stencils[] = {f.stencilBits, 8, 0};
    for (int stencil : stencils) {
        if (stencil > f.stencilBits)
            continue;
        const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE, channel, EGL_GREEN_SIZE, channel, EGL_BLUE_SIZE, channel,
                                     EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, f.depthBits, EGL_STENCIL_SIZE, stencil,
                                     EGL_NONE};
        EGLint n = 0;
        if (eglChooseConfig(d, attributes, config, 1, &n) && n > 0)
            return true;
    }
    return false;
}

class FXEglWindowSurface : public FXEglSurface {
public:
    using FXEglSurface::FXEglSurface;
    ~FXEglWindowSurface() override { eglDestroySurface(display, surface); }

    void SwapBuffers() override { eglSwapBuffers(display, surface); }
    bool SetSwapInterval(int interval) override { return eglSwapInterval(display, interval) == EGL_TRUE; }
};

} // namespace

FXEglWindow::~FXEglWindow() {}

void FXEglWindow::GetClientSize(int* w, int* h)
{
    *w = width;
    *h = height;
}

void FXEglWindow::GetScreenSize(int* w, int* h)
{
    *w = width;
    *h = height;
}

PGLSurface* FXEglWindow::CreateSurface(const FXGLPixelFormat& format)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    EGLDisplay d = localOpenDisplay();
    if (d == EGL_NO_DISPLAY)
        return nullptr;
    EGLConfig config;
    EGLSurface s = EGL_NO_SURFACE;
    if (localChooseConfig(d, format, &config)) {
        const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        s = eglCreatePbufferSurface(d, config, size);
    }
    if (s == EGL_NO_SURFACE)
        return nullptr;
    return new FXEglWindowSurface(d, config, s);
}

void FXEglWindow::ReleaseSurface(PGLSurface* surface)
{
    delete surface;
}

void FXEglWindow::GetRectInParent(FXRect* rect)
{
    rect->Set(0, 0, width, height);
}

void* FXEglWindow::SetParent(void*)
{
    return nullptr;
}

void FXEglWindow::Move(int, int, int, int) {}
