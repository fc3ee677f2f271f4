// FXPixmap: a block of packed pixels (texture order) holding a picture in its
// top-left corner. With the power-of-two flag the allocated sides are rounded
// up to powers of two so the block can be uploaded as a texture as it is.
#pragma once

class FXPixmap {
public:
    unsigned* pixels; // owned; null when none
    int blockSize;    // capacity in pixels
    int pitch;        // allocated width: pixels per row
    int allocHeight;  // allocated rows
    int width;        // the picture's size
    int height;
    bool power2;

    FXPixmap() : pixels(nullptr), blockSize(0), pitch(0), allocHeight(0), width(0), height(0), power2(true) {}
    ~FXPixmap() { Destroy(); }
    FXPixmap(const FXPixmap&) = delete;
    FXPixmap& operator=(const FXPixmap&) = delete;

    // Sizes the block for a width x height picture, reusing a large enough
    // block (contents kept) and otherwise allocating an uninitialised one.
    // False, with the pixmap emptied, when a side is negative, the rounded
    // size does not fit an int or the allocation fails.
    bool Realloc(int w, int h);
    // Every allocated pixel.
    void Clear(unsigned pixel);
    void Destroy();
    // Exchanges the blocks and sizes of the two pixmaps (no pixel is copied).
    void Swap(FXPixmap* other);

    // Row y of the block; callers keep y below allocHeight.
    unsigned* Row(int y) const { return pixels + static_cast<long>(y) * pitch; }
};
