// The platform's picture of the screen, in the steps a capture takes: find
// the screen and copy it (Begin), read the copy (Lock), let it go (End).
// Pixels come as the display keeps them: four bytes blue, green, red,
// padding, rows top-down. One implementation per platform (DirectDraw,
// XGetImage, a picture file for the headless recorder); FXScrShot turns the
// pixels into its canvas.
#pragma once

#include <string>

class PScreenCapture {
public:
    virtual ~PScreenCapture() {}
    // The screen's size and a copy of it. False, with the failed step in
    // *why (traced as an error by the caller), or with why left empty when
    // there is no screen (a size of 0).
    virtual bool Begin(int* width, int* height, std::string* why) = 0;
    // The copy's pixels, rows pitch bytes apart. False with the reason.
    virtual bool Lock(const unsigned char** pixels, int* pitch, std::string* why) = 0;
    // Releases the copy taken by Begin (after Lock or a failed Lock).
    virtual void End() = 0;
    // Releases what the platform keeps between captures.
    virtual void Shutdown() {}
};

// The process's capture; null when the platform offers none.
void fxSetScreenCapture(PScreenCapture* capture);
PScreenCapture* fxGetScreenCapture();
