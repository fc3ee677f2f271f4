// Float vectors of 1 to 4 components: component-wise products and
// interpolation by a phase. Phase 0 and 1 give a and b exactly; t is not
// clamped, so phases outside 0..1 extrapolate. out may alias a or b.
#pragma once

void fxVec2fCombine(float* out, const float* a, const float* b);
void fxVec3fCombine(float* out, const float* a, const float* b);
void fxVec4fCombine(float* out, const float* a, const float* b);

float fxVec1fCombineP(float a, float b, float t);
void fxVec2fCombineP(float* out, const float* a, const float* b, float t);
void fxVec3fCombineP(float* out, const float* a, const float* b, float t);
void fxVec4fCombineP(float* out, const float* a, const float* b, float t);
