#include "platform/x11/FXX11Saver.h"

#include "base/fxTime.h"
#include "base/fxTrace.h"
#include "show/fxHostState.h"
#include "host/FXCropCapture.h"
#include "host/fxProbePackage.h"
#include "platform/posix/fxSaverConfig.h"
#include "platform/x11/fxX11Desktop.h"
#include "platform/x11/FXX11PowerWatch.h"
#include "render/FXFramePacer.h"
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

FXX11Saver::ShowsStart localShowsStart = nullptr;
FXX11Saver::ShowsEnd localShowsEnd = nullptr;

FXRect localRect(int x, int y, int w, int h)
{
    FXRect r;
    r.Set(x, y, x + w, y + h);
    return r;
}

bool localSame(const FXRect& a, const FXRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

void FXX11Saver::SetShows(ShowsStart start, ShowsEnd end)
{
    localShowsStart = start;
    localShowsEnd = end;
}

FXX11Saver::~FXX11Saver()
{
    fxSetScreenCapture(nullptr);
    EndShows();
    viewGlx.clear();
    glx.reset();
    if (display)
        XCloseDisplay(display);
}

bool FXX11Saver::MakeWindow(unsigned long target)
{
    const Mode mode = session.mode;
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
    if (mode == kFullScreen)
        MakeViews(vi, a.colormap);
    XFree(vi);
    ownWindow = true;
    XStoreName(display, window, "Lumenwhirl");
    XSetWMProtocols(display, window, &deleteWindow, 1);
    if (mode == kPreview)
        XSelectInput(display, parent, StructureNotifyMask);
    return true;
}

void FXX11Saver::MakeViews(XVisualInfo* vi, Colormap colormap)
{
    int screen = DefaultScreen(display);
    FXRect root = localRect(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen));
    monitors.Load(display, screen);
    watching = monitors.WatchChanges(display, screen);
    layout = fxLayoutMonitors(monitors.monitors, root, root, monitorMode);
    // The viewports select no input: theirs goes up to the covering window,
    // and their cursor is its cursor.
    XSetWindowAttributes a;
    std::memset(&a, 0, sizeof a);
    a.colormap = colormap;
    a.background_pixel = BlackPixel(display, screen);
    a.border_pixel = 0;
    for (const FXViewport& v : layout.viewports)
        views.push_back(XCreateWindow(display, window, v.rect.left, v.rect.top,
                                      static_cast<unsigned>(v.rect.right - v.rect.left),
                                      static_cast<unsigned>(v.rect.bottom - v.rect.top), 0, vi->depth, InputOutput,
                                      vi->visual, CWColormap | CWBackPixel | CWBorderPixel, &a));
}

void FXX11Saver::LayOutHack(int pictureWidth, int pictureHeight)
{
    int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen), child = 0;
    FXRect rootRect = localRect(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen));
    XWindowAttributes wa;
    int x = 0, y = 0;
    if (!XGetWindowAttributes(display, window, &wa))
        wa.width = wa.height = 0;
    XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
    FXRect on = localRect(x, y, wa.width, wa.height);
    // xscreensaver's screenshot is of the whole root; a picture of the
    // window's own size is of the window alone.
    FXRect desktop = rootRect;
    if (pictureWidth == wa.width && pictureHeight == wa.height &&
        (pictureWidth != rootRect.right || pictureHeight != rootRect.bottom))
        desktop = on;
    monitors.Load(display, screen);
    layout = fxLayoutMonitors(monitors.monitors, on, desktop, monitorMode);
    FXRect whole = localRect(0, 0, wa.width, wa.height);
    if (layout.viewports.size() > 1 || (layout.viewports.size() == 1 && !localSame(layout.viewports[0].rect, whole))) {
        // A window over more than one monitor has one show, with the
        // desktop under the whole window.
        FXViewport v;
        v.rect = whole;
        v.source = localRect(on.left - desktop.left, on.top - desktop.top, wa.width, wa.height);
        FXRect picture = localRect(0, 0, pictureWidth, pictureHeight);
        if (!v.source.CombineAnd(&picture))
            v.source.SetZero();
        v.primary = true;
        layout.viewports.assign(1, v);
        layout.black.clear();
    }
    if (!layout.viewports.empty())
        views.assign(1, window);
    if (layout.viewports.empty())
        trc("the window at %d, %d is off the primary monitor: black\n", x, y);
}

