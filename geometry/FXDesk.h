// FXDesk: a cols x rows grid over the square -1..+1 (z = 0), the flat
// textured layer of the show. It is regenerated, not edited: each Update
// rewrites one vertex attribute from a closed formula in the grid coordinates
// u = c / cols (left to right) and v = r / rows (top to bottom). Create and
// SetMaterial call them through the virtual table, so a subclass's formula
// takes effect there too.
#pragma once

#include "geometry/FXMesh.h"
#include "render/PRender.h"

class FXMaterial;

class FXDesk : public PRender {
public:
    int cols;
    int rows;
    FXMesh mesh;

    FXDesk() : cols(0), rows(0) {}
    ~FXDesk() override { FXDesk::Destroy(); }

    void OnRender(PEnv* env, double t) override;
    virtual void Destroy();
    virtual void UpdatePos(bool pos, bool normal);
    virtual void UpdatePosFlame(float freq, float amp, float offset);
    virtual void UpdatePosSkew(bool pos, bool normal, float dx, float dy);
    virtual void UpdatePosSkew1(bool pos, bool normal, float dx, float dy);
    virtual void UpdatePosPerspective(float k);
    virtual void UpdateCol();
    virtual void UpdateColCol(const float* rgba);
    virtual void UpdateCol_LT_RB(const float* lt, const float* rb);
    virtual void UpdateTex();
    virtual void UpdateTex1();
    virtual void UpdateTexRc(float s0, float t0, float s1, float t1);

    // Rebuilds the grid unless it already has this size: (cols + 1)(rows + 1)
    // vertices, two triangles per cell, then UpdatePos(true, true), UpdateCol
    // and UpdateTex. With 0 cells in one direction the desk has no triangles
    // and one line of vertices there, at coordinate 0 (the left column at
    // x = -1, or the top row at y = 1). False (desk 0 x 0, mesh counts 0) when
    // a count is negative, the totals overflow int, or allocation fails.
    bool Create(int cols, int rows);
    // The new material's extents take effect through UpdateTex.
    void SetMaterial(FXMaterial* material);
    // Keeps the coordinates and rescales them with FXMesh::ResizeTexCoords.
    void SetMaterial1(FXMaterial* material);

    // Corners are numbered clockwise from the top left: 1 -> vertex 0,
    // 2 -> 1, 3 -> 3, 4 -> 2. Other numbers, a mesh with fewer than four
    // vertices, and a pixel form with width or height not above 0 do nothing.
    // Meant for 1 x 1; the pixel forms map the pixel rectangle onto -1..+1
    // (y up) and 0..1 (t down).
    void SetVertexPos(int corner, float x, float y);
    void SetTexelPos(int corner, float s, float t);
    void SetVertexPos1(int corner, int px, int py, int width, int height);
    void SetTexelPos1(int corner, int px, int py, int width, int height);
};
