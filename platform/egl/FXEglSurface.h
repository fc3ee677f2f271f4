// FXEglSurface: what every EGL drawing surface does alike (desktop GL
// contexts on its config, made current on its surface, the driver's
// functions). Each window system's surface adds its swap and owns the
// surface's lifetime: it destroys `surface` in its own destructor, in the
// order its window system needs.
#pragma once

#include "sys/PGLWindow.h"

#include <EGL/egl.h>

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
