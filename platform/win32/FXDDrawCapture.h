// FXDDrawCapture: the Windows screen through DirectDraw 7: the primary
// surface copied onto an off-screen surface with Blt and read locked. The
// DirectDraw object and the primary surface are kept between captures and
// released by Shutdown (when a capture canvas is destroyed).
#pragma once

#include "sys/PScreenCapture.h"

class FXDDrawCapture : public PScreenCapture {
public:
    bool Begin(int* width, int* height, std::string* why) override;
    bool Lock(const unsigned char** pixels, int* pitch, std::string* why) override;
    void End() override;
    void Shutdown() override;

private:
    void* back = nullptr; // IDirectDrawSurface7*
    bool locked = false;
};
