// FXGlxWindow: an X window for the device, drawn through GLX. The window may
// be the saver's own (made with ChooseVisual's visual) or a foreign one (the
// preview's parent's child, an xscreensaver window): its own visual decides,
// and a visual without double-buffered RGBA GL gives no surface.
#pragma once

#include "sys/PGLWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

class FXGlxWindow : public PGLWindow {
public:
    FXGlxWindow(Display* display, Window window) : display(display), window(window) {}

    // A double-buffered RGBA visual with the format's depth and, where
    // offered, its stencil (then 8 bits, then none). Null when none; XFree it.
    static XVisualInfo* ChooseVisual(Display* display, int screen, const FXGLPixelFormat& format);

    void GetClientSize(int* w, int* h) override;
    void GetScreenSize(int* w, int* h) override;
    PGLSurface* CreateSurface(const FXGLPixelFormat& format) override;
    void ReleaseSurface(PGLSurface* surface) override;
    void GetRectInParent(FXRect* rect) override;
    void* SetParent(void* parent) override;
    void Move(int left, int top, int w, int h) override;

    Display* display;
    Window window;
    // The window is one monitor's (or the span of several): its own size
    // is the screen size the show places its notices by.
    bool monitorSized = false;
};