void FXX11Saver::StartShows()
{
    // Open before the desktop is read, so that what was chosen for the
    // sheet, and why, is in the log.
    fxOpenTracesIn(vornPath, logsFile);
    fxHoldImageLibrary(); // a desktop picture file is decoded here
    // The desktop is read once, before any of the saver's windows maps,
    // and each show crops its part from it.
    int w = 0, h = 0, pitch = 0;
    const unsigned char* pixels = nullptr;
    std::string why;
    bool begun = capture && capture->Begin(&w, &h, &why); // none: the screen is never read
    if (begun && !capture->Lock(&pixels, &pitch, &why))
        pixels = nullptr;
    if (session.mode == kHack)
        LayOutHack(w, h);
    FXCropCapture desktop(pixels, w, h, pitch, localRect(0, 0, w, h));
    for (Window v : views) {
        viewGlx.push_back(std::make_unique<FXGlxWindow>(display, v));
        viewGlx.back()->monitorSized = true;
    }
    std::vector<void*> windows;
    for (auto& g : viewGlx)
        windows.push_back(g.get());
    if (localShowsStart)
        localShowsStart(layout, windows, pixels ? &desktop : nullptr);
    else
        shows.Create(layout, windows, pixels ? &desktop : nullptr);
    showsStarted = true;
    // Traced once the first show has opened the trace log.
    trc("monitors: %d, mode %s: %d viewports, %d black parts\n", static_cast<int>(monitors.monitors.size()),
        monitorMode == FXMonitorMode::span ? "span" : monitorMode == FXMonitorMode::primary ? "primary" : "each",
        static_cast<int>(layout.viewports.size()), static_cast<int>(layout.black.size()));
    if (!why.empty())
        err("the desktop: %s\n", why.c_str());
    if (begun)
        capture->End();
    fxReleaseImageLibrary();
}

bool FXX11Saver::EndShows()
{
    if (!showsStarted)
        return true;
    showsStarted = false;
    return localShowsEnd ? localShowsEnd() : shows.Destroy();
}

void FXX11Saver::FollowRoot()
{
    // A monitor added or removed: the shows play on in their windows; the
    // covering window follows the root's size, so what is new stays black.
    int screen = DefaultScreen(display);
    monitors.Load(display, screen);
    int w = DisplayWidth(display, screen), h = DisplayHeight(display, screen);
    trc("monitors changed: %d now, the screen %d x %d\n", static_cast<int>(monitors.monitors.size()), w, h);
    XWindowAttributes a;
    if (XGetWindowAttributes(display, window, &a) && (a.width != w || a.height != h))
        XMoveResizeWindow(display, window, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h));
}

void FXX11Saver::PaintBlack()
{
    // A hack's window that no show covers; the saver's own windows are black
    // by their background.
    if (session.mode != kHack || layout.black.empty())
        return;
    GC gc = XCreateGC(display, window, 0, nullptr);
    XSetForeground(display, gc, BlackPixel(display, DefaultScreen(display)));
    for (const FXRect& r : layout.black)
        XFillRectangle(display, window, gc, r.left, r.top, static_cast<unsigned>(r.right - r.left),
                       static_cast<unsigned>(r.bottom - r.top));
    XFreeGC(display, gc);
    XFlush(display);
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
    FXSaverSession::Answer answer = FXSaverSession::kNothing;
    switch (e.type) {
    case KeyPress:
    case KeyRelease:
        answer = session.Take(FXSaverInput::Key());
        break;
    case ButtonPress:
        // Buttons 4 to 7 are the wheel's notches (up, down, left, right);
        // 8 and up the further buttons.
        if (e.xbutton.button >= 4 && e.xbutton.button <= 7)
            answer = session.Take(FXSaverInput::Wheel(e.xbutton.button % 2 == 0 ? 1 : -1));
        else
            answer = session.Take(FXSaverInput::Button(static_cast<int>(
                e.xbutton.button <= 3 ? e.xbutton.button : e.xbutton.button - 4)));
        break;
    case MotionNotify:
        answer = session.Take(FXSaverInput::Pointer(e.xmotion.x_root, e.xmotion.y_root));
        break;
    case FocusOut:
        // Into one of the viewports is not away from the saver.
        if (e.xfocus.mode == NotifyNormal && e.xfocus.detail != NotifyInferior)
            answer = session.Take(FXSaverInput::FocusLost());
        break;
    case ClientMessage:
        if (e.xclient.message_type == protocols && e.xclient.format == 32 &&
            static_cast<Atom>(e.xclient.data.l[0]) == deleteWindow)
            answer = session.Take(FXSaverInput::CloseRequest());
        break;
    case Expose:
        if (e.xexpose.count == 0)
            PaintBlack();
        break;
    case DestroyNotify:
        if (e.xdestroywindow.window == window) {
            ownWindow = false; // gone with its parent
            answer = session.Take(FXSaverInput::ParentGone());
        }
        break;
    default:
        break;
    }
    if (answer != FXSaverSession::kNothing)
        destroyRequested = true;
}

