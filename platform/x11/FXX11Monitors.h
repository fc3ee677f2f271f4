// FXX11Monitors: the monitors of an X screen as rectangles of its root:
// RandR 1.5's monitors (which follow `xrandr --setmonitor` and the outputs'
// layout), else Xinerama's heads, else the whole screen as one monitor, so
// the list is never empty. Built with whichever of the two extensions'
// libraries the build found; a server without the extension falls through.
#pragma once

#include "host/fxMonitorLayout.h"

#include <X11/Xlib.h>

#include <vector>

class FXX11Monitors {
public:
    enum Source { kNone, kRandr, kXinerama, kScreen };

    FXX11Monitors() {}
    ~FXX11Monitors() { Destroy(); }
    FXX11Monitors(const FXX11Monitors&) = delete;
    FXX11Monitors& operator=(const FXX11Monitors&) = delete;

    // Reads the monitors of display's screen anew; false only without a
    // display or screen. What WatchChanges asked for stays.
    bool Load(Display* display, int screen);
    // Empties the list and forgets the watched root (its selection stays
    // with the server, as it does not belong to this object alone).
    void Destroy();

    // Asks for the events that follow a change of the screen's monitors:
    // the root's ConfigureNotify, which the server sends for a monitor set
    // or deleted, and RandR's screen change for outputs and screen size.
    // Keeps the root's other selected events. False when the server has no
    // RandR, whose monitors then cannot change.
    bool WatchChanges(Display* display, int screen);
    // True for one of those events; then Load again. Hands the event to
    // Xlib first, so its idea of the screen size follows.
    bool IsChange(Display* display, XEvent* event);

    std::vector<FXMonitor> monitors;
    Source source = kNone;
    // Which ways Load may try, for tests of the fall-backs.
    bool useRandr = true;
    bool useXinerama = true;

private:
    Window watched = 0; // the root WatchChanges selected on
    bool LoadRandr(Display* display, int screen);
    bool LoadXinerama(Display* display, int screen);
};
