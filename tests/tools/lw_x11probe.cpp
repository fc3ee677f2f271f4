// lw_x11probe: what the monitor tests need of an X display that no stock
// tool gives.
//
//     lw_x11probe window X Y W H
//         maps an override-redirect window with a double-buffered RGBA GL
//         visual at X,Y of size WxH, as xscreensaver makes a hack's: with
//         a picture of the whole root taken before it maps in its
//         _SCREENSAVER_SCREENSHOT property. Prints its id in hexadecimal
//         and keeps it until killed.
//     lw_x11probe colours SECONDS NAME=X,Y,W,H...
//         reads the root window every 50 ms for SECONDS and prints a line
//         per reading: for each rectangle "NAME DARK GREEN BLUE", the
//         percentages of its pixels that are dark (no channel above 20 of
//         255), mostly green and mostly blue (that channel 25 above both
//         others).
//
// Exits 1 when the display cannot be opened, 2 on bad arguments.
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Part {
    std::string name;
    int x, y, w, h;
};

int localShift(unsigned long mask)
{
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

int localWindow(Display* d, int x, int y, int w, int h)
{
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                        GLX_DEPTH_SIZE, 16, None};
    int screen = DefaultScreen(d);
    XVisualInfo* vi = glXChooseVisual(d, screen, attributes);
    if (!vi) {
        std::fprintf(stderr, "lw_x11probe: no GL visual\n");
        return 1;
    }
    Window root = RootWindow(d, screen);
    XSetWindowAttributes a;
    std::memset(&a, 0, sizeof a);
    a.colormap = XCreateColormap(d, root, vi->visual, AllocNone);
    a.background_pixel = BlackPixel(d, screen);
    a.override_redirect = True;
    Window win = XCreateWindow(d, root, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0, vi->depth,
                               InputOutput, vi->visual, CWColormap | CWBackPixel | CWOverrideRedirect, &a);
    XFree(vi);
    int rw = DisplayWidth(d, screen), rh = DisplayHeight(d, screen);
    Pixmap shot = XCreatePixmap(d, root, static_cast<unsigned>(rw), static_cast<unsigned>(rh),
                                static_cast<unsigned>(DefaultDepth(d, screen)));
    GC gc = XCreateGC(d, root, 0, nullptr);
    XSetSubwindowMode(d, gc, IncludeInferiors);
    XCopyArea(d, root, shot, gc, 0, 0, static_cast<unsigned>(rw), static_cast<unsigned>(rh), 0, 0);
    XFreeGC(d, gc);
    Atom property = XInternAtom(d, "_SCREENSAVER_SCREENSHOT", False);
    XChangeProperty(d, win, property, XA_PIXMAP, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&shot), 1);
    XMapRaised(d, win);
    XSync(d, False);
    std::printf("0x%lx\n", win);
    std::fflush(stdout);
    for (;;)
        pause();
}

int localColours(Display* d, double seconds, const std::vector<Part>& regions)
{
    Window root = DefaultRootWindow(d);
    Visual* v = DefaultVisual(d, DefaultScreen(d));
    int rs = localShift(v->red_mask), gs = localShift(v->green_mask), bs = localShift(v->blue_mask);
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (t > seconds)
            return 0;
        std::printf("%.2f", t);
        for (const Part& r : regions) {
            XImage* im = XGetImage(d, root, r.x, r.y, static_cast<unsigned>(r.w), static_cast<unsigned>(r.h),
                                   AllPlanes, ZPixmap);
            long n = 0, dark = 0, green = 0, blue = 0;
            for (int y = 0; im && y < r.h; y += 3)
                for (int x = 0; x < r.w; x += 3, ++n) {
                    unsigned long p = XGetPixel(im, x, y);
                    int cr = static_cast<int>((p & v->red_mask) >> rs) & 255;
                    int cg = static_cast<int>((p & v->green_mask) >> gs) & 255;
                    int cb = static_cast<int>((p & v->blue_mask) >> bs) & 255;
                    dark += cr <= 20 && cg <= 20 && cb <= 20;
                    green += cg > cr + 25 && cg > cb + 25;
                    blue += cb > cr + 25 && cb > cg + 25;
                }
            if (im)
                XDestroyImage(im);
            if (!n)
                n = 1;
            std::printf(" %s %.1f %.1f %.1f", r.name.c_str(), 100.0 * dark / n, 100.0 * green / n, 100.0 * blue / n);
        }
        std::printf("\n");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace

int main(int argc, char** argv)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "lw_x11probe: cannot open the display\n");
        return 1;
    }
    if (argc == 6 && std::strcmp(argv[1], "window") == 0)
        return localWindow(d, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (argc >= 4 && std::strcmp(argv[1], "colours") == 0) {
        std::vector<Part> regions;
        for (int i = 3; i < argc; ++i) {
            const char* eq = std::strchr(argv[i], '=');
            Part r;
            if (!eq || std::sscanf(eq + 1, "%d,%d,%d,%d", &r.x, &r.y, &r.w, &r.h) != 4 || r.w <= 0 || r.h <= 0)
                return 2;
            r.name.assign(argv[i], static_cast<size_t>(eq - argv[i]));
            regions.push_back(r);
        }
        return localColours(d, std::atof(argv[2]), regions);
    }
    std::fprintf(stderr, "usage: lw_x11probe window X Y W H | colours SECONDS NAME=X,Y,W,H...\n");
    return 2;
}
