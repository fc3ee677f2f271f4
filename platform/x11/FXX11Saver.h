// FXX11Saver: the screen-saver library's part on X11: the saver window for
// each run mode, the event loop, and the default input handling that turns
// pointer movement, buttons and focus loss into close requests. The show's
// own decisions stay in ScreenSaverProc.
#pragma once

#include "host/ScreenSaverProc.h"
#include "platform/posix/FXEndWatchdog.h"
#include "platform/x11/FXGlxWindow.h"
#include "platform/x11/FXX11Capture.h"

#include <X11/Xlib.h>

#include <memory>
#include <string>

class FXX11Saver : public PSaverHost {
public:
    enum Mode {
        kFullScreen, // -s: covers the root window, input grabbed, close rules
        kPreview,    // -p ID: inside the window ID, ends with it
        kWindow,     // no switch: a normal window
        kHack,       // -root, -window-id, XSCREENSAVER_WINDOW: draws into a given window, ends on a signal
    };

    FXX11Saver(const std::string& commandLine, const char* argv0) : commandLine(commandLine), argv0(argv0) {}
    ~FXX11Saver() override;

    // Runs the saver until its window closes; the process's exit status.
    // target: the preview's parent or the hack's window (0: the root window).
    int Run(Mode mode, unsigned long target);
    // The self-install without a display: the configuration file and the
    // line for xscreensaver's programs list. The exit status.
    int Install();

    const char* CommandLine() override { return commandLine.c_str(); }
    void DestroyWindow(void* window) override;
    void ValidateRect(void*) override {}
    long DefScreenSaverProc(void* window, unsigned message, uintptr_t wParam, intptr_t lParam) override;
    void ReadConfig(char* path, int size) override;
    void Register(void* window) override;
    void* SceneWindow(void*) override { return glx.get(); }

private:
    // First, so that it outlives everything an end may wait on.
    FXEndWatchdog watchdog;
    std::string commandLine;
    const char* argv0;
    Mode mode = kWindow;
    Display* display = nullptr;
    Window window = 0;
    bool ownWindow = false;
    std::unique_ptr<FXGlxWindow> glx;
    std::unique_ptr<FXX11Capture> capture;
    Atom deleteWindow = None;
    std::string folderNote; // where the install folder came from, for the trace log
    bool destroyRequested = false;
    bool haveOrigin = false;
    int originX = 0, originY = 0;

    bool MakeWindow(unsigned long target);
    void Grab();
    void Translate(const XEvent& e);
    void Close();
};
