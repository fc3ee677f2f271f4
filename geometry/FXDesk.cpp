#include "geometry/FXDesk.h"

#include "base/fxVector.h"
#include "render/FXMaterial.h"
#include "render/PEnv.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// The flame's sway uses this value of pi, not the full-precision one.
const float kFlamePi = 3.1415f;

// Grid coordinate of line i of n. A desk with 0 cells in one direction has
// a single line there, taken as coordinate 0 instead of 0/0.
float localCoord(int i, int n)
{
    return n ? static_cast<float>(i) / static_cast<float>(n) : 0.0f;
}

int64_t localVertexTotal(int cols, int rows)
{
    return (static_cast<int64_t>(cols) + 1) * (static_cast<int64_t>(rows) + 1);
}

// Calls f(vertex, u, v) for every grid vertex, top row first. Does nothing
// when the mesh does not hold the grid (a desk that was never created).
template <class F>
void localEachVertex(FXDesk* d, F f)
{
    FXMesh& m = d->mesh;
    if (!m.vertices || m.vertexCount != localVertexTotal(d->cols, d->rows))
        return;
    tagFXVertex* vx = m.vertices;
    for (int r = 0; r <= d->rows; ++r) {
        float v = localCoord(r, d->rows);
        for (int c = 0; c <= d->cols; ++c, ++vx)
            f(*vx, localCoord(c, d->cols), v);
    }
}

void localSetPos(tagFXVertex& vx, float x, float y)
{
    vx.pos[0] = x;
    vx.pos[1] = y;
    vx.pos[2] = 0.0f;
}

void localSetNormal(tagFXVertex& vx)
{
    vx.norm[0] = 0.0f;
    vx.norm[1] = 0.0f;
    vx.norm[2] = -1.0f;
}

// Corner number to vertex index; -1 for anything but 1..4.
int localCornerVertex(int corner)
{
    static const int kVertex[4] = {0, 1, 3, 2};
    return corner >= 1 && corner <= 4 ? kVertex[corner - 1] : -1;
}

tagFXVertex* localCorner(FXDesk* d, int corner)
{
    int i = localCornerVertex(corner);
    if (i < 0 || !d->mesh.vertices || d->mesh.vertexCount < 4)
        return nullptr;
    return &d->mesh.vertices[i];
}

void localExtents(const FXMesh& m, float* eu, float* ev)
{
    *eu = m.material ? m.material->texExtentU : 0.0f;
    *ev = m.material ? m.material->texExtentV : 0.0f;
}

} // namespace

void FXDesk::OnRender(PEnv* env, double)
{
    if (env && mesh.indexCount > 0)
        env->RenderMesh(&mesh);
}

void FXDesk::Destroy()
{
    cols = 0;
    rows = 0;
    mesh.Destroy();
}

bool FXDesk::Create(int newCols, int newRows)
{
    if (newCols == cols && newRows == rows)
        return true;
    bool fits = newCols >= 0 && newRows >= 0 && localVertexTotal(newCols, newRows) <= INT_MAX &&
                static_cast<int64_t>(newCols) * newRows <= INT_MAX / 6;
    if (!fits || !mesh.Realloc((newCols + 1) * (newRows + 1), newCols * newRows * 6)) {
        // Keep the arrays for reuse; the mesh counts are 0 like the grid.
        cols = 0;
        rows = 0;
        mesh.Realloc(0, 0);
        return false;
    }
    cols = newCols;
    rows = newRows;
    // Zeroed even for a desk without cells, so normSum, mark and spare are
    // defined on every desk.
    std::memset(mesh.vertices, 0, static_cast<size_t>(mesh.vertexCount) * sizeof(tagFXVertex));
    if (mesh.indexCount > 0)
        std::memset(mesh.indices, 0, static_cast<size_t>(mesh.indexCount) * sizeof(int));

    int* ix = mesh.indices;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            int tl = r * (cols + 1) + c;
            int bl = tl + cols + 1;
            *ix++ = tl;
            *ix++ = bl;
            *ix++ = tl + 1;
            *ix++ = bl;
            *ix++ = bl + 1;
            *ix++ = tl + 1;
        }
    }
    UpdatePos(true, true);
    UpdateCol();
    UpdateTex();
    return true;
}

void FXDesk::SetMaterial(FXMaterial* material)
{
    mesh.material = material;
    UpdateTex();
}

void FXDesk::SetMaterial1(FXMaterial* material)
{
    mesh.material = material;
    mesh.ResizeTexCoords();
}

