// The X11 monitor list against a real X server: one 2304x768 Xvfb screen
// split by `xrandr --setmonitor` into a 1280x720 and a 1024x768 monitor must
// come back as those two, through RandR and through Xinerama alike, and as
// one once the second is deleted, with the change announced by an event; a
// server without RandR still gives its screen.
// GoogleTest before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "platform/x11/FXX11Monitors.h"
#include "support/Xvfb.h"

#include <X11/Xlib.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// xrandr -d DISPLAY args...; true when it exits with 0.
bool Xrandr(const std::string& display, std::vector<std::string> args)
{
    args.insert(args.begin(), {"xrandr", "-d", display});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        // It tells what it did on its output, which is no part of the test's.
        if (FILE* quiet = freopen("/dev/null", "w", stdout))
            (void)quiet;
        execvp("xrandr", argv.data());
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// "x,y wxh" per monitor, "+" after the primary, "; " between.
std::string Text(const FXX11Monitors& m)
{
    std::string s;
    for (const FXMonitor& o : m.monitors)
        s += (s.empty() ? "" : "; ") + std::to_string(o.rect.left) + "," + std::to_string(o.rect.top) + " " +
             std::to_string(o.rect.right - o.rect.left) + "x" + std::to_string(o.rect.bottom - o.rect.top) +
             (o.primary ? "+" : "");
    return s;
}

// Waits up to 5 s for the event that says the monitors changed.
bool ChangeArrives(Display* d, FXX11Monitors* m)
{
    for (int i = 0; i < 50; ++i) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (m->IsChange(d, &e))
                return true;
        }
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, 100);
    }
    return false;
}

} // namespace

TEST(FXX11Monitors, SetAndDeletedMonitorsThroughRandrAndXinerama)
{
    Xvfb x;
    ASSERT_TRUE(x.Start(24, 2304, 768)) << "Xvfb did not start";
    Display* d = XOpenDisplay(x.name.c_str());
    ASSERT_NE(d, nullptr);
    FXX11Monitors m;
    ASSERT_TRUE(m.Load(d, DefaultScreen(d)));
    EXPECT_EQ(m.source, FXX11Monitors::kRandr);
    EXPECT_EQ(Text(m), "0,0 2304x768") << "the server's own monitor over its one output";

    // The first takes over the output's monitor, the second has none.
    ASSERT_TRUE(Xrandr(x.name, {"--setmonitor", "left", "1280/338x720/190+0+0", "screen"}));
    ASSERT_TRUE(Xrandr(x.name, {"--setmonitor", "right", "1024/270x768/203+1280+0", "none"}));
    ASSERT_TRUE(m.Load(d, DefaultScreen(d)));
    EXPECT_EQ(m.source, FXX11Monitors::kRandr);
    EXPECT_EQ(Text(m), "0,0 1280x720; 1280,0 1024x768");
    // Made again as the primary, which the server then lists first.
    ASSERT_TRUE(Xrandr(x.name, {"--delmonitor", "right"}));
    ASSERT_TRUE(Xrandr(x.name, {"--setmonitor", "*right", "1024/270x768/203+1280+0", "none"}));
    ASSERT_TRUE(m.Load(d, DefaultScreen(d)));
    EXPECT_EQ(Text(m), "1280,0 1024x768+; 0,0 1280x720");

    m.useRandr = false;
    ASSERT_TRUE(m.Load(d, DefaultScreen(d)));
    EXPECT_EQ(m.source, FXX11Monitors::kXinerama);
    EXPECT_EQ(Text(m), "1280,0 1024x768+; 0,0 1280x720");
    m.useXinerama = false;
    ASSERT_TRUE(m.Load(d, DefaultScreen(d)));
    EXPECT_EQ(m.source, FXX11Monitors::kScreen);
    EXPECT_EQ(Text(m), "0,0 2304x768+");
    m.useRandr = m.useXinerama = true;

    XSelectInput(d, DefaultRootWindow(d), PropertyChangeMask);
    ASSERT_TRUE(m.WatchChanges(d, DefaultScreen(d)));
    XWindowAttributes a;
    XGetWindowAttributes(d, DefaultRootWindow(d), &a);
    EXPECT_EQ(a.your_event_mask, PropertyChangeMask | StructureNotifyMask) << "the root's other events are kept";
    XSync(d, False);
    ASSERT_TRUE(Xrandr(x.name, {"--delmonitor", "right"}));
    EXPECT_TRUE(ChangeArrives(d, &m)) << "no RandR event after the monitor went";
    ASSERT_TRUE(m.Load(d, DefaultScreen(d)));
    EXPECT_EQ(Text(m), "0,0 1280x720");

    EXPECT_FALSE(m.Load(d, 1)) << "a screen the display does not have";
    EXPECT_TRUE(m.monitors.empty());
    EXPECT_EQ(m.source, FXX11Monitors::kNone);
    XCloseDisplay(d);
    EXPECT_FALSE(m.Load(nullptr, 0));
}

TEST(FXX11Monitors, ServerWithoutRandrGivesItsScreen)
{
    Xvfb x;
    ASSERT_TRUE(x.Start(24, 1024, 768, {"-extension", "RANDR"})) << "Xvfb did not start";
    Display* d = XOpenDisplay(x.name.c_str());
    ASSERT_NE(d, nullptr);
    FXX11Monitors m;
    ASSERT_TRUE(m.Load(d, DefaultScreen(d)));
    EXPECT_NE(m.source, FXX11Monitors::kRandr);
    EXPECT_EQ(Text(m), "0,0 1024x768+");
    EXPECT_FALSE(m.WatchChanges(d, DefaultScreen(d)));
    XCloseDisplay(d);
}
