// FXX11PowerWatch: tells the process's frame pacer, from the X11 host's
// event loop, whether the display is on (the DPMS extension's power level)
// and whether the machine runs on battery (the power-supply folder). It
// only asks: the server's screen-saver and DPMS timers are never touched,
// so the display still goes to sleep when its time comes.
//
// A server without DPMS, or with DPMS disabled, keeps its display on: the
// saver then draws throughout (Xvfb and Xorg's dummy driver have no DPMS).
#pragma once

#include "platform/posix/FXPowerSupplyWatch.h"

#include <X11/Xlib.h>

class FXFramePacer;

class FXX11PowerWatch {
public:
    // How often the display is asked: a DPMS query is a round trip to the
    // server.
    static constexpr double kDisplaySeconds = 0.5;

    FXX11PowerWatch() = default;
    ~FXX11PowerWatch() { Destroy(); }
    FXX11PowerWatch(const FXX11PowerWatch&) = delete;
    FXX11PowerWatch& operator=(const FXX11PowerWatch&) = delete;

    // Watches display for pacer; the first Poll asks both at once.
    void Create(Display* display, FXFramePacer* pacer);
    // Leaves the display on in the pacer: a later show draws.
    void Destroy();
    // Asks what is due at time now (fxGetTime seconds).
    void Poll(double now);

    // The DPMS power level says the monitors are on; true without DPMS.
    static bool DisplayOn(Display* display);

private:
    Display* display = nullptr;
    FXFramePacer* pacer = nullptr;
    bool dpms = false;
    FXPowerSupplyWatch supply;
    double nextDisplay = 0;
};
