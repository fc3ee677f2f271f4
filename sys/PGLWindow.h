// The GL binding of a window system, in the shape the device uses: a window
// (what FXGL::CreateChild is given) hands out a surface with the requested
// pixel format; on that surface contexts are created, made current on the
// calling thread, and presented. One implementation per backend: egl/
// (offscreen), x11/ (GLX), win32/ (WGL). The device never learns which.
#pragma once

class FXRect;

struct FXGLPixelFormat {
    int colorBits = 24;
    int depthBits = 16;
    int stencilBits = 16; // a minimum where offered; less is accepted
    bool doubleBuffer = true;
};

// A drawable with its pixel format chosen (WGL's device context).
class PGLSurface {
public:
    virtual ~PGLSurface() {}
    // A new context on this surface; null on failure.
    virtual void* CreateContext() = 0;
    virtual void DeleteContext(void* context) = 0;
    // Makes the context current on the calling thread with this surface;
    // null releases whatever is current on the calling thread.
    virtual bool MakeCurrent(void* context) = 0;
    // Presents the back buffer; nothing for a single-buffered surface.
    virtual void SwapBuffers() = 0;
    // A GL or extension entry point; null when the binding has none. A
    // context must be current.
    virtual void* GetProcAddress(const char* name) = 0;
    // Presentation waits for that many vertical blanks where offered; false
    // when the platform does not offer it. A context must be current.
    virtual bool SetSwapInterval(int interval) = 0;
};

class PGLWindow {
public:
    virtual ~PGLWindow() {}
    // The client size in pixels.
    virtual void GetClientSize(int* width, int* height) = 0;
    // The screen's size; an offscreen window is its own screen.
    virtual void GetScreenSize(int* width, int* height) = 0;
    // The window's surface with the format; null when none matches.
    virtual PGLSurface* CreateSurface(const FXGLPixelFormat& format) = 0;
    virtual void ReleaseSurface(PGLSurface* surface) = 0;
    // For Enlarge: the place in the parent window, detaching from and
    // reattaching to a parent (null: the desktop), and moving. A window that
    // cannot move (offscreen) keeps its place and size.
    virtual void GetRectInParent(FXRect* rect) = 0;
    virtual void* SetParent(void* parent) = 0; // the former parent
    virtual void Move(int left, int top, int width, int height) = 0;
};
