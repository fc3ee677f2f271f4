#include "platform/wayland/fxWlDispatch.h"

#include <cerrno>
#include <poll.h>

int fxWlDispatch(wl_display* display, wl_event_queue* queue, int timeoutMs, int wakeFd)
{
    auto pending = [&] {
        return queue ? wl_display_dispatch_queue_pending(display, queue) : wl_display_dispatch_pending(display);
    };
    // Events already queued are dispatched first: they were read by another
    // thread or came with an earlier read.
    if ((queue ? wl_display_prepare_read_queue(display, queue) : wl_display_prepare_read(display)) != 0)
        return pending() < 0 ? -1 : 1;
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display);
        return -1;
    }
    pollfd p[2] = {{wl_display_get_fd(display), POLLIN, 0}, {wakeFd, POLLIN, 0}};
    int n = poll(p, wakeFd >= 0 ? 2 : 1, timeoutMs);
    if (n > 0 && !(p[0].revents & (POLLIN | POLLHUP | POLLERR)))
        n = 0; // only the wake
    if (n <= 0) {
        wl_display_cancel_read(display);
        return n < 0 && errno != EINTR ? -1 : 0;
    }
    if (wl_display_read_events(display) < 0)
        return -1;
    return pending() < 0 ? -1 : 1;
}
