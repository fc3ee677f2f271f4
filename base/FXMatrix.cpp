#include "base/FXMatrix.h"

#include "base/fxStream.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// 3.1415 / 180, the engine's degree factor.
const float kDegToRad = 0.017452778f;

// Identity but for the plane of axes a and b: cosine at (a,a) and (b,b),
// +sine at (a,b), -sine at (b,a).
void localSetRotate(FXMatrix* m, float degrees, int a, int b)
{
    float t = degrees * kDegToRad;
    float s = std::sin(t), c = std::cos(t);
    m->SetIdentity();
    m->M(a, a) = c;
    m->M(b, b) = c;
    m->M(a, b) = s;
    m->M(b, a) = -s;
}

} // namespace

void FXMatrix::Clear(float v)
{
    for (float& e : m)
        e = v;
}

void FXMatrix::Copy(const FXMatrix* src)
{
    for (int i = 0; i < 16; ++i)
        m[i] = src->m[i];
}

bool FXMatrix::Compare(const FXMatrix* other) const
{
    for (int i = 0; i < 16; ++i)
        if (!(m[i] == other->m[i]))
            return false;
    return true;
}

void FXMatrix::Multiply(const FXMatrix* a, const FXMatrix* b)
{
    float r[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += b->M(i, k) * a->M(k, j);
            r[i * 4 + j] = s;
        }
    for (int i = 0; i < 16; ++i)
        m[i] = r[i];
}

void FXMatrix::SetIdentity()
{
    Clear(0.0f);
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void FXMatrix::SetFlipX()
{
    SetIdentity();
    M(0, 0) = -1.0f;
}

void FXMatrix::SetFlipY()
{
    SetIdentity();
    M(1, 1) = -1.0f;
}

void FXMatrix::SetFlipZ()
{
    SetIdentity();
    M(2, 2) = -1.0f;
}

void FXMatrix::SetMove(const float* v)
{
    SetMoveF(v[0], v[1], v[2]);
}

void FXMatrix::SetMoveF(float x, float y, float z)
{
    SetIdentity();
    M(3, 0) = x;
    M(3, 1) = y;
    M(3, 2) = z;
    M(3, 3) = 1.0f;
}

void FXMatrix::SetScale(const float* v)
{
    SetScaleF(v[0], v[1], v[2]);
}

void FXMatrix::SetScaleF(float x, float y, float z)
{
    Clear(0.0f);
    M(0, 0) = x;
    M(1, 1) = y;
    M(2, 2) = z;
    M(3, 3) = 1.0f;
}

void FXMatrix::SetRotateX(float degrees)
{
    localSetRotate(this, degrees, 1, 2);
}

void FXMatrix::SetRotateY(float degrees)
{
    localSetRotate(this, degrees, 0, 2);
}

void FXMatrix::SetRotateZ(float degrees)
{
    localSetRotate(this, degrees, 1, 0);
}

bool FXMatrix::Save(FILE* f) const
{
    for (float e : m)
        if (!fxWriteFloat(f, e))
            return false;
    return true;
}

bool FXMatrix::Load(FILE* f)
{
    float r[16];
    for (float& e : r)
        if (!fxReadFloat(f, &e)) {
            SetIdentity();
            return false;
        }
    for (int i = 0; i < 16; ++i)
        m[i] = r[i];
    return true;
}