void FXDesk::UpdatePos(bool pos, bool normal)
{
    localEachVertex(this, [=](tagFXVertex& vx, float u, float v) {
        if (pos)
            localSetPos(vx, 2.0f * u - 1.0f, 1.0f - 2.0f * v);
        if (normal)
            localSetNormal(vx);
    });
}

void FXDesk::UpdatePosFlame(float freq, float amp, float offset)
{
    localEachVertex(this, [=](tagFXVertex& vx, float u, float v) {
        float w = v * freq + offset;
        if (w > 1.0f)
            w -= 1.0f;
        localSetPos(vx, 2.0f * u - 1.0f + std::sin(2.0f * kFlamePi * w) * amp * v, 1.0f - 2.0f * v);
    });
}

void FXDesk::UpdatePosSkew(bool pos, bool normal, float dx, float dy)
{
    localEachVertex(this, [=](tagFXVertex& vx, float u, float v) {
        if (pos)
            localSetPos(vx, 2.0f * u - 1.0f + (1.0f - v) * dx, 1.0f - 2.0f * v + (1.0f - u) * dy);
        if (normal)
            localSetNormal(vx);
    });
}

void FXDesk::UpdatePosSkew1(bool pos, bool normal, float dx, float dy)
{
    localEachVertex(this, [=](tagFXVertex& vx, float u, float v) {
        if (pos)
            localSetPos(vx, 2.0f * u - 1.0f + v * dx, 1.0f - 2.0f * v + u * dy);
        if (normal)
            localSetNormal(vx);
    });
}

void FXDesk::UpdatePosPerspective(float k)
{
    localEachVertex(this, [=](tagFXVertex& vx, float u, float v) {
        localSetPos(vx, (2.0f * u - 1.0f) * (1.0f + v * k), 1.0f - 2.0f * v);
    });
}

void FXDesk::UpdateCol()
{
    static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    UpdateColCol(kWhite);
}

void FXDesk::UpdateColCol(const float* rgba)
{
    localEachVertex(this, [=](tagFXVertex& vx, float, float) { std::memcpy(vx.col, rgba, sizeof vx.col); });
}

void FXDesk::UpdateCol_LT_RB(const float* lt, const float* rb)
{
    localEachVertex(this, [=](tagFXVertex& vx, float u, float v) { fxVec4fCombineP(vx.col, lt, rb, u * v); });
}

void FXDesk::UpdateTex()
{
    float eu, ev;
    localExtents(mesh, &eu, &ev);
    bool flip = mesh.flipTexV;
    localEachVertex(this, [=](tagFXVertex& vx, float u, float v) {
        vx.tex[0] = u * eu;
        vx.tex[1] = ev * (flip ? 1.0f - v : v);
    });
}

void FXDesk::UpdateTex1()
{
    bool flip = mesh.flipTexV;
    localEachVertex(this, [=](tagFXVertex& vx, float u, float v) {
        vx.tex[0] = u;
        vx.tex[1] = flip ? 1.0f - v : v;
    });
}

void FXDesk::UpdateTexRc(float s0, float t0, float s1, float t1)
{
    float eu, ev;
    localExtents(mesh, &eu, &ev);
    bool flip = mesh.flipTexV;
    localEachVertex(this, [=](tagFXVertex& vx, float u, float v) {
        float b = t0 + v * (t1 - t0);
        vx.tex[0] = (s0 + u * (s1 - s0)) * eu;
        vx.tex[1] = ev * (flip ? 1.0f - b : b);
    });
}

void FXDesk::SetVertexPos(int corner, float x, float y)
{
    if (tagFXVertex* vx = localCorner(this, corner)) {
        vx->pos[0] = x;
        vx->pos[1] = y;
    }
}

void FXDesk::SetTexelPos(int corner, float s, float t)
{
    if (tagFXVertex* vx = localCorner(this, corner)) {
        vx->tex[0] = s;
        vx->tex[1] = t;
    }
}

void FXDesk::SetVertexPos1(int corner, int px, int py, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    SetVertexPos(corner, 2.0f * static_cast<float>(px) / static_cast<float>(width) - 1.0f,
                 1.0f - 2.0f * static_cast<float>(py) / static_cast<float>(height));
}

void FXDesk::SetTexelPos1(int corner, int px, int py, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    SetTexelPos(corner, static_cast<float>(px) / static_cast<float>(width),
                static_cast<float>(py) / static_cast<float>(height));
}
