#include "platform/x11/FXGlxWindow.h"

#include "base/FXRect.h"

#include <GL/glx.h>

#include <dlfcn.h>

#include <cstdint>
#include <cstring>

// Mesa's software GLX asks a window's size with XGetGeometry before it draws
// and uses the sizes even when the call failed, as it does on a window that
// was just destroyed (the preview's parent closing under the render thread):
// stack garbage for sizes, buffers of gigabytes cleared for seconds. This
// one, found before libX11's by every library of the process, reads a failed
// query as an empty window.
extern "C" Status XGetGeometry(Display* display, Drawable d, Window* root, int* x, int* y, unsigned* width,
                               unsigned* height, unsigned* border, unsigned* depth)
{
    using Fn = Status (*)(Display*, Drawable, Window*, int*, int*, unsigned*, unsigned*, unsigned*, unsigned*);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "XGetGeometry"));
    *x = *y = 0;
    *width = *height = *border = *depth = 0;
    *root = None;
    return real ? real(display, d, root, x, y, width, height, border, depth) : 0;
}

namespace {

bool localHasExtension(const char* list, const char* name)
{
    size_t n = std::strlen(name);
    for (const char* p = list; p && (p = std::strstr(p, name)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0'))
            return true;
    return false;
}

class FXGlxSurface : public PGLSurface {
public:
    FXGlxSurface(Display* d, Window w, XVisualInfo* vi) : display(d), window(w), visual(vi) {}
    ~FXGlxSurface() override { XFree(visual); }

    void* CreateContext() override { return glXCreateContext(display, visual, nullptr, True); }
    void DeleteContext(void* c) override
    {
        if (c)
            glXDestroyContext(display, static_cast<GLXContext>(c));
    }
    bool MakeCurrent(void* c) override
    {
        if (!c)
            return glXMakeCurrent(display, None, nullptr) != 0;
        return glXMakeCurrent(display, window, static_cast<GLXContext>(c)) != 0;
    }
    void SwapBuffers() override { glXSwapBuffers(display, window); }
    void* GetProcAddress(const char* name) override
    {
        return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
    }
    bool SetSwapInterval(int interval) override
    {
        const char* ext = glXQueryExtensionsString(display, visual->screen);
        if (localHasExtension(ext, "GLX_EXT_swap_control")) {
            using Fn = void (*)(Display*, GLXDrawable, int);
            if (auto f = reinterpret_cast<Fn>(GetProcAddress("glXSwapIntervalEXT"))) {
                f(display, window, interval);
                return true;
            }
        }
        if (localHasExtension(ext, "GLX_MESA_swap_control")) {
            using Fn = int (*)(unsigned);
            if (auto f = reinterpret_cast<Fn>(GetProcAddress("glXSwapIntervalMESA")))
                return f(static_cast<unsigned>(interval)) == 0;
        }
        if (localHasExtension(ext, "GLX_SGI_swap_control")) {
            using Fn = int (*)(int);
            if (auto f = reinterpret_cast<Fn>(GetProcAddress("glXSwapIntervalSGI")))
                return f(interval) == 0;
        }
        return false;
    }

    Display* display;
    Window window;
    XVisualInfo* visual;
};

} // namespace

XVisualInfo* FXGlxWindow::ChooseVisual(Display* display, int screen, const FXGLPixelFormat& f)
{
    const int channel = f.colorBits >= 24 ? 8 : 5;
    const int stencils[] = {f.stencilBits, 8, 0};
    for (int stencil : stencils) {
        if (stencil > f.stencilBits)
            continue;
        int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, channel, GLX_GREEN_SIZE, channel,
                            GLX_BLUE_SIZE, channel, GLX_DEPTH_SIZE, f.depthBits, GLX_STENCIL_SIZE, stencil, None};
        if (XVisualInfo* vi = glXChooseVisual(display, screen, attributes))
            return vi;
    }
    return nullptr;
}

void FXGlxWindow::GetClientSize(int* w, int* h)
{
    XWindowAttributes a;
    if (XGetWindowAttributes(display, window, &a)) {
        *w = a.width;
        *h = a.height;
    } else {
        *w = *h = 0;
    }
}

void FXGlxWindow::GetScreenSize(int* w, int* h)
{
    if (monitorSized) {
        GetClientSize(w, h);
        return;
    }
    XWindowAttributes a;
    if (XGetWindowAttributes(display, window, &a) && a.screen) {
        *w = WidthOfScreen(a.screen);
        *h = HeightOfScreen(a.screen);
    } else {
        *w = DisplayWidth(display, DefaultScreen(display));
        *h = DisplayHeight(display, DefaultScreen(display));
    }
}

PGLSurface* FXGlxWindow::CreateSurface(const FXGLPixelFormat& format)
{
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, window, &a) || !a.visual)
        return nullptr;
    XVisualInfo wanted;
    wanted.visualid = XVisualIDFromVisual(a.visual);
    int n = 0;
    XVisualInfo* vi = XGetVisualInfo(display, VisualIDMask, &wanted, &n);
    if (!vi)
        return nullptr;
    int gl = 0, rgba = 0, doubled = 0, depth = 0;
    glXGetConfig(display, vi, GLX_USE_GL, &gl);
    glXGetConfig(display, vi, GLX_RGBA, &rgba);
    glXGetConfig(display, vi, GLX_DOUBLEBUFFER, &doubled);
    glXGetConfig(display, vi, GLX_DEPTH_SIZE, &depth);
    if (!gl || !rgba || doubled != (format.doubleBuffer ? 1 : 0) || depth < format.depthBits) {
        XFree(vi);
        return nullptr;
    }
    return new FXGlxSurface(display, window, vi);
}

void FXGlxWindow::ReleaseSurface(PGLSurface* surface)
{
    delete static_cast<FXGlxSurface*>(surface);
}

void FXGlxWindow::GetRectInParent(FXRect* rect)
{
    XWindowAttributes a;
    if (rect && XGetWindowAttributes(display, window, &a)) {
        rect->left = a.x;
        rect->top = a.y;
        rect->right = a.x + a.width;
        rect->bottom = a.y + a.height;
    }
}

void* FXGlxWindow::SetParent(void* parent)
{
    Window root = 0, old = 0, *children = nullptr;
    unsigned n = 0;
    XQueryTree(display, window, &root, &old, &children, &n);
    if (children)
        XFree(children);
    Window to = parent ? static_cast<Window>(reinterpret_cast<uintptr_t>(parent)) : root;
    XReparentWindow(display, window, to, 0, 0);
    return reinterpret_cast<void*>(static_cast<uintptr_t>(old));
}

void FXGlxWindow::Move(int left, int top, int w, int h)
{
    XMoveResizeWindow(display, window, left, top, static_cast<unsigned>(w), static_cast<unsigned>(h));
}
