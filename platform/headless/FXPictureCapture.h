// FXPictureCapture: the headless platform's screen: a picture file (or a
// picture in memory) stands in for the desktop, handed out as a display
// would hand out its pixels.
#pragma once

#include "base/FXStr.h"
#include "sys/FXCaptureBuffer.h"

#include <cstdint>
#include <vector>

class FXPictureCapture : public FXCaptureBuffer {
public:
    // Decodes the file at each Begin.
    void SetFile(const char* path);
    // A picture in memory, 0xAABBGGRR pixels, rows top-down.
    void SetPixels(int width, int height, const uint32_t* rgba);

    bool Begin(int* width, int* height, std::string* why) override;
    // Why the last Begin found no picture in the file ("cannot read the
    // desktop picture F: reason", "cannot decode ..."); empty after one that
    // did, and for a picture in memory.
    const char* Problem() const { return problem.Get(); }

private:
    FXStr path;
    int w = 0, h = 0;
    std::vector<uint32_t> source; // the picture in memory
    FXStr problem;

};
