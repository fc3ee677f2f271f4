// FXX11Capture: the X screen as the saver found it: the root window read
// with XGetImage before the saver's window maps, or, under xscreensaver, the
// screenshot pixmap xscreensaver keeps in the _SCREENSAVER_SCREENSHOT
// property of the saver window. Any TrueColor depth and channel layout is
// turned into the display order the canvas expects.
#pragma once

#include "render/FXCaptureBuffer.h"

#include <X11/Xlib.h>


class FXX11Capture : public FXCaptureBuffer {
public:
    // window: the saver's window, whose screenshot property is looked at
    // first (0: the root window only).
    FXX11Capture(Display* display, Window window) : display(display), window(window) {}

    bool Begin(int* width, int* height, const char** failure) override;

private:
    Display* display;
    Window window;
    int w = 0, h = 0;
};
