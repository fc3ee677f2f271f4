// Where the show goes on a desk of several monitors. The window system
// gives its monitors as rectangles of the virtual screen (origins may be
// negative, a mirrored monitor lies inside another); fxLayoutMonitors turns
// them and the `monitors` setting into the viewports of one saver window,
// each with the part of the captured desktop it lays on its sheet, and the
// parts of the window no viewport covers, which stay black. Pure logic:
// the hosts enumerate, this decides. Every rectangle is in physical pixels
// with y growing downwards.
#pragma once

#include "base/FXRect.h"

#include <string>
#include <vector>

struct FXMonitor {
    FXRect rect;  // in virtual-screen coordinates
    bool primary; // the window system's primary monitor
};

struct FXViewport {
    FXRect rect;   // in the window: 0,0 is the window's top-left pixel
    FXRect source; // in the desktop picture; empty where it does not reach
    bool primary;  // shows the primary monitor (or holds it, when spanning)
};

struct FXMonitorLayout {
    std::vector<FXViewport> viewports; // left to right, then top to bottom
    std::vector<FXRect> black;         // in the window; disjoint, none empty
};

// each: a viewport per monitor; span: one over all of them; primary: one on
// the primary monitor and every other one black.
enum class FXMonitorMode { each, span, primary };

// What the sheet carries: the desktop as captured, a picture file the user
// named, or the built-in picture.
enum class FXDesktopSource { capture, picture, none };

struct FXDesktopSetting {
    FXDesktopSource source = FXDesktopSource::capture;
    std::string file; // the picture, for FXDesktopSource::picture
};

// monitors: the window system's list. window: the saver window's rectangle
// and desktop: the rectangle the desktop picture was taken of, both in
// virtual-screen coordinates. Monitors are clipped to the window; those
// that overlap (mirrored, duplicated) share one viewport over their
// bounding box. No monitor on the window (an empty list included) makes the
// whole window one primary monitor. When no monitor is marked primary the
// first one listed is; a window off the primary monitor (xscreensaver runs
// one hack per monitor) is all black in primary mode. The viewports and the
// black parts tile the window.
FXMonitorLayout fxLayoutMonitors(const std::vector<FXMonitor>& monitors, const FXRect& window,
                                 const FXRect& desktop, FXMonitorMode mode);

// The setting's text: "each", "span" or "primary", in any case, blanks
// around ignored; empty or null gives each. Anything else: false with why
// set, and *mode each.
bool fxParseMonitorMode(const char* text, FXMonitorMode* mode, std::string* why);

// "capture", "none" or "picture FILE" (the file is the rest of the text,
// blanks around it ignored, so it may hold blanks itself); keywords in any
// case; empty or null gives capture. Anything else, "picture" without a
// file included: false with why set, and *setting capture.
bool fxParseDesktopSetting(const char* text, FXDesktopSetting* setting, std::string* why);
