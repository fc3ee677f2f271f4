// FXDevilCodec: pictures through DevIL's entry points as fxDevil.cpp binds
// them. Only valid while they are bound.
#pragma once

#include "render/PPictureCodec.h"

class FXDevilCodec : public PPictureCodec {
public:
    const char* Name() const override { return "DevIL"; }
    bool Decode(const char* path, int type, const void* bytes, size_t size, int channels, FXPixmap* out,
                int* native, std::string* why) override;
    bool Save(const char* path, int w, int h, int channels, const unsigned char* pixels) override;
    void SetJpegQuality(int quality) override;
};
