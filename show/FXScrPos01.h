// FXScrPos01: puts a flat item, drawn over the unit square -1..+1, at a pixel
// position and at its own pixel size on a screen of known pixel size. It
// relies on a projection in which -1..+1 spans the window in x and y; the
// item covers its exact pixels when the window has the reference size.
//
// The owner writes the four sizes directly, then places the item with SetPos
// or ShiftPos, which recompute the matrix.
#pragma once

#include "base/FXMatrix.h"
#include "render/PRender.h"

class FXRect;

class FXScrPos01 : public PRender {
public:
    float screenWidth, screenHeight; // the reference size, pixels
    float itemWidth, itemHeight;     // pixels
    float left, top;                 // the item's top-left corner, y downwards
    FXMatrix matrix;                 // unit square -> item, set by Update
    bool relative;                   // compose with the environment's matrix

    FXScrPos01();

    // Loads matrix as the current matrix, or with relative set applies it
    // before the environment's current one.
    void OnRender(PEnv* env, double t) override;
    virtual void Destroy() {}

    void SetPos(float left, float top);
    // Moves by fractions of the screen.
    void ShiftPos(float fx, float fy);
    // The identity while any size is 0 or less: the item fills the window.
    void Update();
    // The item's scale alone, centred.
    void UpdateSize();
    // Narrows the item in x so that it keeps the aspect of a width x height
    // target drawn on the reference screen. align 0 keeps it centred, 1 keeps
    // its right edge, anything else its left edge. Nothing when the target is
    // not narrower than the screen.
    void UpdateAspectH1(int align, float width, float height);
    // The item's pixels on a width x height target; all 0 without a
    // reference size.
    void GetPixelRC(FXRect* rect, int width, int height) const;

private:
    bool HasSizes() const;
};
