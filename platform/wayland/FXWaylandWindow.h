// FXWaylandWindow: a PGLWindow over a wl_surface the host gave a role and a
// size: desktop GL through EGL on wayland-egl, the buffer in the output's
// physical pixels. Presenting is paced by the surface's frame callbacks on
// an event queue of its own, so a surface the compositor does not show
// (its output off or covered) draws nothing: its render thread sleeps in
// the swap after one frame until the compositor asks for the next, and
// Abandon wakes it at once, so it never blocks a stop.
#pragma once

#include "platform/egl/FXEglFixedWindow.h"

#include <atomic>

struct wl_display;
struct wl_surface;
struct wl_egl_window;

class FXWaylandWindow : public FXEglFixedWindow {
public:
    FXWaylandWindow() : FXEglFixedWindow(0, 0) {}
    ~FXWaylandWindow() override { Destroy(); }
    FXWaylandWindow(const FXWaylandWindow&) = delete;
    FXWaylandWindow& operator=(const FXWaylandWindow&) = delete;

    // width x height: the buffer in physical pixels. False when wayland-egl
    // gives no window.
    bool Create(wl_display* display, wl_surface* surface, int width, int height);
    // After the surfaces made on it are released.
    void Destroy();
    // Swaps stop waiting and presenting: the render thread is about to be
    // stopped, or the connection is gone. Any thread.
    void Abandon();
    bool Abandoned() const { return abandoned.load(); }
    // Readable once abandoned: what a waiting swap polls beside the
    // connection.
    int WakeFd() const { return wake; }

    PGLSurface* CreateSurface(const FXGLPixelFormat& format) override;

private:
    wl_display* display = nullptr;
    wl_surface* surface = nullptr;
    wl_egl_window* egl = nullptr;
    int wake = -1; // an eventfd
    std::atomic<bool> abandoned{false};
};
