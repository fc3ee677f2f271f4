// FXX11Capture: the X screen as the saver found it: the root window read
// with XGetImage before the saver's window maps, or, under xscreensaver, the
// screenshot pixmap xscreensaver keeps in the _SCREENSAVER_SCREENSHOT
// property of the saver window. Read through shared memory where the
// server offers it; a 32-bit image already in the display order the canvas
// expects is handed out as it is, any other TrueColor depth and channel
// layout is turned into that order.
#pragma once

#include "sys/FXCaptureBuffer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

class FXX11Capture : public FXCaptureBuffer {
public:
    // window: the saver's window, whose screenshot property is looked at
    // first (0: the root window only).
    FXX11Capture(Display* display, Window window) : display(display), window(window) {}

    ~FXX11Capture() override { Release(); }
    FXX11Capture(const FXX11Capture&) = delete;
    FXX11Capture& operator=(const FXX11Capture&) = delete;

    bool Begin(int* width, int* height, std::string* why) override;
    bool Lock(const unsigned char** pixels, int* pitch, std::string* why) override;
    void End() override;

private:
    Display* display;
    Window window;
    int w = 0, h = 0;
    XImage* image = nullptr; // the picture as read, when handed out as it is
    XShmSegmentInfo shm{};
    bool shmAttached = false;

    XImage* ReadShared(Drawable source, Visual* visual, int depth);
    void Release();
};
