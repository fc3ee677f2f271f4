// FXPictureCapture: a picture file (or a picture in memory) standing in for
// the desktop, handed out as a display would hand out its pixels: the
// recorder's screen, and the sheet's picture when the user names one or
// xscreensaver gives one from its image folder.
#pragma once

#include "base/FXStr.h"
#include "sys/FXCaptureBuffer.h"

#include <cstdint>
#include <string>
#include <vector>

class FXPictureCapture : public FXCaptureBuffer {
public:
    // Decodes the file at each Begin.
    void SetFile(const char* path);
    // Pictures to try in order at each Begin: the first that decodes.
    void SetFiles(const std::vector<std::string>& paths);
    // A picture in memory, 0xAABBGGRR pixels, rows top-down.
    void SetPixels(int width, int height, const uint32_t* rgba);
    // Places the picture on a screen of this size, as a wallpaper that
    // fills it: scaled to cover it with its aspect kept, centred, the
    // overhang cut off. 0 x 0 (the default): the picture at its own size.
    void SetScreen(int width, int height);

    bool Begin(int* width, int* height, std::string* why) override;
    // Why the last Begin found no picture in the file ("cannot read the
    // desktop picture F: reason", "cannot decode ..."); empty after one that
    // did, and for a picture in memory.
    const char* Problem() const { return problem.Get(); }
    // The file the last Begin decoded; empty for none or a picture in memory.
    const std::string& Decoded() const { return decoded; }

private:
    std::vector<std::string> paths;
    int w = 0, h = 0;
    int screenW = 0, screenH = 0;
    std::vector<uint32_t> source; // the picture in memory
    FXStr problem;
    std::string decoded;

    bool Decode(const std::string& path);
};
