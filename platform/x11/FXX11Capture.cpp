#include "platform/x11/FXX11Capture.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <sys/ipc.h>
#include <sys/shm.h>

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
// end the process on it. Noted, so a refused shared-memory read can fall
// back to the plain one.
bool localErrored = false;

int localIgnore(Display*, XErrorEvent*)
{
    localErrored = true;
    return 0;
}

// Already blue, green, red, padding in memory, as the canvas takes it.
bool localDisplayOrder(const XImage* im, const Visual* v)
{
    return im->bits_per_pixel == 32 && im->byte_order == LSBFirst && v->red_mask == 0xff0000 &&
           v->green_mask == 0xff00 && v->blue_mask == 0xff;
}

} // namespace

bool FXX11Capture::Begin(int* width, int* height, std::string* why)
{
    End();
    why->clear();
    Window root = DefaultRootWindow(display);
    Drawable source = localScreenshot(display, window);
    XWindowAttributes ra;
    if (!XGetWindowAttributes(display, root, &ra) || ra.width <= 0 || ra.height <= 0)
        return false;
    w = ra.width;
    h = ra.height;
    int sourceDepth = ra.depth;
    if (source) {
        Window r;
        int x, y;
        unsigned pw = 0, ph = 0, border, depth;
        if (XGetGeometry(display, source, &r, &x, &y, &pw, &ph, &border, &depth) && pw > 0 && ph > 0) {
            w = static_cast<int>(pw);
            h = static_cast<int>(ph);
            sourceDepth = static_cast<int>(depth);
        } else {
            source = 0;
        }
    }
    if (!source)
        source = root;
    Visual* visual = ra.visual;
    if (!visual || visual->c_class != TrueColor) {
        *why = "XGetImage (the screen is not TrueColor)";
        return false;
    }
    XSync(display, False);
    localErrored = false;
    auto previous = XSetErrorHandler(localIgnore);
    XImage* im = ReadShared(source, visual, sourceDepth);
    if (!im) {
        localErrored = false;
        im = XGetImage(display, source, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
        XSync(display, False);
    }
    XSetErrorHandler(previous);
    if (!im) {
        *why = source == root ? "XGetImage (root window)" : "XGetImage (xscreensaver screenshot)";
        return false;
    }
    *width = w;
    *height = h;
    if (localDisplayOrder(im, visual)) {
        image = im;
        return true;
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
            unsigned long p = XGetPixel(im, x, y);
            out[0] = localScale((p & visual->blue_mask) >> bs, bb);
            out[1] = localScale((p & visual->green_mask) >> gs, gb);
            out[2] = localScale((p & visual->red_mask) >> rs, rb);
            out[3] = 0;
        }
    image = im;
    Release();
    return true;
}

// The picture through a shared-memory segment, or null where the server
// cannot share memory with us (a remote display) or refuses.
XImage* FXX11Capture::ReadShared(Drawable source, Visual* visual, int depth)
{
    if (!XShmQueryExtension(display))
        return nullptr;
    XImage* im = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shm,
                                 static_cast<unsigned>(w), static_cast<unsigned>(h));
    if (!im)
        return nullptr;
    shm.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(im->bytes_per_line) * im->height, IPC_CREAT | 0600);
    if (shm.shmid < 0) {
        XDestroyImage(im);
        return nullptr;
    }
    shm.shmaddr = im->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
    shm.readOnly = False;
    bool ok = shm.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(display, &shm);
    XSync(display, False);
    // Gone from the system as soon as both ends are detached, whatever happens.
    shmctl(shm.shmid, IPC_RMID, nullptr);
    if (!ok || localErrored) {
        if (shm.shmaddr != reinterpret_cast<char*>(-1))
            shmdt(shm.shmaddr);
        im->data = nullptr;
        XDestroyImage(im);
        return nullptr;
    }
    shmAttached = true;
    image = im;
    ok = XShmGetImage(display, source, im, 0, 0, AllPlanes);
    XSync(display, False);
    if (!ok || localErrored) {
        Release();
        return nullptr;
    }
    image = nullptr;
    return im;
}

bool FXX11Capture::Lock(const unsigned char** pixels, int* pitch, std::string* why)
{
    if (!image)
        return FXCaptureBuffer::Lock(pixels, pitch, why);
    *pixels = reinterpret_cast<const unsigned char*>(image->data);
    *pitch = image->bytes_per_line;
    return true;
}

void FXX11Capture::End()
{
    Release();
    FXCaptureBuffer::End();
}

void FXX11Capture::Release()
{
    if (shmAttached) {
        XShmDetach(display, &shm);
        XSync(display, False);
        shmdt(shm.shmaddr);
        shmAttached = false;
        if (image)
            image->data = nullptr; // not XDestroyImage's to free
    }
    if (image)
        XDestroyImage(image);
    image = nullptr;
}
