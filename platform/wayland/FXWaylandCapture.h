// FXWaylandCapture: one output's picture, copied through the compositor's
// screencopy (a wl_shm buffer in the format it offers, y-inverted or not)
// when Take is called, before the saver's surface maps on that output, and
// handed out by Begin in the capture's order.
#pragma once

#include "sys/FXCaptureBuffer.h"

#include <string>
#include <vector>

struct wl_display;
struct wl_shm;
struct wl_output;
struct zwlr_screencopy_manager_v1;

class FXWaylandCapture : public FXCaptureBuffer {
public:
    // Copies output now, dispatching the default queue of display (the
    // calling thread must be the one that does) for at most two seconds.
    // False with why; Begin then fails with it too.
    bool Take(wl_display* display, wl_shm* shm, zwlr_screencopy_manager_v1* manager, wl_output* output,
              std::string* why);

    bool Begin(int* width, int* height, std::string* why) override;

private:
    int width = 0, height = 0;
    std::vector<unsigned char> picture;
    std::string problem;
};
