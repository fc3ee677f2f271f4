// The X11 saver's own events reach its session: real X events sent to its
// window on an Xvfb of the test's own (keys, motion in screen coordinates,
// buttons, the wheel's buttons 4 and 5, focus loss, ClientMessages), with a
// scene that draws nothing, on the virtual clock so that the grace time
// passes when the test says.
// GoogleTest before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "base/fxTime.h"
#include "host/FXSaverSession.h"
#include "platform/x11/FXX11Saver.h"
#include "support/Xvfb.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

void FakeInit(void*, bool) {}
bool FakeDestroy()
{
    return true;
}
void FakeShows(const FXMonitorLayout&, const std::vector<void*>&, PScreenCapture*) {}

class X11SaverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        XInitThreads();
        ASSERT_TRUE(server.Start(24, 640, 480)) << "Xvfb did not start";
        setenv("DISPLAY", server.name.c_str(), 1);
        setenv("LUMENWHIRL_PATH", "/nonexistent", 1);
        d = XOpenDisplay(server.name.c_str());
        ASSERT_NE(d, nullptr);
        root = DefaultRootWindow(d);
        protocols = XInternAtom(d, "WM_PROTOCOLS", False);
        deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
        fxUseVirtualClock(1000.0);
        fxSetSaverScene(FakeInit, FakeDestroy);
        FXX11Saver::SetShows(FakeShows, FakeDestroy);
    }
    void TearDown() override
    {
        Stop();
        fxSetSaverScene(nullptr, nullptr);
        FXX11Saver::SetShows(nullptr, nullptr);
        fxUseRealClock();
        if (d)
            XCloseDisplay(d);
    }

    // Runs the saver in mode until its window is up; false when it is not.
    bool Start(FXX11Saver::Mode mode, Window parent = 0)
    {
        Stop();
        done = false;
        saver = std::thread([this, mode, parent] {
            FXX11Saver s("lumenwhirl");
            s.Run(mode, parent);
            done = true;
        });
        Window in = parent ? parent : root;
        for (int i = 0; i < 500 && !done; ++i) {
            if ((win = Find(in)) != 0) {
                XWindowAttributes a;
                if (XGetWindowAttributes(d, win, &a) && a.map_state == IsViewable) {
                    // The saver takes the pointer's origin after mapping:
                    // one more round trip of its own is enough, wait a few.
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    Window Find(Window in)
    {
        Window r, p, *kids = nullptr;
        unsigned n = 0;
        Window found = 0;
        if (XQueryTree(d, in, &r, &p, &kids, &n))
            for (unsigned i = 0; i < n && !found; ++i) {
                char* name = nullptr;
                if (XFetchName(d, kids[i], &name) && name && std::strcmp(name, "Lumenwhirl") == 0)
                    found = kids[i];
                if (name)
                    XFree(name);
            }
        if (kids)
            XFree(kids);
        return found;
    }
    // True once the saver has ended, within seconds.
    bool Ended(double seconds = 2.0)
    {
        for (int i = 0; i < seconds * 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done;
    }
    // Still running a while after what was sent.
    bool Running()
    {
        XSync(d, False);
        return !Ended(0.3);
    }
    void Stop()
    {
        if (!saver.joinable())
            return;
        if (!done && win)
            XDestroyWindow(d, win); // its window's going ends any saver
        XSync(d, False);
        saver.join();
    }

    void Send(XEvent& e)
    {
        e.xany.window = win;
        XSendEvent(d, win, False, 0, &e);
        XFlush(d);
    }
    void Key()
    {
        XEvent e{};
        e.type = KeyPress;
        e.xkey.root = root;
        e.xkey.keycode = XKeysymToKeycode(d, XK_space);
        e.xkey.same_screen = True;
        Send(e);
    }
    // Motion to the pointer's own place moved by dx, dy.
    void Motion(int dx, int dy)
    {
        Window r, c;
        int x, y, wx, wy;
        unsigned keys;
        XQueryPointer(d, root, &r, &c, &x, &y, &wx, &wy, &keys);
        XEvent e{};
        e.type = MotionNotify;
        e.xmotion.root = root;
        e.xmotion.x_root = x + dx;
        e.xmotion.y_root = y + dy;
        e.xmotion.same_screen = True;
        Send(e);
    }
    void Button(unsigned b)
    {
        XEvent e{};
        e.type = ButtonPress;
        e.xbutton.root = root;
        e.xbutton.button = b;
        e.xbutton.same_screen = True;
        Send(e);
    }
    void LoseFocus()
    {
        XEvent e{};
        e.type = FocusOut;
        e.xfocus.mode = NotifyNormal;
        e.xfocus.detail = NotifyNonlinear;
        Send(e);
    }
    void Client(Atom type, long l0)
    {
        XEvent e{};
        e.type = ClientMessage;
        e.xclient.message_type = type;
        e.xclient.format = 32;
        e.xclient.data.l[0] = l0;
        e.xclient.data.l[1] = CurrentTime;
        Send(e);
    }
    void Everything()
    {
        Motion(60, -40);
        Button(1);
        Button(3);
        Button(4);
        Button(5);
        LoseFocus();
        Client(XInternAtom(d, "LW_SOMETHING_ELSE", False), 0);
    }

    Xvfb server;
    Display* d = nullptr;
    Window root = 0, win = 0;
    Atom protocols = 0, deleteWindow = 0;
    std::thread saver;
    std::atomic<bool> done{false};
};

} // namespace

TEST_F(X11SaverTest, FullScreenEndsOnInputOnlyAfterItsGrace)
{
    ASSERT_TRUE(Start(FXX11Saver::kFullScreen));
    Everything();
    Client(protocols, static_cast<long>(deleteWindow));
    EXPECT_TRUE(Running()) << "the pointer, a button, the wheel, focus loss or a close request within 4 s";
    fxAdvanceClock(5.0);
    Button(4);
    Button(5);
    Client(XInternAtom(d, "LW_SOMETHING_ELSE", False), 0);
    Motion(3, -3);
    EXPECT_TRUE(Running()) << "the wheel, another client's message or a pointer shaken by 3 px";
    Button(2);
    EXPECT_TRUE(Ended()) << "a button after the grace";

    // Each of these alone ends it after the grace.
    for (int input = 0; input < 4; ++input) {
        ASSERT_TRUE(Start(FXX11Saver::kFullScreen));
        fxAdvanceClock(5.0);
        if (input == 0)
            Motion(-30, 0);
        else if (input == 1)
            LoseFocus();
        else if (input == 2)
            Client(protocols, static_cast<long>(deleteWindow));
        else
            Button(8);
        EXPECT_TRUE(Ended()) << "input " << input;
    }
    ASSERT_TRUE(Start(FXX11Saver::kFullScreen));
    Key();
    EXPECT_TRUE(Ended()) << "a key ends it at once";
}

TEST_F(X11SaverTest, PreviewAndWindowEndOnTheirOwnClose)
{
    XSetWindowAttributes a{};
    Window parent = XCreateWindow(d, root, 0, 0, 200, 150, 0, CopyFromParent, InputOutput, CopyFromParent, 0, &a);
    XMapWindow(d, parent);
    XSync(d, False);
    ASSERT_TRUE(Start(FXX11Saver::kPreview, parent));
    Everything();
    fxAdvanceClock(5.0);
    Everything();
    EXPECT_TRUE(Running()) << "the preview ignores the pointer, buttons, the focus and others' messages";
    Client(protocols, static_cast<long>(deleteWindow));
    EXPECT_TRUE(Ended()) << "a close request ends the preview";

    ASSERT_TRUE(Start(FXX11Saver::kPreview, parent));
    Key();
    EXPECT_TRUE(Ended()) << "a key ends the preview";
    ASSERT_TRUE(Start(FXX11Saver::kPreview, parent));
    XDestroyWindow(d, parent);
    XSync(d, False);
    EXPECT_TRUE(Ended()) << "the preview ends with its parent";

    ASSERT_TRUE(Start(FXX11Saver::kWindow));
    Button(1);
    EXPECT_TRUE(Running()) << "a button within the grace";
    Client(protocols, static_cast<long>(deleteWindow));
    EXPECT_TRUE(Ended()) << "the close button ends a normal window at once";
}
