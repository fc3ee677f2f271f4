#include "platform/x11/FXX11Capture.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {

// The pixmap xscreensaver left on its window, or 0.
Pixmap localScreenshot(Display* d, Window w)
{
    if (!w)
        return 0;
    Atom property = XInternAtom(d, "_SCREENSAVER_SCREENSHOT", True);
    if (property == None)
        return 0;
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap p = 0;
    if (XGetWindowProperty(d, w, property, 0, 1, False, XA_PIXMAP, &type, &format, &n, &after, &data) == Success &&
        type == XA_PIXMAP && format == 32 && n == 1 && data)
        p = *reinterpret_cast<Pixmap*>(data);
    if (data)
        XFree(data);
    return p;
}

// Where a mask's channel lies, and how wide it is.
void localChannel(unsigned long mask, int* shift, int* bits)
{
    *shift = 0;
    *bits = 0;
    if (!mask)
        return;
    while (!(mask & 1)) {
        mask >>= 1;
        ++*shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++*bits;
    }
}

unsigned char localScale(unsigned long v, int bits)
{
    if (bits <= 0)
        return 0;
    if (bits >= 8)
        return static_cast<unsigned char>(v >> (bits - 8));
    return static_cast<unsigned char>(v * 255 / ((1ul << bits) - 1));
}

// The most errors an X request may give is one: the default handler would
// end the process on it.
int localIgnore(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

bool FXX11Capture::Begin(int* width, int* height, const char** failure)
{
    copy.clear();
    *failure = nullptr;
    Window root = DefaultRootWindow(display);
    Drawable source = localScreenshot(display, window);
    XWindowAttributes ra;
    if (!XGetWindowAttributes(display, root, &ra) || ra.width <= 0 || ra.height <= 0)
        return false;
    w = ra.width;
    h = ra.height;
    if (source) {
        Window r;
        int x, y;
        unsigned pw = 0, ph = 0, border, depth;
        if (XGetGeometry(display, source, &r, &x, &y, &pw, &ph, &border, &depth) && pw > 0 && ph > 0) {
            w = static_cast<int>(pw);
            h = static_cast<int>(ph);
        } else {
            source = 0;
        }
    }
    if (!source)
        source = root;
    Visual* visual = ra.visual;
    if (!visual || visual->c_class != TrueColor) {
        *failure = "XGetImage (the screen is not TrueColor)\n";
        return false;
    }
    XSync(display, False);
    auto previous = XSetErrorHandler(localIgnore);
    XImage* image = XGetImage(display, source, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes,
                              ZPixmap);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!image) {
        *failure = source == root ? "XGetImage (root window)\n" : "XGetImage (xscreensaver screenshot)\n";
        return false;
    }
    int rs, rb, gs, gb, bs, bb;
    localChannel(visual->red_mask, &rs, &rb);
    localChannel(visual->green_mask, &gs, &gb);
    localChannel(visual->blue_mask, &bs, &bb);
    copyWidth = w;
    copy.resize(static_cast<size_t>(w) * h * 4);
    unsigned char* out = copy.data();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, out += 4) {
            unsigned long p = XGetPixel(image, x, y);
            out[0] = localScale((p & visual->blue_mask) >> bs, bb);
            out[1] = localScale((p & visual->green_mask) >> gs, gb);
            out[2] = localScale((p & visual->red_mask) >> rs, rb);
            out[3] = 0;
        }
    XDestroyImage(image);
    *width = w;
    *height = h;
    return true;
}
