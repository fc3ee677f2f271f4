// FXEglSurface: what every EGL drawing surface does alike (desktop GL
// contexts on its config, made current on its surface, the driver's
// functions). Each window system's surface adds its swap and owns the
// surface's lifetime: it destroys `surface` in its own destructor, in the
// order its window system needs.
#pragma once

#include "sys/PGLWindow.h"

#include <EGL/egl.h>

// A desktop GL config for surfaceType (EGL_PBUFFER_BIT, EGL_WINDOW_BIT)
// with f's colour and depth. Stencil is a minimum in EGL: f's bits, then 8,
// then none. opaque: a config without alpha where one is offered (a window
// with alpha lets the compositor blend what lies behind through it);
// otherwise 8 bits of alpha.
inline bool fxEglChooseConfig(EGLDisplay d, const FXGLPixelFormat& f, EGLint surfaceType, bool opaque,
                              EGLConfig* config)
{
    const int channel = f.colorBits >= 24 ? 8 : 5;
    const int stencils[] = {f.stencilBits, 8, 0};
    for (int stencil : stencils) {
        if (stencil > f.stencilBits)
            continue;
        const EGLint attributes[] = {EGL_SURFACE_TYPE, surfaceType, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE, channel, EGL_GREEN_SIZE, channel, EGL_BLUE_SIZE, channel,
                                     EGL_ALPHA_SIZE, opaque ? 0 : 8, EGL_DEPTH_SIZE, f.depthBits,
                                     EGL_STENCIL_SIZE, stencil, EGL_NONE};
        EGLConfig found[64];
        EGLint n = 0;
        if (!eglChooseConfig(d, attributes, found, opaque ? 64 : 1, &n) || n <= 0)
            continue;
        *config = found[0];
        for (EGLint i = 0; opaque && i < n; ++i) {
            EGLint alpha = 1;
            if (eglGetConfigAttrib(d, found[i], EGL_ALPHA_SIZE, &alpha) && alpha == 0) {
                *config = found[i];
                break;
            }
        }
        return true;
    }
    return false;
}

class FXEglSurface : public PGLSurface {
public:
    FXEglSurface(EGLDisplay d, EGLConfig c, EGLSurface s) : display(d), config(c), surface(s) {}

    void* CreateContext() override
    {
        if (!eglBindAPI(EGL_OPENGL_API))
            return nullptr;
        EGLContext c = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        return c == EGL_NO_CONTEXT ? nullptr : c;
    }
    void DeleteContext(void* context) override
    {
        if (context)
            eglDestroyContext(display, static_cast<EGLContext>(context));
    }
    bool MakeCurrent(void* context) override
    {
        // The bound API is per thread, and releasing acts on the bound API's
        // context only: bind desktop GL on whichever thread calls.
        eglBindAPI(EGL_OPENGL_API);
        if (!context)
            return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
        return eglMakeCurrent(display, surface, surface, static_cast<EGLContext>(context)) == EGL_TRUE;
    }
    void* GetProcAddress(const char* name) override
    {
        return reinterpret_cast<void*>(eglGetProcAddress(name));
    }

protected:
    EGLDisplay display;
    EGLConfig config;
    EGLSurface surface;
};
