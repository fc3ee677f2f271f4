#include "platform/wayland/FXWaylandSaver.h"

#include "base/fxTime.h"
#include "base/fxTrace.h"
#include "host/fxProbePackage.h"
#include "host/FXPictureCapture.h"
#include "platform/posix/fxSaverConfig.h"
#include "platform/wayland/FXWaylandCapture.h"
#include "platform/wayland/FXWaylandWindow.h"
#include "platform/wayland/fxWlDispatch.h"
#include "render/FXFramePacer.h"
#include "show/Scene.h"
#include "show/fxHostState.h"
#include "sys/PScreenCapture.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A saver told to end, or whose compositor went, is gone within this.
const double kEndSeconds = 1.5;

void localSay(const char* text)
{
    err("%s\n", text);
    std::fprintf(stderr, "%s\n", text);
}

template <class T>
T* localBind(wl_registry* r, uint32_t name, const wl_interface* interface, uint32_t offered, uint32_t wanted)
{
    return static_cast<T*>(wl_registry_bind(r, name, interface, std::min(offered, wanted)));
}

} // namespace

struct FXWaylandSaver::Output {
    FXWaylandSaver* saver = nullptr;
    uint32_t name = 0;
    wl_output* output = nullptr;
    zxdg_output_v1* xdg = nullptr;
    std::string label;
    int scale = 1;
    int x = 0, y = 0;      // logical position in the compositor's space
    bool described = false; // the first wl_output.done came
    bool gone = false;      // the output's global was removed
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    uint32_t width = 0, height = 0; // logical, from the configure
    bool configured = false;
    bool closed = false; // the compositor will not show the surface again
    std::unique_ptr<PScreenCapture> capture;
    wl_buffer* black = nullptr; // the surface's picture when it has no show
    std::unique_ptr<FXWaylandWindow> window;
    std::unique_ptr<Scene> show;

    ~Output()
    {
        if (xdg)
            zxdg_output_v1_destroy(xdg);
        if (output) {
            if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
                wl_output_release(output);
            else
                wl_output_destroy(output);
        }
    }
};

FXWaylandSaver::FXWaylandSaver(const char* argv0) : argv0(argv0) {}

void FXWaylandSaver::Note(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (tracing)
        trc("%s", text);
    else
        early.push_back(text);
}

FXWaylandSaver::~FXWaylandSaver()
{
    if (!display)
        return;
    EndShows();
    outputs.clear();
    if (idleNotification)
        ext_idle_notification_v1_destroy(idleNotification);
    if (kdeIdleTimeout)
        org_kde_kwin_idle_timeout_release(kdeIdleTimeout);
    SeatCapabilities(0);
    wl_display_disconnect(display);
}

void FXWaylandSaver::Global(uint32_t name, const char* interface, uint32_t version)
{
    if (std::strcmp(interface, wl_compositor_interface.name) == 0)
        compositor = localBind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    else if (std::strcmp(interface, wl_shm_interface.name) == 0)
        shm = localBind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    else if (std::strcmp(interface, wl_output_interface.name) == 0)
        AddOutput(name, version);
    else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !seat) {
        seat = localBind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
        static wl_seat_listener listener = {};
        listener.capabilities = [](void* data, wl_seat*, uint32_t caps) {
            static_cast<FXWaylandSaver*>(data)->SeatCapabilities(caps);
        };
        listener.name = [](void*, wl_seat*, const char*) {};
        wl_seat_add_listener(seat, &listener, this);
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0)
        layerShell = localBind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 3);
    else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0)
        screencopy =
            localBind<zwlr_screencopy_manager_v1>(registry, name, &zwlr_screencopy_manager_v1_interface, version, 3);
    else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        xdgOutputs = localBind<zxdg_output_manager_v1>(registry, name, &zxdg_output_manager_v1_interface, version, 2);
        for (auto& o : outputs)
            WatchXdgOutput(o.get());
    } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
        idleNotifier = localBind<ext_idle_notifier_v1>(registry, name, &ext_idle_notifier_v1_interface, version, 1);
    else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
        kdeIdle = localBind<org_kde_kwin_idle>(registry, name, &org_kde_kwin_idle_interface, version, 1);
}

