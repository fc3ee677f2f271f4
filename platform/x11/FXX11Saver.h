// FXX11Saver: the saver on X11: the saver window for each run mode and the
// event loop, which hands keys, the pointer, buttons, the wheel, focus loss,
// close requests and the window's going to the saver's session and does
// what it answers. The rules are the session's.
#pragma once

#include "host/FXSaverSession.h"
#include "host/fxMonitorLayout.h"
#include "platform/posix/FXEndWatchdog.h"
#include "platform/x11/FXGlxWindow.h"
#include "platform/x11/FXX11Capture.h"

#include <X11/Xlib.h>

#include <memory>
#include <string>

class FXX11Saver {
public:
    using Mode = FXSaverSession::Mode;
    // -s: covers the root window, input grabbed
    static constexpr Mode kFullScreen = FXSaverSession::kFullScreen;
    // -p ID: inside the window ID, ends with it
    static constexpr Mode kPreview = FXSaverSession::kPreview;
    // no switch: a normal window
    static constexpr Mode kWindow = FXSaverSession::kWindow;
    // -root, -window-id, XSCREENSAVER_WINDOW: draws into a given window, ends on a signal
    static constexpr Mode kHack = FXSaverSession::kHack;

    explicit FXX11Saver(const char* argv0) : argv0(argv0) {}
    ~FXX11Saver();

    // Runs the saver until its window closes; the process's exit status.
    // target: the preview's parent or the hack's window (0: the root window).
    int Run(Mode mode, unsigned long target);
    // The self-install without a display: the configuration file and the
    // line for xscreensaver's programs list. The exit status.
    int Install();

    // --desktop, when given; otherwise the configuration file's key decides.
    bool desktopGiven = false;
    FXDesktopSetting desktop;

private:
    // First, so that it outlives everything an end may wait on.
    FXEndWatchdog watchdog;
    const char* argv0;
    FXSaverSession session;
    Display* display = nullptr;
    Window window = 0;
    bool ownWindow = false;
    std::unique_ptr<FXGlxWindow> glx;
    std::unique_ptr<PScreenCapture> capture;
    Atom protocols = None, deleteWindow = None;
    std::string folderNote; // where the install folder came from, for the trace log
    bool destroyRequested = false;

    bool MakeWindow(unsigned long target);
    void Grab();
    void Translate(const XEvent& e);
    void Close();
};
