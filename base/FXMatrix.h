// FXMatrix: 4x4 single-precision matrix in OpenGL's element order, handed to
// GL unchanged. Element (i, j) is m[i*4 + j]; the translation sits at 12, 13,
// 14. Plain record with no constructor: contents are undefined until a Set...,
// Clear, Copy or Load fills them. Angles are in degrees with pi taken as
// 3.1415.
#pragma once

#include <cstdio>

class FXPackage;
class FXPackageData;

class FXMatrix {
public:
    float m[16];

    float& M(int i, int j) { return m[i * 4 + j]; }
    float M(int i, int j) const { return m[i * 4 + j]; }

    void Clear(float v);
    void Copy(const FXMatrix* src);
    // Exact comparison: a NaN element never matches, +0 matches -0.
    bool Compare(const FXMatrix* other) const;
    // this(i,j) = sum over k of b(i,k) * a(k,j): with row vectors b is
    // applied first, then a; in GL's notation a*b. this may alias a or b.
    void Multiply(const FXMatrix* a, const FXMatrix* b);

    void SetIdentity();
    void SetFlipX();
    void SetFlipY();
    void SetFlipZ();
    void SetMove(const float* v);
    void SetMoveF(float x, float y, float z);
    void SetScale(const float* v);
    void SetScaleF(float x, float y, float z);
    // X turns as glRotatef(d, 1,0,0); Y and Z as glRotatef(-d, ...).
    void SetRotateX(float degrees);
    void SetRotateY(float degrees);
    void SetRotateZ(float degrees);

    // The 64-byte record from a package entry; the identity when fewer than
    // 64 bytes are left.
    void LoadC(FXPackage* pkg, FXPackageData* data);

    // The 64-byte record: 16 little-endian floats in element order. Load
    // leaves the identity and returns false when the stream is short.
    bool Save(FILE* f) const;
    bool Load(FILE* f);
};
