// FXPictureCapture: the headless platform's screen: a picture file (or a
// picture in memory) stands in for the desktop, handed out as a display
// would hand out its pixels.
#pragma once

#include "base/FXStr.h"
#include "platform/PScreenCapture.h"

#include <cstdint>
#include <vector>

class FXPictureCapture : public PScreenCapture {
public:
    // Decodes the file at each Begin.
    void SetFile(const char* path);
    // A picture in memory, 0xAABBGGRR pixels, rows top-down.
    void SetPixels(int width, int height, const uint32_t* rgba);

    bool Begin(int* width, int* height, const char** failure) override;
    bool Lock(const unsigned char** pixels, int* pitch, const char** failure) override;
    void End() override;

private:
    FXStr path;
    int w = 0, h = 0;
    std::vector<uint32_t> source;     // the picture in memory
    std::vector<unsigned char> copy;  // blue, green, red, padding
    char message[1100] = {0};

};
