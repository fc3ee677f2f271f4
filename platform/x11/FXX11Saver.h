// FXX11Saver: the saver on X11: the saver window for each run mode and the
// event loop, which hands keys, the pointer, buttons, the wheel, focus loss,
// close requests and the window's going to the saver's session and does
// what it answers. The rules are the session's.
//
// Full screen covers the whole root with one black window and a child of it
// over each viewport of the monitor layout, each child a show of its own;
// input reaches the covering window from all of them. A hack draws one show
// into the window it is given, with that window's part of the desktop.
#pragma once

#include "host/FXSaverSession.h"
#include "host/FXShowSet.h"
#include "platform/x11/FXX11Monitors.h"
#include "platform/posix/FXEndWatchdog.h"
#include "platform/x11/FXGlxWindow.h"
#include "platform/x11/FXX11Capture.h"

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

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
    // The monitors setting of the command line, which wins over the
    // configuration file's; full screen and the hack only.
    void SetMonitorMode(FXMonitorMode mode)
    {
        monitorMode = mode;
        monitorModeGiven = true;
    }
    // The self-install without a display: the configuration file and the
    // line for xscreensaver's programs list. The exit status.
    int Install();

    // The shows of a full-screen or hack run: an FXShowSet's unless replaced
    // (tests, with shows that draw nothing); nulls put it back. end answers
    // as FXShowSet::Destroy does.
    using ShowsStart = void (*)(const FXMonitorLayout& layout, const std::vector<void*>& windows,
                                PScreenCapture* desktop);
    using ShowsEnd = bool (*)();
    static void SetShows(ShowsStart start, ShowsEnd end);

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
    FXMonitorMode monitorMode = FXMonitorMode::each;
    bool monitorModeGiven = false;
    FXX11Monitors monitors;
    bool watching = false; // full screen follows the monitors' changes
    FXMonitorLayout layout; // in the saver's window
    std::vector<Window> views; // the window under each viewport
    std::vector<std::unique_ptr<FXGlxWindow>> viewGlx;
    FXShowSet shows;
    bool showsStarted = false;
    Atom protocols = None, deleteWindow = None;
    std::string folderNote; // where the install folder came from, for the trace log
    bool destroyRequested = false;

    bool MakeWindow(unsigned long target);
    void MakeViews(XVisualInfo* vi, Colormap colormap);
    void LayOutHack(int pictureWidth, int pictureHeight);
    void StartShows();
    bool EndShows();
    void FollowRoot();
    void PaintBlack();
    void Grab();
    void Translate(const XEvent& e);
    void Close();
};
