// FXCanvas: a decoded picture in an FXPixmap, ready for texture upload.
// Pictures come from package entries or files through the image library
// through the bound codec (fxDevil.h); without one every decode returns
// false.
#pragma once

#include "render/FXPixmap.h"

#include <cstddef>
#include <cstdio>

class FXPackage;

class FXCanvas {
public:
    FXPixmap pixmap;
    bool opaque;          // every picture pixel has alpha 255
    bool detectMaskNames; // a file whose name contains "tran" is a mask
    bool mask;            // the current picture is a mask
    bool clearBeforeLoad; // fill the whole block with bgColor before a decode
    float bgColor[4];

    FXCanvas();
    virtual ~FXCanvas() { pixmap.Destroy(); }
    FXCanvas(const FXCanvas&) = delete;
    FXCanvas& operator=(const FXCanvas&) = delete;

    // True when pixel data was obtained. A failed decode keeps the previous
    // picture; a mask picture becomes white with the source's red as alpha.
    bool CreateFromPictCN(FXPackage* pkg, int id);
    // The entry whose id the text starts with in decimal; false when it does
    // not start with a number.
    bool CreateFromPictC(FXPackage* pkg, const char* text);
    bool CreateFromPict(const char* fileName);
    void Clear(const float* colour);
    void Destroy();

    int GetWidth() const { return pixmap.width; }
    int GetHeight() const { return pixmap.height; }
    float GetWidthF() const { return static_cast<float>(pixmap.width); }
    float GetHeightF() const { return static_cast<float>(pixmap.height); }

    // Authoring side (authoring/FXCanvasAuthoring.cpp).
    bool Copy(const FXCanvas* src);
    void MixColorLayer(const float* colour);
    // A second picture no larger than the canvas; one of its channels
    // becomes the canvas's alpha (0 right of and below the mask).
    bool LoadMask(const char* fileName);
    bool LoadMaskC(FXPackage* pkg, const char* text);
    bool LoadMaskCN(FXPackage* pkg, int id);
    // Repeats the last column and row into the power-of-two padding.
    void ExtendEdges();
    void GetColor(float u, float v, float* colour) const;
    float GetBump(float u, float v) const;
    // Text in the colour, alpha from the rendered coverage times the
    // colour's alpha. font is a family name ("Arial", "DejaVu Sans"; null or
    // empty for the platform's sans serif), size the em height in pixels.
    bool CreateFromText(const char* text, const char* font, int size, const float* colour);
    bool CreateFromTextW(const wchar_t* text, const char* font, int size, const float* colour);
    static bool GetTextSize(const char* text, const char* font, int size, int* w, int* h);
    static bool GetTextWSize(const wchar_t* text, const char* font, int size, int* w, int* h);
    // The picture, or the rectangle x, y, w, h of it, into a picture file
    // whose type follows the extension (overwriting).
    bool SaveToPict(const char* fileName) const;
    bool SaveToPict1(const char* fileName, int x, int y, int w, int h) const;
    // As SaveToPict without the alpha channel (three bytes per pixel).
    bool SaveToPict2(const char* fileName) const;
    // The alpha channel as a one-channel picture, whole or a rectangle.
    bool SaveToMask(const char* fileName) const;
    bool SaveToMask1(const char* fileName, int x, int y, int w, int h) const;
    static void SetJpegQuality(int quality);

private:
    // From the file at path, or the bytes of a package type; name is what
    // a refusal names.
    bool Decode(const char* name, const char* path, int type, const void* bytes, size_t size);
};
