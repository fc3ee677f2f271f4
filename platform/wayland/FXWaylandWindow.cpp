#include "platform/wayland/FXWaylandWindow.h"

#include "base/fxTrace.h"
#include "platform/egl/FXEglSurface.h"
#include "platform/wayland/fxWlDispatch.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// One EGL display for the process's connection, kept to the end (as the
// offscreen window's: eglTerminate under a living surface breaks it).
std::mutex localDisplayLock;
EGLDisplay localDisplay = EGL_NO_DISPLAY;
wl_display* localConnection = nullptr;

EGLDisplay localOpenDisplay(wl_display* connection)
{
    std::lock_guard<std::mutex> hold(localDisplayLock);
    if (localDisplay != EGL_NO_DISPLAY && localConnection == connection)
        return localDisplay;
    EGLDisplay d = EGL_NO_DISPLAY;
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay)
        d = getPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, connection, nullptr);
    else
        d = eglGetDisplay(reinterpret_cast<EGLNativeDisplayType>(connection));
    if (d == EGL_NO_DISPLAY || !eglInitialize(d, nullptr, nullptr)) {
        err("FXWaylandWindow: no EGL display on the Wayland connection (0x%x)\n", eglGetError());
        return EGL_NO_DISPLAY;
    }
    localDisplay = d;
    localConnection = connection;
    return d;
}

class FXWaylandSurface : public FXEglSurface {
public:
    FXWaylandSurface(FXWaylandWindow* window, wl_display* connection, wl_surface* surface, EGLDisplay d,
                     EGLConfig c, EGLSurface s)
        : FXEglSurface(d, c, s), window(window), connection(connection)
    {
        queue = wl_display_create_queue(connection);
        wrapper = static_cast<wl_surface*>(wl_proxy_create_wrapper(surface));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
    }
    ~FXWaylandSurface() override
    {
        eglDestroySurface(display, surface);
        if (callback)
            wl_callback_destroy(callback);
        wl_proxy_wrapper_destroy(wrapper);
        wl_event_queue_destroy(queue);
    }

    void SwapBuffers() override
    {
        if (window->Abandoned() || !WaitFrame())
            return;
        callback = wl_surface_frame(wrapper);
        static const wl_callback_listener listener = {[](void* data, wl_callback* cb, uint32_t) {
            auto* self = static_cast<FXWaylandSurface*>(data);
            wl_callback_destroy(cb);
            self->callback = nullptr;
        }};
        wl_callback_add_listener(callback, &listener, this);
        // The swap commits the surface, and with it the frame request.
        eglSwapBuffers(display, surface);
    }
    // The pacing is the frame callbacks': EGL's own wait for them (interval
    // 1) blocks without a limit when the surface is not shown.
    bool SetSwapInterval(int) override { return eglSwapInterval(display, 0) == EGL_TRUE; }

private:
    FXWaylandWindow* window;
    wl_display* connection;
    wl_event_queue* queue = nullptr;
    wl_surface* wrapper = nullptr;  // the surface, its new objects on queue
    wl_callback* callback = nullptr; // the frame asked for by the last swap
    bool broken = false;

    // True when the last frame's callback came: the compositor wants the
    // next. Without a limit: a surface not shown gets no callback, and its
    // thread sleeps here until it is shown again or abandoned.
    bool WaitFrame()
    {
        while (callback && !broken && !window->Abandoned()) {
            if (fxWlDispatch(connection, queue, -1, window->WakeFd()) < 0)
                broken = true;
        }
        if (broken) {
            // The host ends the show; until then this thread idles.
            window->Abandon();
            return false;
        }
        return !callback;
    }
};

} // namespace

bool FXWaylandWindow::Create(wl_display* connection, wl_surface* s, int w, int h)
{
    Destroy();
    if (w <= 0 || h <= 0)
        return false;
    wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        err("FXWaylandWindow: no eventfd (%d)\n", errno);
        return false;
    }
    egl = wl_egl_window_create(s, w, h);
    if (!egl) {
        Destroy();
        return false;
    }
    display = connection;
    surface = s;
    width = w;
    height = h;
    abandoned = false;
    return true;
}

void FXWaylandWindow::Abandon()
{
    abandoned = true;
    if (wake >= 0) {
        uint64_t one = 1;
        (void)!write(wake, &one, sizeof one);
    }
}

void FXWaylandWindow::Destroy()
{
    if (egl)
        wl_egl_window_destroy(egl);
    egl = nullptr;
    if (wake >= 0)
        close(wake);
    wake = -1;
    display = nullptr;
    surface = nullptr;
    width = height = 0;
}

PGLSurface* FXWaylandWindow::CreateSurface(const FXGLPixelFormat& format)
{
    if (!egl)
        return nullptr;
    EGLDisplay d = localOpenDisplay(display);
    EGLConfig config;
    if (d == EGL_NO_DISPLAY || !fxEglChooseConfig(d, format, EGL_WINDOW_BIT, true, &config))
        return nullptr;
    EGLSurface s = eglCreateWindowSurface(d, config, reinterpret_cast<EGLNativeWindowType>(egl), nullptr);
    if (s == EGL_NO_SURFACE) {
        err("FXWaylandWindow: eglCreateWindowSurface failed (0x%x)\n", eglGetError());
        return nullptr;
    }
    return new FXWaylandSurface(this, display, surface, d, config, s);
}
