// The desktop picture of an X11 saver run: the `desktop` setting (the
// command line's over the configuration file's key desktop) and, for a
// hack, xscreensaver's preferences in $HOME/.xscreensaver, decided by
// fxChooseDesktopCapture over this display's capture.
#pragma once

#include "host/FXSaverSession.h"
#include "host/fxMonitorLayout.h"
#include "sys/PScreenCapture.h"

#include <X11/Xlib.h>

#include <memory>
#include <string>

// The configuration file's setting; capture when the key is not there. A
// value that cannot be read gives the built-in picture (whoever wrote one
// meant to change the default), with the reason in *why.
FXDesktopSetting fxSaverDesktopSetting(std::string* why);

// given: the command line's setting, null for the configuration file's.
// window: the hack's window (0 for the other modes), whose screenshot
// xscreensaver may have left. A configuration that cannot be read is said
// on stderr; the choice itself in the trace log (fxChooseDesktopCapture).
std::unique_ptr<PScreenCapture> fxX11DesktopCapture(Display* display, FXSaverSession::Mode mode, Window window,
                                                    const FXDesktopSetting* given);
