#include "platform/wayland/FXWaylandCapture.h"

#include "platform/wayland/fxShmPixels.h"
#include "platform/wayland/fxWlDispatch.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// What one frame's events tell.
struct LocalFrame {
    wl_shm* shm = nullptr;
    zwlr_screencopy_frame_v1* frame = nullptr;
    bool offered = false, copying = false, done = false, ready = false, yInvert = false;
    uint32_t format = 0, width = 0, height = 0, stride = 0;
    int fd = -1;
    void* map = MAP_FAILED;
    size_t size = 0;
    wl_buffer* buffer = nullptr;
    std::string why;

    ~LocalFrame()
    {
        if (buffer)
            wl_buffer_destroy(buffer);
        if (map != MAP_FAILED)
            munmap(map, size);
        if (fd >= 0)
            close(fd);
        if (frame)
            zwlr_screencopy_frame_v1_destroy(frame);
    }

    // Called once every offer is in: a wl_shm buffer of the offered shape.
    void Copy()
    {
        if (copying || done)
            return;
        copying = true;
        char text[96];
        if (!offered) {
            why = "the compositor offers no wl_shm buffer for the copy";
        } else if (!fxShmFormatKnown(format)) {
            std::snprintf(text, sizeof text, "the compositor copies in the format 0x%08x, which is not read here",
                          format);
            why = text;
        } else if (width == 0 || height == 0 || stride < width) {
            why = "the compositor offers an empty copy";
        } else {
            size = static_cast<size_t>(stride) * height;
            fd = memfd_create("lumenwhirl-screencopy", MFD_CLOEXEC);
            if (fd >= 0 && ftruncate(fd, static_cast<off_t>(size)) == 0)
                map = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (map == MAP_FAILED) {
                why = "no shared memory for the copy";
            } else {
                wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(size));
                buffer = wl_shm_pool_create_buffer(pool, 0, static_cast<int32_t>(width), static_cast<int32_t>(height),
                                                   static_cast<int32_t>(stride), format);
                wl_shm_pool_destroy(pool);
                zwlr_screencopy_frame_v1_copy(frame, buffer);
                return;
            }
        }
        done = true;
    }
};

const zwlr_screencopy_frame_v1_listener localListener = {
    [](void* data, zwlr_screencopy_frame_v1* frame, uint32_t format, uint32_t w, uint32_t h, uint32_t stride) {
        auto* f = static_cast<LocalFrame*>(data);
        if (!f->offered) {
            f->offered = true;
            f->format = format;
            f->width = w;
            f->height = h;
            f->stride = stride;
        }
        // Before version 3 the one wl_shm offer is all there is.
        if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(frame)) < 3)
            f->Copy();
    },
    [](void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
        static_cast<LocalFrame*>(data)->yInvert = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
    },
    [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
        auto* f = static_cast<LocalFrame*>(data);
        f->ready = f->done = true;
    },
    [](void* data, zwlr_screencopy_frame_v1*) {
        auto* f = static_cast<LocalFrame*>(data);
        f->why = "the compositor failed to copy the output";
        f->done = true;
    },
    [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    [](void* data, zwlr_screencopy_frame_v1*) { static_cast<LocalFrame*>(data)->Copy(); },
};

} // namespace

bool FXWaylandCapture::Take(wl_display* display, wl_shm* shm, zwlr_screencopy_manager_v1* manager, wl_output* output,
                            std::string* why)
{
    picture.clear();
    width = height = 0;
    problem.clear();
    LocalFrame f;
    f.shm = shm;
    f.frame = zwlr_screencopy_manager_v1_capture_output(manager, 0, output);
    zwlr_screencopy_frame_v1_add_listener(f.frame, &localListener, &f);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!f.done) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            f.why = "the compositor sent no copy in time";
            break;
        }
        if (fxWlDispatch(display, nullptr, static_cast<int>(left.count())) < 0) {
            f.why = "the connection to the compositor broke during the copy";
            break;
        }
    }
    if (f.ready) {
        picture.resize(static_cast<size_t>(f.width) * f.height * 4);
        fxShmToBgrx(f.format, static_cast<const unsigned char*>(f.map), static_cast<int>(f.width),
                    static_cast<int>(f.height), static_cast<int>(f.stride), f.yInvert, picture.data());
        width = static_cast<int>(f.width);
        height = static_cast<int>(f.height);
        return true;
    }
    problem = "screencopy: " + f.why;
    *why = problem;
    return false;
}

bool FXWaylandCapture::Begin(int* w, int* h, std::string* why)
{
    if (picture.empty()) {
        *why = problem.empty() ? std::string("screencopy: nothing copied") : problem;
        return false;
    }
    copy = picture;
    copyWidth = width;
    *w = width;
    *h = height;
    return true;
}
