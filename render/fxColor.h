// Colours are four floats (red, green, blue, alpha) nominally in 0..1, passed
// as a pointer to the first. Packed pixels are 32-bit: the texture order of
// fxColToInt1 has red in the low byte (memory bytes R, G, B, A); the order of
// fxColToInt has blue in the low byte (B, G, R, A). Packing multiplies by 255
// and truncates without clamping, so channels must lie within 0..1.
#pragma once

void fxColSetBlackT(float* c); // 0, 0, 0, 0
void fxColSetBlack(float* c);  // 0, 0, 0, 1
void fxColSetWhite(float* c);  // 1, 1, 1, 1
void fxColSet(float* c, float r, float g, float b, float a);
unsigned fxColToInt1(const float* c);
void fxColFromInt1(float* c, unsigned pixel);
unsigned fxColToInt(const float* c);
void fxColFromInt(float* c, unsigned pixel);
void fxColCutRange(float* c);
// True when all four channels are 0; false when any is not a number.
bool fxColIsZero(const float* c);
