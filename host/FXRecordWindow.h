// FXRecordWindow: a window that hands every presented frame to a listener
// before it is presented: it wraps another window (the offscreen one) and
// its surfaces, and changes nothing else.
#pragma once

#include "sys/PGLWindow.h"

class PFrameListener {
public:
    virtual ~PFrameListener() {}
    // Called on the presenting thread with the frame's context current,
    // before the buffers are swapped.
    virtual void OnPresent(int width, int height) = 0;
};

class FXRecordWindow : public PGLWindow {
public:
    FXRecordWindow(PGLWindow* inner, PFrameListener* listener) : inner(inner), listener(listener) {}
    ~FXRecordWindow() override;

    void GetClientSize(int* w, int* h) override { inner->GetClientSize(w, h); }
    void GetScreenSize(int* w, int* h) override { inner->GetScreenSize(w, h); }
    PGLSurface* CreateSurface(const FXGLPixelFormat& format) override;
    void ReleaseSurface(PGLSurface* surface) override;
    void GetRectInParent(FXRect* rect) override { inner->GetRectInParent(rect); }
    void* SetParent(void* parent) override { return inner->SetParent(parent); }
    void Move(int left, int top, int w, int h) override { inner->Move(left, top, w, h); }

private:
    PGLWindow* inner;
    PFrameListener* listener;
};
