#include "platform/x11/FXX11Saver.h"

#include "base/fxTrace.h"
#include "show/fxHostState.h"
#include "host/fxProbePackage.h"
#include "platform/posix/fxSaverConfig.h"
#include "render/FXScrShot.h"
#include "show/Scene.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/select.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t localSignalled = 0;
std::atomic<FXEndWatchdog*> localWatchdog{nullptr};

void localOnSignal(int)
{
    localSignalled = 1;
    if (FXEndWatchdog* w = localWatchdog.load())
        w->Arm();
}

// A saver told to end is gone within a second, whatever its X server does.
const double kEndSeconds = 0.8;

// A window that went away under the render thread (the preview's parent
// closing) gives errors for its drawable: they are traced, not fatal.
int localOnXError(Display* d, XErrorEvent* e)
{
    char text[256] = {0};
    XGetErrorText(d, e->error_code, text, sizeof text - 1);
    err("X error: %s (request %d)\n", text, e->request_code);
    return 0;
}

// The display is gone (the session ended, the server went away). Xlib's own
// handler calls exit, whose destructors would wait for a render thread that
// is blocked on the dead connection: the saver ends here instead, at once.
int localOnXIOError(Display*)
{
    err("lumenwhirl: the connection to the X display is lost; the saver ends\n");
    static const char text[] = "lumenwhirl: the connection to the X display is lost; the saver ends\n";
    ssize_t written = write(STDERR_FILENO, text, sizeof text - 1);
    (void)written;
    _exit(1);
}

} // namespace

FXX11Saver::~FXX11Saver()
{
    if (localWatchdog.load() == &watchdog)
        localWatchdog = nullptr;
    fxSetSaverHost(nullptr);
    fxSetScreenCapture(nullptr);
    glx.reset();
    if (display)
        XCloseDisplay(display);
}

bool FXX11Saver::MakeWindow(unsigned long target)
{
    int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    if (mode == kHack) {
        window = target ? target : root;
        XWindowAttributes wa;
        if (!XGetWindowAttributes(display, window, &wa)) {
            std::fprintf(stderr, "lumenwhirl: there is no window 0x%lx\n", target);
            return false;
        }
        XSelectInput(display, window, StructureNotifyMask | ExposureMask);
        return true;
    }
    XVisualInfo* vi = FXGlxWindow::ChooseVisual(display, screen, FXGLPixelFormat());
    if (!vi) {
        std::fprintf(stderr, "lumenwhirl: the X display offers no OpenGL visual\n");
        return false;
    }
    Window parent = mode == kPreview ? target : root;
    int x = 0, y = 0;
    // A normal window: 1280 x 720, or less on a smaller screen.
    unsigned w = static_cast<unsigned>(std::min(1280, DisplayWidth(display, screen) * 4 / 5));
    unsigned h = static_cast<unsigned>(std::min(720, DisplayHeight(display, screen) * 4 / 5));
    XWindowAttributes pa;
    if (mode != kWindow) {
        if (!XGetWindowAttributes(display, parent, &pa)) {
            XFree(vi);
            std::fprintf(stderr, "lumenwhirl: there is no window 0x%lx\n", target);
            return false;
        }
        w = static_cast<unsigned>(pa.width);
        h = static_cast<unsigned>(pa.height);
    }
    XSetWindowAttributes a;
    std::memset(&a, 0, sizeof a);
    a.colormap = XCreateColormap(display, root, vi->visual, AllocNone);
    a.background_pixel = BlackPixel(display, screen);
    a.border_pixel = 0;
    a.override_redirect = mode == kFullScreen ? True : False;
    a.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | PointerMotionMask | FocusChangeMask |
                   ExposureMask | StructureNotifyMask;
    unsigned long mask = CWColormap | CWBackPixel | CWBorderPixel | CWOverrideRedirect | CWEventMask;
    window = XCreateWindow(display, parent, x, y, w, h, 0, vi->depth, InputOutput, vi->visual, mask, &a);
    XFree(vi);
    ownWindow = true;
    XStoreName(display, window, "Lumenwhirl");
    if (mode == kWindow) {
        deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &deleteWindow, 1);
    }
    if (mode == kPreview)
        XSelectInput(display, parent, StructureNotifyMask);
    return true;
}

