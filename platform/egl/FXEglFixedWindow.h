// FXEglFixedWindow: what the EGL windows without a parent do alike: a size
// their owner fixes, no place to move to or parent to join, surfaces that
// are theirs to delete.
#pragma once

#include "base/FXRect.h"
#include "sys/PGLWindow.h"

class FXEglFixedWindow : public PGLWindow {
public:
    void GetClientSize(int* w, int* h) override
    {
        *w = width;
        *h = height;
    }
    void GetScreenSize(int* w, int* h) override { GetClientSize(w, h); }
    void ReleaseSurface(PGLSurface* surface) override { delete surface; }
    void GetRectInParent(FXRect* rect) override { rect->Set(0, 0, width, height); }
    void* SetParent(void*) override { return nullptr; }
    void Move(int, int, int, int) override {}

protected:
    FXEglFixedWindow(int width, int height) : width(width), height(height) {}

    int width, height;
};
