// The X11 capture against a real X server: coloured blocks drawn on the
// root of an Xvfb of the test's own, at 24 and 16 bits, must come back
// through FXScrShot each in its place; a saver window carrying
// xscreensaver's screenshot property is read from that picture instead.
// GoogleTest before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include "sys/PScreenCapture.h"
#include "platform/x11/FXX11Capture.h"
#include "render/FXScrShot.h"
#include "support/Xvfb.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

const int kW = 200, kH = 120;

unsigned long Pixel(Display* d, unsigned short r, unsigned short g, unsigned short b)
{
    XColor c{};
    c.red = r;
    c.green = g;
    c.blue = b;
    XAllocColor(d, DefaultColormap(d, DefaultScreen(d)), &c);
    return c.pixel;
}

// Red top left, green top right, blue bottom left, yellow bottom right, a
// white dot at (7, 5); into drawable t (the root or a pixmap), or with the
// colours turned round the corners once when turned.
void DrawBlocks(Display* d, Drawable t, bool turned)
{
    unsigned long c[4] = {Pixel(d, 0xffff, 0, 0), Pixel(d, 0, 0xffff, 0), Pixel(d, 0, 0, 0xffff),
                          Pixel(d, 0xffff, 0xffff, 0)};
    GC gc = XCreateGC(d, t, 0, nullptr);
    for (int i = 0; i < 4; ++i) {
        XSetForeground(d, gc, c[turned ? (i + 1) % 4 : i]);
        XFillRectangle(d, t, gc, (i % 2) * kW / 2, (i / 2) * kH / 2, kW / 2, kH / 2);
    }
    XSetForeground(d, gc, Pixel(d, 0xffff, 0xffff, 0xffff));
    XDrawPoint(d, t, gc, 7, 5);
    XFreeGC(d, gc);
    XSync(d, False);
}

int R(uint32_t p) { return p & 0xff; }
int G(uint32_t p) { return (p >> 8) & 0xff; }
int B(uint32_t p) { return (p >> 16) & 0xff; }

// "RGBY" as found at the four blocks' centres, or the pixels' hex values.
std::string Corners(const FXScrShot& shot)
{
    std::string s;
    for (int i = 0; i < 4; ++i) {
        uint32_t p = shot.pixmap.Row((i / 2) * kH / 2 + kH / 4)[(i % 2) * kW / 2 + kW / 4];
        bool r = R(p) > 240, g = G(p) > 240, b = B(p) > 240, none = R(p) < 8 && G(p) < 8 && B(p) < 8;
        if (r && !g && B(p) < 8)
            s += 'R';
        else if (g && !r && B(p) < 8)
            s += 'G';
        else if (b && R(p) < 8 && G(p) < 8)
            s += 'B';
        else if (r && g && B(p) < 8)
            s += 'Y';
        else
            s += none ? '0' : '?';
    }
    return s;
}

} // namespace

TEST(FXX11Capture, BlocksOnTheRootComeBackInPlace)
{
    for (int depth : {24, 16}) {
        SCOPED_TRACE("depth " + std::to_string(depth));
        Xvfb x;
        ASSERT_TRUE(x.Start(depth)) << "Xvfb did not start";
        Display* d = XOpenDisplay(x.name.c_str());
        ASSERT_NE(d, nullptr);
        Window root = DefaultRootWindow(d);
        DrawBlocks(d, root, false);

        FXX11Capture capture(d, 0);
        fxSetScreenCapture(&capture);
        {
            FXScrShot shot;
            ASSERT_TRUE(shot.Update());
            EXPECT_EQ(shot.GetWidth(), kW);
            EXPECT_EQ(shot.GetHeight(), kH);
            EXPECT_EQ(Corners(shot), "RGBY");
            // Exactly in place: the dot and not its neighbours.
            EXPECT_EQ(shot.pixmap.Row(5)[7] & 0xf8f8f8u, 0xf8f8f8u) << std::hex << shot.pixmap.Row(5)[7];
            for (auto xy : {std::make_pair(6, 5), std::make_pair(8, 5), std::make_pair(7, 4), std::make_pair(7, 6)})
                EXPECT_LT(G(shot.pixmap.Row(xy.second)[xy.first]), 8) << xy.first << "," << xy.second;
            EXPECT_EQ(shot.pixmap.Row(0)[0] >> 24, 0xffu) << "opaque";

            // Under xscreensaver the saver's window names the screenshot
            // the daemon took before it blanked the screen.
            Window saver = XCreateSimpleWindow(d, root, 0, 0, kW, kH, 0, 0, 0);
            Pixmap pm = XCreatePixmap(d, root, kW, kH, static_cast<unsigned>(DefaultDepth(d, DefaultScreen(d))));
            DrawBlocks(d, pm, true);
            Atom prop = XInternAtom(d, "_SCREENSAVER_SCREENSHOT", False);
            XChangeProperty(d, saver, prop, XA_PIXMAP, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&pm), 1);
            XSync(d, False);
            FXX11Capture fromSaver(d, saver);
            fxSetScreenCapture(&fromSaver);
            ASSERT_TRUE(shot.Update());
            EXPECT_EQ(Corners(shot), "GBYR") << "the screenshot, not the root";
            fxSetScreenCapture(&capture);
            XFreePixmap(d, pm);
            XDestroyWindow(d, saver);
        }
        fxSetScreenCapture(nullptr);
        XCloseDisplay(d);
    }
}
