// One round of a Wayland event queue for a thread that must not block for
// ever: reads what the compositor sent (sharing the connection with the
// other threads' queues) and dispatches queue's events.
#pragma once

#include <wayland-client.h>

// queue: null for the display's default queue. Waits at most timeoutMs
// (-1: no limit) for events, or until wakeFd (when not -1) is readable.
// 1 when events were dispatched, 0 when none came in time (or a signal or
// the wake came), -1 when the connection is broken.
int fxWlDispatch(wl_display* display, wl_event_queue* queue, int timeoutMs, int wakeFd = -1);
