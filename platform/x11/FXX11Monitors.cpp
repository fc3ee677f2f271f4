#include "platform/x11/FXX11Monitors.h"

#include "base/fxTrace.h"

#ifdef LW_HAVE_XRANDR
#include <X11/extensions/Xrandr.h>
#endif
#ifdef LW_HAVE_XINERAMA
#include <X11/extensions/Xinerama.h>
#endif

namespace {

FXMonitor localMonitor(int x, int y, int w, int h, bool primary)
{
    FXMonitor m;
    m.rect.Set(x, y, x + w, y + h);
    m.primary = primary;
    return m;
}

#ifdef LW_HAVE_XRANDR
// RandR 1.5 or later on the server: the first version with monitors.
bool localRandrMonitors(Display* display, int* eventBase)
{
    int errorBase = 0, major = 0, minor = 0;
    return XRRQueryExtension(display, eventBase, &errorBase) && XRRQueryVersion(display, &major, &minor) &&
           (major > 1 || (major == 1 && minor >= 5));
}
#endif

} // namespace

void FXX11Monitors::Destroy()
{
    monitors.clear();
    source = kNone;
    watched = 0;
}

bool FXX11Monitors::Load(Display* display, int screen)
{
    monitors.clear();
    source = kNone;
    if (!display || screen < 0 || screen >= ScreenCount(display))
        return false;
    if ((useRandr && LoadRandr(display, screen)) || (useXinerama && LoadXinerama(display, screen)))
        return true;
    monitors.push_back(localMonitor(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen), true));
    source = kScreen;
    return true;
}

bool FXX11Monitors::LoadRandr(Display* display, int screen)
{
#ifdef LW_HAVE_XRANDR
    int eventBase = 0;
    if (!localRandrMonitors(display, &eventBase))
        return false;
    int n = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display, RootWindow(display, screen), True, &n);
    for (int i = 0; info && i < n; ++i)
        if (info[i].width > 0 && info[i].height > 0)
            monitors.push_back(localMonitor(info[i].x, info[i].y, info[i].width, info[i].height, info[i].primary));
    if (info)
        XRRFreeMonitors(info);
    if (monitors.empty())
        return false;
    source = kRandr;
    trc("monitors: %d from RandR\n", static_cast<int>(monitors.size()));
    return true;
#else
    (void)display;
    (void)screen;
    return false;
#endif
}

bool FXX11Monitors::LoadXinerama(Display* display, int screen)
{
#ifdef LW_HAVE_XINERAMA
    // Xinerama's heads span the server's screens as one; they are this
    // screen's monitors only when there is just one screen.
    int eventBase = 0, errorBase = 0;
    if (ScreenCount(display) != 1 || screen != 0 || !XineramaQueryExtension(display, &eventBase, &errorBase) ||
        !XineramaIsActive(display))
        return false;
    int n = 0;
    XineramaScreenInfo* heads = XineramaQueryScreens(display, &n);
    // Xinerama has no primary; its first head is the one the server puts
    // first, the primary where RandR knows one.
    for (int i = 0; heads && i < n; ++i)
        if (heads[i].width > 0 && heads[i].height > 0)
            monitors.push_back(localMonitor(heads[i].x_org, heads[i].y_org, heads[i].width, heads[i].height,
                                            monitors.empty()));
    if (heads)
        XFree(heads);
    if (monitors.empty())
        return false;
    source = kXinerama;
    trc("monitors: %d from Xinerama\n", static_cast<int>(monitors.size()));
    return true;
#else
    (void)display;
    (void)screen;
    return false;
#endif
}

bool FXX11Monitors::WatchChanges(Display* display, int screen)
{
#ifdef LW_HAVE_XRANDR
    int eventBase = 0, errorBase = 0;
    if (!display || screen < 0 || screen >= ScreenCount(display) ||
        !XRRQueryExtension(display, &eventBase, &errorBase))
        return false;
    watched = RootWindow(display, screen);
    XWindowAttributes a;
    long mask = XGetWindowAttributes(display, watched, &a) ? a.your_event_mask : 0;
    XSelectInput(display, watched, mask | StructureNotifyMask);
    XRRSelectInput(display, watched, RRScreenChangeNotifyMask);
    return true;
#else
    (void)display;
    (void)screen;
    return false;
#endif
}

bool FXX11Monitors::IsChange(Display* display, XEvent* event)
{
#ifdef LW_HAVE_XRANDR
    int eventBase = 0, errorBase = 0;
    if (!display || !event || !watched || !XRRQueryExtension(display, &eventBase, &errorBase))
        return false;
    bool root = event->type == ConfigureNotify && event->xconfigure.window == watched;
    if (!root && event->type != eventBase + RRScreenChangeNotify)
        return false;
    XRRUpdateConfiguration(event);
    return true;
#else
    (void)display;
    (void)event;
    return false;
#endif
}
