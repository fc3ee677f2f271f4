// FXGdiCapture: the whole Windows virtual screen (every monitor, origins
// left of or above the primary included) copied with GDI from the screen's
// device context into a 32-bit top-down DIB section. The process must be
// DPI aware for the copy to be in physical pixels; otherwise Windows hands
// a scaled-down screen.
#pragma once

#include "base/FXRect.h"
#include "sys/PScreenCapture.h"

class FXGdiCapture : public PScreenCapture {
public:
    FXGdiCapture() = default;
    ~FXGdiCapture() override { End(); }
    FXGdiCapture(const FXGdiCapture&) = delete;
    FXGdiCapture& operator=(const FXGdiCapture&) = delete;

    bool Begin(int* width, int* height, std::string* why) override;
    bool Lock(const unsigned char** pixels, int* pitch, std::string* why) override;
    void End() override;

    // The virtual screen in its own coordinates, as the last Begin found it.
    const FXRect& Rect() const { return rect; }

private:
    FXRect rect;
    void* bitmap = nullptr; // HBITMAP of the copy
    unsigned char* bits = nullptr;
};

// The virtual screen now; falls back to the primary screen at 0,0 on a
// system without the virtual-screen metrics.
FXRect fxWin32VirtualScreen();