void FXX11Saver::Close()
{
    // The scene stops its render thread before anything is destroyed. A
    // thread that does not stop is blocked in Xlib, holding the display:
    // closing it, or the destructors at exit, would wait for ever.
    bool stuck = session.mode == kFullScreen || session.mode == kHack ? !EndShows()
                                                                      : session.EndScene() == FXSaverSession::kEndNow;
    if (stuck) {
        std::fprintf(stderr, "lumenwhirl: the render thread is blocked in the window system; the saver ends\n");
        _exit(1);
    }
    if (ownWindow)
        XDestroyWindow(display, window);
    ownWindow = false;
    XSync(display, False);
}

int FXX11Saver::Run(Mode mode, unsigned long target)
{
    session.Create(mode);
    if ((mode == kFullScreen || mode == kHack) && !monitorModeGiven) {
        std::string text, why;
        if (fxSaverConfigValue("monitors", &text) && !fxParseMonitorMode(text.c_str(), &monitorMode, &why))
            std::fprintf(stderr, "lumenwhirl: %s in %s; each is used\n", why.c_str(), fxSaverConfigFile().c_str());
    }
    XInitThreads(); // the render thread presents while this one reads events
    display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "lumenwhirl: cannot open the X display (is DISPLAY set?)\n");
        return 1;
    }
    XSetErrorHandler(localOnXError);
    XSetIOErrorHandler(localOnXIOError);
    std::signal(SIGPIPE, SIG_IGN); // a dead connection is Xlib's I/O error, not a signal
    watchdog.Create(kEndSeconds, 1, "lumenwhirl: the saver did not end in time after it was told to; it ends now\n");
    watchdog.EndOnSignals();
    protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (!MakeWindow(target))
        return 1;
    capture = fxX11DesktopCapture(display, mode, mode == kHack ? window : 0, desktopGiven ? &desktop : nullptr);
    fxSetScreenCapture(capture.get());
    glx = std::make_unique<FXGlxWindow>(display, window);

    // The window is created but not mapped: the capture inside sees the
    // desktop as the user left it.
    std::snprintf(vornPath, sizeof vornPath, "%s", fxSaverInstallFolder(argv0, &folderNote).c_str());
    const bool showSet = mode == kFullScreen || mode == kHack;
    if (showSet)
        StartShows();
    else
        session.StartScene(glx.get());
    trc("%s\n", folderNote.c_str());
    // The show plays on without its package (the trace log says why), but
    // a saver started by hand or by xscreensaver says it where it is seen.
    std::string why;
    bool loaded = showSet ? shows.AnyPackageLoaded() : fxHostScene().PackageLoaded();
    if (mode != kPreview && (!showSet || !views.empty()) && !loaded && !fxProbePackage(vornPath, &why))
        std::fprintf(stderr, "lumenwhirl: cannot load the package %s\n", why.c_str());
    PaintBlack();
    if (ownWindow) {
        XMapSubwindows(display, window);
        XMapRaised(display, window);
        XSync(display, False);
        if (mode == kFullScreen)
            Grab();
        Window root, child;
        int rx, ry, wx, wy;
        unsigned keys;
        if (XQueryPointer(display, window, &root, &child, &rx, &ry, &wx, &wy, &keys))
            session.SetPointerOrigin(rx, ry);
    }
    // The grace runs from when the user can see the saver: the shows start
    // before their windows map, so the desktop capture sees the desktop.
    if (showSet)
        session.Started(fxGetTime());
    FXX11PowerWatch power;
    power.Create(display, &fxFramePacer());
    int fd = ConnectionNumber(display);
    while (!destroyRequested && !FXEndWatchdog::Signalled()) {
        power.Poll(fxGetTime());
        while (XPending(display) && !destroyRequested) {
            XEvent e;
            XNextEvent(display, &e);
            if (watching && monitors.IsChange(display, &e))
                FollowRoot();
            else
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