void FXX11Saver::Grab()
{
    // Input must reach the saver: grab keyboard and pointer (the window
    // manager may hold them for a moment after mapping) and hide the cursor.
    for (int i = 0; i < 50; ++i) {
        if (XGrabKeyboard(display, window, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess)
            break;
        usleep(10000);
    }
    XGrabPointer(display, window, True, ButtonPressMask | PointerMotionMask, GrabModeAsync, GrabModeAsync, window,
                 None, CurrentTime);
    static char empty[1] = {0};
    Pixmap blank = XCreateBitmapFromData(display, window, empty, 1, 1);
    XColor black;
    std::memset(&black, 0, sizeof black);
    Cursor none = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XDefineCursor(display, window, none);
    XFreeCursor(display, none);
    XFreePixmap(display, blank);
}

void FXX11Saver::DestroyWindow(void*)
{
    destroyRequested = true;
}

long FXX11Saver::DefScreenSaverProc(void* w, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    // Pointer, buttons and focus are close rules of the saver on the screen;
    // the preview ends only with its parent, a close request or a key.
    if (mode == kHack || mode == kPreview)
        return 0;
    bool close = false;
    switch (message) {
    case kWmMouseMove: {
        int x = static_cast<int>(lParam & 0xffff), y = static_cast<int>((lParam >> 16) & 0xffff);
        if (!haveOrigin) {
            originX = x;
            originY = y;
            haveOrigin = true;
        }
        close = fxPointerMoved(originX, originY, x, y);
        break;
    }
    case kWmLButtonDown:
    case kWmRButtonDown:
    case kWmMButtonDown:
        close = true;
        break;
    case kWmActivate:
        close = wParam == 0;
        break;
    default:
        break;
    }
    if (close)
        ScreenSaverProc(w, kWmClose, 0, 0);
    return 0;
}

void FXX11Saver::ReadConfig(char* path, int size)
{
    std::snprintf(path, static_cast<size_t>(size), "%s", fxSaverInstallFolder(argv0, &folderNote).c_str());
}

void FXX11Saver::Register(void*)
{
    Install();
}

int FXX11Saver::Install()
{
    std::string folder = fxSaverDataFolder(argv0), why;
    if (!fxSaverWriteInstallFolder(folder, &why)) {
        std::fprintf(stderr, "lumenwhirl: %s\n", why.c_str());
        return 1;
    }
    std::error_code ec;
    std::string exe = std::filesystem::canonical("/proc/self/exe", ec).string();
    std::printf("lumenwhirl: %s now names the package folder %s\n", fxSaverConfigFile().c_str(), folder.c_str());
    std::printf("Add this line to the programs list in ~/.xscreensaver:\n  GL: \"Lumenwhirl\" %s --root \\n\\\n",
                exe.c_str());
    return 0;
}

void FXX11Saver::Translate(const XEvent& e)
{
    void* w = &window;
    switch (e.type) {
    case KeyPress:
        ScreenSaverProc(w, kWmKeyDown, 0, 0);
        break;
    case KeyRelease:
        ScreenSaverProc(w, kWmKeyUp, 0, 0);
        break;
    case ButtonPress:
        // Buttons 4 to 7 are the wheel, which is no button press.
        if (e.xbutton.button >= 4 && e.xbutton.button <= 7)
            break;
        ScreenSaverProc(w, e.xbutton.button == Button1 ? kWmLButtonDown
                           : e.xbutton.button == Button3 ? kWmRButtonDown
                                                         : kWmMButtonDown,
                        0, 0);
        break;
    case MotionNotify:
        ScreenSaverProc(w, kWmMouseMove, 0, (e.xmotion.x_root & 0xffff) | ((e.xmotion.y_root & 0xffff) << 16));
        break;
    case FocusOut:
        if (mode == kFullScreen && e.xfocus.mode == NotifyNormal)
            ScreenSaverProc(w, kWmActivate, 0, 0);
        break;
    case Expose:
        if (e.xexpose.count == 0)
            ScreenSaverProc(w, kWmPaint, 0, 0);
        break;
    case ClientMessage:
        if (static_cast<Atom>(e.xclient.data.l[0]) == deleteWindow)
            destroyRequested = true; // the close button
        break;
    case DestroyNotify:
        if (e.xdestroywindow.window == window) {
            ownWindow = false; // gone with its parent
            destroyRequested = true;
        }
        break;
    default:
        break;
    }
}

void FXX11Saver::Close()
{
    // The scene stops its render thread before anything is destroyed. A
    // thread that does not stop is blocked in Xlib, holding the display:
    // closing it, or the destructors at exit, would wait for ever.
    if (ScreenSaverProc(&window, kWmDestroy, 0, 0) != 0) {
        std::fprintf(stderr, "lumenwhirl: the render thread is blocked in the window system; the saver ends\n");
        _exit(1);
    }
    if (ownWindow)
        XDestroyWindow(display, window);
    ownWindow = false;
    XSync(display, False);
}

int FXX11Saver::Run(Mode m, unsigned long target)
{
    mode = m;
    fxSetSaverHost(this);
    XInitThreads(); // the render thread presents while this one reads events
    display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "lumenwhirl: cannot open the X display (is DISPLAY set?)\n");
        return 1;
    }
    XSetErrorHandler(localOnXError);
    XSetIOErrorHandler(localOnXIOError);
    std::signal(SIGPIPE, SIG_IGN); // a dead connection is Xlib's I/O error, not a signal
    if (watchdog.Create(kEndSeconds, 1, "lumenwhirl: the saver did not end in time after it was told to; it ends now\n"))
        localWatchdog = &watchdog;
    std::signal(SIGTERM, localOnSignal);
    std::signal(SIGINT, localOnSignal);
    if (!MakeWindow(target))
        return 1;
    capture = std::make_unique<FXX11Capture>(display, mode == kHack ? window : 0);
    fxSetScreenCapture(capture.get());
    glx = std::make_unique<FXGlxWindow>(display, window);
    fChildPreview = mode == kPreview ? 1 : 0;

    // The window is created but not mapped: the capture inside sees the
    // desktop as the user left it.
    if (ScreenSaverProc(&window, kWmCreate, 0, 0) == -1)
        return 0;
    trc("%s\n", folderNote.c_str());
    // The show plays on without its package (the trace log says why), but
    // a saver started by hand or by xscreensaver says it where it is seen.
    std::string why;
    if (mode != kPreview && pck.GetCount() == 0 && !fxProbePackage(vornPath, &why))
        std::fprintf(stderr, "lumenwhirl: cannot load the package %s\n", why.c_str());
    if (ownWindow) {
        XMapRaised(display, window);
        XSync(display, False);
        if (mode == kFullScreen)
            Grab();
        Window root, child;
        int rx, ry, wx, wy;
        unsigned keys;
        if (XQueryPointer(display, window, &root, &child, &rx, &ry, &wx, &wy, &keys)) {
            originX = rx;
            originY = ry;
            haveOrigin = true;
        }
    }
    int fd = ConnectionNumber(display);
    while (!destroyRequested && !localSignalled) {
        while (XPending(display) && !destroyRequested) {
            XEvent e;
            XNextEvent(display, &e);
            if (mode != kHack || e.type == DestroyNotify)
                Translate(e);
        }
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval wait = {0, 20000};
        select(fd + 1, &set, nullptr, nullptr, &wait);
    }
    watchdog.Arm();
    Close();
    return 0;
}
