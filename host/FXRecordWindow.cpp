#include "host/FXRecordWindow.h"

namespace {

class LocalSurface : public PGLSurface {
public:
    LocalSurface(PGLWindow* window, PGLSurface* inner, PFrameListener* listener)
        : window(window), inner(inner), listener(listener)
    {
    }
    void* CreateContext() override { return inner->CreateContext(); }
    void DeleteContext(void* c) override { inner->DeleteContext(c); }
    bool MakeCurrent(void* c) override { return inner->MakeCurrent(c); }
    void SwapBuffers() override
    {
        int w = 0, h = 0;
        window->GetClientSize(&w, &h);
        if (listener)
            listener->OnPresent(w, h);
        inner->SwapBuffers();
    }
    void* GetProcAddress(const char* name) override { return inner->GetProcAddress(name); }
    bool SetSwapInterval(int interval) override { return inner->SetSwapInterval(interval); }

    PGLWindow* window;
    PGLSurface* inner;
    PFrameListener* listener;
};

} // namespace

FXRecordWindow::~FXRecordWindow() {}

PGLSurface* FXRecordWindow::CreateSurface(const FXGLPixelFormat& format)
{
    PGLSurface* s = inner->CreateSurface(format);
    return s ? new LocalSurface(inner, s, listener) : nullptr;
}

void FXRecordWindow::ReleaseSurface(PGLSurface* surface)
{
    auto* s = static_cast<LocalSurface*>(surface);
    if (!s)
        return;
    inner->ReleaseSurface(s->inner);
    delete s;
}