void FXWaylandSaver::GlobalRemove(uint32_t name)
{
    for (auto& o : outputs)
        if (o->name == name)
            o->gone = true;
}

void FXWaylandSaver::AddOutput(uint32_t name, uint32_t version)
{
    auto o = std::make_unique<Output>();
    o->saver = this;
    o->name = name;
    o->output = localBind<wl_output>(registry, name, &wl_output_interface, version, 3);
    static wl_output_listener listener = {};
    listener.geometry = [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                           int32_t) {};
    listener.mode = [](void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {};
    listener.done = [](void* data, wl_output*) { static_cast<Output*>(data)->described = true; };
    listener.scale = [](void* data, wl_output*, int32_t factor) {
        static_cast<Output*>(data)->scale = factor > 0 ? factor : 1;
    };
    wl_output_add_listener(o->output, &listener, o.get());
    // Version 1 outputs send no done: described as soon as bound.
    if (wl_output_get_version(o->output) < WL_OUTPUT_DONE_SINCE_VERSION)
        o->described = true;
    WatchXdgOutput(o.get());
    outputs.push_back(std::move(o));
}

void FXWaylandSaver::WatchXdgOutput(Output* o)
{
    if (!xdgOutputs || o->xdg)
        return;
    o->xdg = zxdg_output_manager_v1_get_xdg_output(xdgOutputs, o->output);
    static zxdg_output_v1_listener listener = {};
    listener.logical_position = [](void* data, zxdg_output_v1*, int32_t x, int32_t y) {
        auto* out = static_cast<Output*>(data);
        out->x = x;
        out->y = y;
    };
    listener.logical_size = [](void*, zxdg_output_v1*, int32_t, int32_t) {};
    listener.done = [](void*, zxdg_output_v1*) {};
    listener.name = [](void* data, zxdg_output_v1*, const char* name) { static_cast<Output*>(data)->label = name; };
    listener.description = [](void*, zxdg_output_v1*, const char*) {};
    zxdg_output_v1_add_listener(o->xdg, &listener, o);
}

FXWaylandSaver::Output* FXWaylandSaver::OutputOf(const void* surface)
{
    for (auto& o : outputs)
        if (surface && o->surface == surface)
            return o.get();
    return nullptr;
}

void FXWaylandSaver::Input(const FXSaverInput& in)
{
    if (showing && session.Take(in) != FXSaverSession::kNothing)
        closeRequested = true;
}

void FXWaylandSaver::SeatCapabilities(uint32_t caps)
{
    // A device that goes (a virtual keyboard ending) takes its object along;
    // the next one that comes gets a new one.
    if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard) {
        if (wl_keyboard_get_version(keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
            wl_keyboard_release(keyboard);
        else
            wl_keyboard_destroy(keyboard);
        keyboard = nullptr;
    }
    if (!(caps & WL_SEAT_CAPABILITY_POINTER) && pointer) {
        if (wl_pointer_get_version(pointer) >= WL_POINTER_RELEASE_SINCE_VERSION)
            wl_pointer_release(pointer);
        else
            wl_pointer_destroy(pointer);
        pointer = nullptr;
        pointerOutput = nullptr;
    }
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard) {
        keyboard = wl_seat_get_keyboard(seat);
        static wl_keyboard_listener listener = {};
        listener.keymap = [](void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); };
        listener.enter = [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {};
        listener.leave = [](void*, wl_keyboard*, uint32_t, wl_surface*) {};
        // Presses and releases alike, as on the other window systems (a
        // keyboard that comes during the show may see its first press
        // before the focus, and only the release on the saver).
        listener.key = [](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {
            static_cast<FXWaylandSaver*>(data)->Input(FXSaverInput::Key());
        };
        listener.modifiers = [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {};
        listener.repeat_info = [](void*, wl_keyboard*, int32_t, int32_t) {};
        wl_keyboard_add_listener(keyboard, &listener, this);
        // A keyboard that comes while the saver has the focus is not told
        // so by every compositor (sway 1.7 tells only windows): taking the
        // keyboard again hands it the focus.
        for (auto& o : outputs) {
            if (!o->layer || !o->configured)
                continue;
            zwlr_layer_surface_v1_set_keyboard_interactivity(o->layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
            wl_surface_commit(o->surface);
            zwlr_layer_surface_v1_set_keyboard_interactivity(o->layer,
                                                             ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
            wl_surface_commit(o->surface);
        }
    }
    if ((caps & WL_SEAT_CAPABILITY_POINTER) && !pointer) {
        pointer = wl_seat_get_pointer(seat);
        static wl_pointer_listener listener = {};
        // Pointer positions are the compositor's logical space: the output's
        // place plus the position on its surface.
        listener.enter = [](void* data, wl_pointer* p, uint32_t serial, wl_surface* s, wl_fixed_t sx, wl_fixed_t sy) {
            auto* self = static_cast<FXWaylandSaver*>(data);
            wl_pointer_set_cursor(p, serial, nullptr, 0, 0);
            self->pointerOutput = self->OutputOf(s);
            if (Output* o = self->pointerOutput)
                self->Input(FXSaverInput::Pointer(o->x + wl_fixed_to_int(sx), o->y + wl_fixed_to_int(sy)));
        };
        listener.leave = [](void* data, wl_pointer*, uint32_t, wl_surface*) {
            static_cast<FXWaylandSaver*>(data)->pointerOutput = nullptr;
        };
        listener.motion = [](void* data, wl_pointer*, uint32_t, wl_fixed_t sx, wl_fixed_t sy) {
            auto* self = static_cast<FXWaylandSaver*>(data);
            if (Output* o = self->pointerOutput)
                self->Input(FXSaverInput::Pointer(o->x + wl_fixed_to_int(sx), o->y + wl_fixed_to_int(sy)));
        };
        listener.button = [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
            if (state != WL_POINTER_BUTTON_STATE_PRESSED)
                return;
            int number = button == BTN_LEFT ? 1 : button == BTN_MIDDLE ? 2 : button == BTN_RIGHT ? 3
                                                                                          : 4 + static_cast<int>(button & 15);
            static_cast<FXWaylandSaver*>(data)->Input(FXSaverInput::Button(number));
        };
        listener.axis = [](void* data, wl_pointer*, uint32_t, uint32_t, wl_fixed_t value) {
            // Positive values scroll towards the user.
            static_cast<FXWaylandSaver*>(data)->Input(FXSaverInput::Wheel(value > 0 ? -1 : 1));
        };
        listener.frame = [](void*, wl_pointer*) {};
        listener.axis_source = [](void*, wl_pointer*, uint32_t) {};
        listener.axis_stop = [](void*, wl_pointer*, uint32_t, uint32_t) {};
        listener.axis_discrete = [](void*, wl_pointer*, uint32_t, int32_t) {};
        wl_pointer_add_listener(pointer, &listener, this);
    }
}

bool FXWaylandSaver::Connect()
{
    display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "lumenwhirl: cannot connect to the Wayland compositor (is WAYLAND_DISPLAY set?)\n");
        return false;
    }
    std::signal(SIGPIPE, SIG_IGN); // a dead connection is a dispatch error, not a signal
    watchdog.Create(kEndSeconds, 1, "lumenwhirl: the saver did not end in time; it ends now\n");
    watchdog.EndOnSignals();
    registry = wl_display_get_registry(display);
    static const wl_registry_listener listener = {
        [](void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
            static_cast<FXWaylandSaver*>(data)->Global(name, interface, version);
        },
        [](void* data, wl_registry*, uint32_t name) { static_cast<FXWaylandSaver*>(data)->GlobalRemove(name); },
    };
    wl_registry_add_listener(registry, &listener, this);
    // The globals, then what the bound ones tell (outputs, the seat).
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) {
        std::fprintf(stderr, "lumenwhirl: the Wayland compositor broke the connection\n");
        return false;
    }
    if (!layerShell || !compositor) {
        // Without the layer shell nothing can cover an output above the
        // desktop's own surfaces: a window would only pretend to be a saver.
        std::fprintf(stderr,
                     "lumenwhirl: the Wayland compositor offers no zwlr_layer_shell_v1 (the layer shell), which the "
                     "saver needs to cover the screen\n");
        return false;
    }
    std::string text, why;
    if (!desktopGiven) {
        fxSaverConfigValue("desktop", &text);
        if (!fxParseDesktopSetting(text.c_str(), &desktop, &why))
            err("lumenwhirl: the setting desktop: %s\n", why.c_str());
    }
    if (!monitorModeGiven && fxSaverConfigValue("monitors", &text) &&
        !fxParseMonitorMode(text.c_str(), &monitorMode, &why))
        std::fprintf(stderr, "lumenwhirl: %s in %s; each is used\n", why.c_str(), fxSaverConfigFile().c_str());
    if (monitorMode == FXMonitorMode::span) {
        Note("monitors: span is each on Wayland, where no surface spans outputs\n");
        monitorMode = FXMonitorMode::each;
    }
    power.Create(&fxFramePacer());
    std::string note;
    std::snprintf(vornPath, sizeof vornPath, "%s", fxSaverInstallFolder(argv0, &note).c_str());
    Note("%s\n", note.c_str());
    return true;
}

bool FXWaylandSaver::Blacked(const Output* o) const
{
    return monitorMode == FXMonitorMode::primary && o->name != primary;
}

void FXWaylandSaver::Capture(Output* o)
{
    o->capture.reset();
    const char* name = o->label.empty() ? "an output" : o->label.c_str();
    if (Blacked(o)) {
        // Never read: nothing shows it.
    } else if (desktop.source == FXDesktopSource::none) {
        Note("%s: the desktop setting is none: the built-in picture\n", name);
    } else if (desktop.source == FXDesktopSource::picture) {
        auto picture = std::make_unique<FXPictureCapture>();
        picture->SetFile(desktop.file.c_str());
        o->capture = std::move(picture);
    } else if (!screencopy || !shm) {
        Note("%s: the compositor offers no zwlr_screencopy_manager_v1 to copy the desktop: the built-in picture\n",
            name);
    } else {
        auto copy = std::make_unique<FXWaylandCapture>();
        std::string why;
        if (copy->Take(display, shm, screencopy, o->output, &why))
            o->capture = std::move(copy);
        else
            Note("%s: %s: the built-in picture\n", name, why.c_str());
    }
}

void FXWaylandSaver::Cover(Output* o)
{
    o->surface = wl_compositor_create_surface(compositor);
    o->layer = zwlr_layer_shell_v1_get_layer_surface(layerShell, o->surface, o->output,
                                                     ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "lumenwhirl");
    zwlr_layer_surface_v1_set_anchor(o->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                   ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                   ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(o->layer, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(o->layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(o->layer,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    static const zwlr_layer_surface_v1_listener listener = {
        [](void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t w, uint32_t h) {
            auto* out = static_cast<Output*>(data);
            zwlr_layer_surface_v1_ack_configure(layer, serial);
            out->width = w;
            out->height = h;
            out->configured = true;
        },
        [](void* data, zwlr_layer_surface_v1*) { static_cast<Output*>(data)->closed = true; },
    };
    zwlr_layer_surface_v1_add_listener(o->layer, &listener, o);
    if (wl_surface_get_version(o->surface) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION)
        wl_surface_set_buffer_scale(o->surface, o->scale);
    else
        o->scale = 1;
    wl_surface_commit(o->surface);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!o->configured && !o->closed && std::chrono::steady_clock::now() < end)
        if (fxWlDispatch(display, nullptr, 100) < 0)
            return;
    const char* name = o->label.empty() ? "an output" : o->label.c_str();
    if (!o->configured || o->width == 0 || o->height == 0) {
        err("%s: the compositor gave the saver's surface no size\n", name);
        return;
    }
    int w = static_cast<int>(o->width) * o->scale, h = static_cast<int>(o->height) * o->scale;
    if (Blacked(o)) {
        CoverBlack(o, w, h);
        return;
    }
    o->window = std::make_unique<FXWaylandWindow>();
    if (!o->window->Create(display, o->surface, w, h)) {
        err("%s: wayland-egl made no window\n", name);
        o->window.reset();
        return;
    }
    PScreenCapture* before = fxGetScreenCapture();
    fxSetScreenCapture(o->capture.get());
    o->show = std::make_unique<Scene>();
    o->show->Init(o->window.get(), false);
    fxSetScreenCapture(before);
    // The first show has opened the trace log: what came before goes in.
    for (const std::string& line : early)
        trc("%s", line.c_str());
    early.clear();
    tracing = true;
    trc("%s: a show of %d x %d pixels at %d, %d, scale %d\n", name, w, h, o->x, o->y, o->scale);
    o->capture.reset(); // taken: the show holds its own copy
}

void FXWaylandSaver::CoverBlack(Output* o, int w, int h)
{
    const char* name = o->label.empty() ? "an output" : o->label.c_str();
    // A new file's pages read as 0: XRGB8888 black, written by nobody.
    size_t size = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
    int fd = memfd_create("lumenwhirl-black", MFD_CLOEXEC);
    if (fd < 0 || size > 0x7fffffff || ftruncate(fd, static_cast<off_t>(size)) != 0 || !shm) {
        err("%s: no shared memory for a black surface\n", name);
        if (fd >= 0)
            close(fd);
        return;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(size));
    o->black = wl_shm_pool_create_buffer(pool, 0, w, h, w * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_surface_attach(o->surface, o->black, 0, 0);
    wl_surface_damage(o->surface, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_commit(o->surface);
    Note("%s: black, the show is on the primary output only\n", name);
}

void FXWaylandSaver::Uncover(Output* o)
{
    if (o->window)
        o->window->Abandon();
    if (o->show && !o->show->Destroy()) {
        localSay("lumenwhirl: a show's render thread does not stop; the saver ends");
        _exit(1);
    }
    o->show.reset();
    o->window.reset();
    if (o->black)
        wl_buffer_destroy(o->black);
    o->black = nullptr;
    if (pointerOutput == o)
        pointerOutput = nullptr;
    if (o->layer)
        zwlr_layer_surface_v1_destroy(o->layer);
    if (o->surface)
        wl_surface_destroy(o->surface);
    o->layer = nullptr;
    o->surface = nullptr;
    o->configured = false;
    o->closed = false;
    o->capture.reset();
}

void FXWaylandSaver::Tend()
{
    Tidy();
    power.Poll(fxGetTime());
}

void FXWaylandSaver::Tidy()
{
    for (size_t i = 0; i < outputs.size();) {
        Output* o = outputs[i].get();
        if (o->gone || o->closed) {
            if (o->surface)
                trc("%s: gone from the show\n", o->label.empty() ? "an output" : o->label.c_str());
            Uncover(o);
            if (o->gone) {
                outputs.erase(outputs.begin() + static_cast<long>(i));
                continue;
            }
            // Closed but still there (turned off): no surface until it comes
            // back as a new output.
            o->closed = true;
        } else if (showing && o->described && !o->surface) {
            Capture(o);
            Cover(o);
        }
        ++i;
    }
}

bool FXWaylandSaver::EndShows()
{
    // Every render thread is told first, so that they finish their frames
    // side by side, not one after the other.
    for (auto& o : outputs) {
        if (o->window)
            o->window->Abandon();
        if (o->show)
            o->show->Device().stopRequested = true;
    }
    double start = fxGetTime();
    bool stopped = true;
    for (auto& o : outputs) {
        if (o->show && !o->show->Destroy()) {
            stopped = false;
            (void)o->show.release(); // its thread may still use it
        }
    }
    if (!stopped)
        return false;
    for (auto& o : outputs) {
        bool closed = o->closed;
        Uncover(o.get());
        o->closed = closed;
    }
    if (showing)
        trc("the shows ended in %.2f s\n", fxGetTime() - start);
    showing = false;
    return true;
}

FXWaylandSaver::End FXWaylandSaver::Show()
{
    session.Create(FXSaverSession::kFullScreen);
    closeRequested = false;
    pointerOutput = nullptr;
    showing = true;
    for (auto& o : outputs)
        o->closed = false;
    // The output at the origin, else the first: Wayland names no primary.
    primary = 0;
    for (auto& o : outputs) {
        if (!o->described)
            continue;
        if (!primary)
            primary = o->name;
        if (o->x == 0 && o->y == 0) {
            primary = o->name;
            break;
        }
    }
    // Every output is copied before the first surface maps on any of them.
    for (auto& o : outputs)
        if (o->described && !o->closed)
            Capture(o.get());
    for (auto& o : outputs)
        if (o->described && !o->closed)
            Cover(o.get());
    session.Started(fxGetTime());
    bool loaded = false;
    for (auto& o : outputs)
        loaded = loaded || (o->show && o->show->PackageLoaded());
    std::string why;
    if (!loaded && !fxProbePackage(vornPath, &why))
        std::fprintf(stderr, "lumenwhirl: cannot load the package %s\n", why.c_str());
    while (!closeRequested && !FXEndWatchdog::Signalled()) {
        if (fxWlDispatch(display, nullptr, 100) < 0)
            return kLost;
        Tend();
    }
    return closeRequested ? kClosed : kSignalled;
}

int FXWaylandSaver::Finish(End end)
{
    if (end == kLost) {
        int code = wl_display_get_error(display);
        char text[160];
        std::snprintf(text, sizeof text, "lumenwhirl: the connection to the Wayland compositor is lost (%s); the "
                                         "saver ends", std::strerror(code ? code : EPIPE));
        localSay(text);
        // As on a lost X display: the render threads' objects hang on the
        // dead connection, and nothing remains to hand back to it.
        _exit(1);
    }
    watchdog.Arm();
    if (!EndShows()) {
        localSay("lumenwhirl: a show's render thread does not stop; the saver ends");
        _exit(1);
    }
    return 0;
}

int FXWaylandSaver::Run()
{
    if (!Connect())
        return 1;
    return Finish(Show());
}

int FXWaylandSaver::RunIdle(double seconds)
{
    if (!Connect())
        return 1;
    if (!seat || (!idleNotifier && !kdeIdle)) {
        std::fprintf(stderr, "lumenwhirl: the Wayland compositor offers %s, which --idle needs to see the seat idle\n",
                     seat ? "neither ext_idle_notifier_v1 nor org_kde_kwin_idle" : "no seat");
        return 1;
    }
    uint32_t ms = static_cast<uint32_t>(std::max(1.0, seconds * 1000.0));
    if (idleNotifier) {
        idleNotification = ext_idle_notifier_v1_get_idle_notification(idleNotifier, ms, seat);
        static const ext_idle_notification_v1_listener listener = {
            [](void* data, ext_idle_notification_v1*) { static_cast<FXWaylandSaver*>(data)->idle = true; },
            [](void* data, ext_idle_notification_v1*) { static_cast<FXWaylandSaver*>(data)->idle = false; },
        };
        ext_idle_notification_v1_add_listener(idleNotification, &listener, this);
    } else {
        kdeIdleTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, ms);
        static const org_kde_kwin_idle_timeout_listener listener = {
            [](void* data, org_kde_kwin_idle_timeout*) { static_cast<FXWaylandSaver*>(data)->idle = true; },
            [](void* data, org_kde_kwin_idle_timeout*) { static_cast<FXWaylandSaver*>(data)->idle = false; },
        };
        org_kde_kwin_idle_timeout_add_listener(kdeIdleTimeout, &listener, this);
    }
    Note("waiting for %g s without input (%s)\n", seconds, idleNotifier ? "ext_idle_notifier_v1" : "org_kde_kwin_idle");
    for (;;) {
        while (!idle && !FXEndWatchdog::Signalled()) {
            if (fxWlDispatch(display, nullptr, 200) < 0)
                return Finish(kLost);
            Tidy();
        }
        if (FXEndWatchdog::Signalled())
            return Finish(kSignalled);
        trc("the seat is idle: the show starts\n");
        End end = Show();
        if (end != kClosed)
            return Finish(end);
        if (!EndShows()) {
            localSay("lumenwhirl: a show's render thread does not stop; the saver ends");
            _exit(1);
        }
        // The input that closed the show has made the seat busy; the next
        // idled event starts the next show.
        idle = false;
        trc("the show ended: waiting for the seat to be idle again\n");
    }
}
