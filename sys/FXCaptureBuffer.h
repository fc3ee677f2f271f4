// FXCaptureBuffer: a capture whose Begin leaves its picture in memory in the
// display's order (blue, green, red, padding; rows top-down, 4 * width
// bytes apart); Lock hands that out and End lets it go.
#pragma once

#include "sys/PScreenCapture.h"

#include <vector>

class FXCaptureBuffer : public PScreenCapture {
public:
    bool Lock(const unsigned char** pixels, int* pitch, std::string* why) override
    {
        if (copy.empty()) {
            *why = "Lock (nothing captured)";
            return false;
        }
        *pixels = copy.data();
        *pitch = 4 * copyWidth;
        return true;
    }
    void End() override { copy.clear(); }

protected:
    int copyWidth = 0;
    std::vector<unsigned char> copy;
};
