// FXCropCapture: one monitor's part of a desktop picture that is already in
// memory (the whole desktop, captured once before any saver window maps),
// handed to a show as its capture. It copies nothing: the picture must
// outlive the shows' builds.
#pragma once

#include "base/FXRect.h"
#include "sys/PScreenCapture.h"

class FXCropCapture : public PScreenCapture {
public:
    // pixels: width x height, four bytes each, rows pitch bytes apart.
    // part: the rectangle wanted, in the picture's pixels; it is clipped to
    // the picture, and an empty result is no screen (Begin false, why empty).
    FXCropCapture(const unsigned char* pixels, int width, int height, int pitch, const FXRect& part);

    bool Begin(int* width, int* height, std::string* why) override;
    bool Lock(const unsigned char** pixels, int* pitch, std::string* why) override;
    void End() override {}

private:
    const unsigned char* first = nullptr; // the part's top-left pixel
    int pitch = 0;
    int width = 0, height = 0;
};
