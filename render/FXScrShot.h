// FXScrShot: one picture of the whole screen, taken through the platform's
// capture (sys/PScreenCapture.h) into this canvas: the visible pixels
// with alpha 255, rows top-down, the rest of the allocated block opaque
// black.
#pragma once

#include "render/FXCanvas.h"

#include <cstdint>

class FXScrShot : public FXCanvas {
public:
    int32_t count; // successful captures

    FXScrShot() : count(0) {}
    // Releases what the platform keeps between captures, then the canvas.
    ~FXScrShot() override;

    // True on success. A failure traces the platform's message as an error
    // and leaves the canvas as it was, or cleared to black when the copy
    // could not be read.
    bool Update();
};
