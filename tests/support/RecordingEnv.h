// A render environment without a device, for drawables' tests.
#pragma once

#include "render/PEnv.h"

#include <string>
#include <vector>

// Records the mesh, culling and depth-writing calls a drawable makes; every
// other device operation is a no-op.
class RecordingEnv : public PEnv {
public:
    int renders = 0, unprepares = 0;
    std::vector<std::string> log; // "mesh N" (N from meshIds), "cull a b", "depthwrite a"
    std::vector<const FXMesh*> meshIds;

    void RenderMesh(FXMesh* m) override
    {
        ++renders;
        for (size_t i = 0; i < meshIds.size(); ++i)
            if (meshIds[i] == m)
                log.push_back("mesh " + std::to_string(i));
    }
    void UnprepareMesh(FXMesh*) override { ++unprepares; }

    bool CreateChild(void*) override { return false; }
    void ClrParams() override {}
    void SetAct(bool) override {}
    bool RenderStart() override { return false; }
    void RenderEnd() override {}
    void SetClrColor(const float*) override {}
    void Clrscr(bool, bool, bool) override {}
    void Enlarge(bool) override {}
    void UpdateLights() override {}
    void ApplyMaterial(FXMaterial*) override {}
    void ApplyMaterial2(FXMaterial*) override {}
    void ApplyMatrix(const FXMatrix*) override {}
    void MultiplyMatrix(const FXMatrix*) override {}
    void ApplyMatrixIdentity() override {}
    void EnableLights(bool) override {}
    void EnableLight(bool, FXLight*) override {}
    void DisableAllLights() override {}
    void SetAmbient(const float*) override {}
    void EnableDepthTest(bool) override {}
    void EnableDepthWrite(bool on) override { log.push_back(std::string("depthwrite ") + (on ? "1" : "0")); }
    void EnableCullface(bool cull, bool back) override
    {
        log.push_back(std::string("cull ") + (cull ? "1" : "0") + " " + (back ? "1" : "0"));
    }
    bool PrepareTexture(FXMaterial*) override { return false; }
    bool FastPrepareTexture(FXMaterial*, FXPixmap*) override { return false; }
    bool PrepareCubeTexture(FXMaterial*, FXPixmap*, FXPixmap*, FXPixmap*, FXPixmap*, FXPixmap*,
                            FXPixmap*) override
    {
        return false;
    }
    void UnprepareTexture(FXMaterial*) override {}
    bool PrepareMesh(FXMesh*) override { return false; }
};
