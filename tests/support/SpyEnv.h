// A render environment that passes every operation on to a real device and
// notes, for each mesh drawn, the model-view matrix and the mesh's first
// vertex colour at that moment: what the scene script decided, read where
// it takes effect.
#pragma once

#include "base/FXMatrix.h"
#include "geometry/FXMesh.h"
#include "render/PEnv.h"

#include <cstring>
#include <vector>

class SpyEnv : public PEnv {
public:
    struct Draw {
        const FXMesh* mesh;
        float matrix[16];
        float colour[4]; // of vertex 0; zeros for a mesh without vertices
    };
    std::vector<Draw> draws;

    explicit SpyEnv(PEnv* device) : d(device) { Sync(); }

    // The draws of mesh m since the last Clear.
    std::vector<Draw> Of(const FXMesh* m) const
    {
        std::vector<Draw> out;
        for (const Draw& x : draws)
            if (x.mesh == m)
                out.push_back(x);
        return out;
    }
    void Clear() { draws.clear(); }

    void RenderMesh(FXMesh* m) override
    {
        Draw x{};
        x.mesh = m;
        std::memcpy(x.matrix, d->matrix.m, sizeof x.matrix);
        if (m->vertices && m->vertexCount > 0)
            std::memcpy(x.colour, m->vertices[0].col, sizeof x.colour);
        draws.push_back(x);
        d->RenderMesh(m);
    }

    bool CreateChild(void* w) override { return d->CreateChild(w); }
    void ClrParams() override { d->ClrParams(); }
    void SetAct(bool on) override { d->SetAct(on); }
    bool RenderStart() override { return d->RenderStart(); }
    void RenderEnd() override { d->RenderEnd(); }
    void Lock(bool on) override { d->Lock(on); }
    void SetClrColor(const float* c) override { d->SetClrColor(c); }
    void Clrscr(bool c, bool z, bool s) override { d->Clrscr(c, z, s); }
    void Enlarge(bool on) override { d->Enlarge(on); }
    void UpdateLights() override { d->UpdateLights(); }
    void ApplyMaterial(FXMaterial* m) override { d->ApplyMaterial(m); }
    void ApplyMaterial2(FXMaterial* m) override { d->ApplyMaterial2(m); }
    void ApplyMatrix(const FXMatrix* m) override
    {
        d->ApplyMatrix(m);
        Sync();
    }
    void MultiplyMatrix(const FXMatrix* m) override
    {
        d->MultiplyMatrix(m);
        Sync();
    }
    void ApplyMatrixIdentity() override
    {
        d->ApplyMatrixIdentity();
        Sync();
    }
    void EnableLights(bool on) override { d->EnableLights(on); }
    void EnableLight(bool on, FXLight* l) override { d->EnableLight(on, l); }
    void DisableAllLights() override { d->DisableAllLights(); }
    void SetAmbient(const float* c) override { d->SetAmbient(c); }
    void EnableDepthTest(bool on) override { d->EnableDepthTest(on); }
    void EnableDepthWrite(bool on) override { d->EnableDepthWrite(on); }
    void EnableCullface(bool cull, bool back) override { d->EnableCullface(cull, back); }
    void EnableNormalize(bool on) override { d->EnableNormalize(on); }
    void EnableSphereMap(bool on) override { d->EnableSphereMap(on); }
    bool ReadPixels(int w, int h, unsigned char* rgb) override { return d->ReadPixels(w, h, rgb); }
    bool PrepareTexture(FXMaterial* m) override { return d->PrepareTexture(m); }
    bool FastPrepareTexture(FXMaterial* m, FXPixmap* p) override { return d->FastPrepareTexture(m, p); }
    bool PrepareCubeTexture(FXMaterial* m, FXPixmap* p0, FXPixmap* p1, FXPixmap* p2, FXPixmap* p3,
                            FXPixmap* p4, FXPixmap* p5) override
    {
        return d->PrepareCubeTexture(m, p0, p1, p2, p3, p4, p5);
    }
    void UnprepareTexture(FXMaterial* m) override { d->UnprepareTexture(m); }
    bool PrepareMesh(FXMesh* m) override { return d->PrepareMesh(m); }
    void UnprepareMesh(FXMesh* m) override { d->UnprepareMesh(m); }

private:
    // Drawables read the size and the current matrix off the environment.
    void Sync()
    {
        width = d->width;
        height = d->height;
        screenWidth = d->screenWidth;
        screenHeight = d->screenHeight;
        matrix.Copy(&d->matrix);
    }

    PEnv* d;
};
