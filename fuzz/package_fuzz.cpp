// libFuzzer target: a package from arbitrary bytes, then every entry walked
// with every reader and every record loader that exists so far.
#include "base/FXArray.h"
#include "base/FXFloatArray.h"
#include "base/FXMatrix.h"
#include "base/FXStr.h"
#include "base/FXStrArray.h"
#include "curves/FXBezierGraph.h"
#include "geometry/FXAnim.h"
#include "geometry/FXMesh.h"
#include "geometry/FXModel.h"
#include "geometry/SMovie.h"
#include "package/FXNumPool.h"
#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "package/FXVectorMap.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"
#include "show/FXPhaser.h"
#include "tests/support/RecordingEnv.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

void localWalk(FXPackage* pkg, FXPackageData* d)
{
    FXStr s;
    FXArray a;
    FXFloatArray fa;
    FXStrArray sa;
    float f4[4];
    unsigned char blc[64];
    while (d->remaining > 0) {
        int before = d->remaining;
        switch (d->ReadInt() & 7) {
        case 0: d->ReadString(&s); break;
        case 1: d->ReadArray(&a); break;
        case 2: d->ReadFloatArray(&fa); break;
        case 3: d->ReadStringArray(&sa); break;
        case 4: d->ReadFloat4(f4); break;
        case 5: d->ReadCopyBlc(blc, d->ReadInt() & 63); break;
        case 6: d->ReadDouble(); break;
        default: d->ReadBool(); d->ReadFloat(); break;
        }
        if (d->remaining == before)
            d->ReadBool(); // always make progress
    }

    d->Reseek();
    FXMatrix m;
    m.LoadC(pkg, d);
    d->Reseek();
    FXBezierGraph graph;
    graph.LoadC(pkg, d);
    graph.ComputeSplineBezier(graph.resolution & 255, 1000);
    graph.GetFromSpline1(graph.resolution);
    d->Reseek();
    FXPhaser phaser;
    phaser.LoadC(pkg, d);
    phaser.OnRender(nullptr, 100.0);

    d->Reseek();
    FXMaterial material;
    material.LoadC(pkg, d);

    d->Reseek();
    FXVectorMap map;
    map.LoadC(pkg, d);
    FXNumPool pool;
    pool.LoadC(pkg, d);
    pool.Reseek();
    int prev[3] = {-1, -1, -1}, idx[3];
    int vertex = 0;
    float v[3];
    // A mesh header and its rebuild from these tables, then a complete mesh
    // record from the same bytes.
    d->Reseek();
    FXMesh mesh;
    mesh.LoadMeshIC(pkg, d, nullptr);
    mesh.FromVMap(&map, &pool);
    d->Reseek();
    mesh.LoadMeshC(pkg, d, nullptr);
    mesh.Normalize(false);
    pool.Reseek();
    while (pool.GetNextTriple(prev, idx)) {
        if (map.GetUsed(idx[0], idx[1], idx[2]) < 0)
            map.PushUsed(idx[0], idx[1], idx[2], vertex++);
        map.GetVecPos(idx[0], v);
        map.GetVecNorm(idx[1], v);
        map.GetVecTex(idx[2], v);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FXPackage pkg;
    if (!pkg.LoadFromMemory(data, static_cast<long>(size)))
        return 0;
    for (int i = 0; i < pkg.ids.count; ++i)
        if (FXPackageData* d = pkg.GetDataPtr(pkg.ids.GetInt(i)))
            localWalk(&pkg, d);
    // Material libraries by the decimal reference a record would hold; the
    // image library is not bound, so texture references only look up entries.
    for (int i = 0; i < pkg.ids.count; ++i) {
        char ref[16];
        std::snprintf(ref, sizeof ref, "%d", pkg.ids.GetInt(i));
        FXMatlib lib;
        lib.LoadC(&pkg, ref);
        lib.FindMaterial("Material.001");
        FXModel model;
        model.LoadCN(&pkg, pkg.ids.GetInt(i));
        model.UpdateMeshes();
        float box[6] = {0, 0, 0, 0, 0, 0};
        model.FindMaxims(box);

        // An animation through the show's preparation and a few frames of
        // its clock, without a device.
        FXAnim anim;
        anim.LoadCN(&pkg, pkg.ids.GetInt(i));
        anim.UnitizeStretch1(0);
        anim.Normalize(-1, false);
        anim.ComputeFrontTexCoords(0, -1);
        anim.ResizeTextCoords1();
        anim.UpdateInterpolation(true, false);
        anim.StartAnim(0);
        for (int k = 0; k < 6; ++k)
            anim.OnRender(nullptr, 0.4 * k);

        // A movie's pool and display queue; the image library is not bound,
        // so frames are queued without decoding.
        RecordingEnv env;
        SMovie movie;
        movie.LoadCN(&pkg, pkg.ids.GetInt(i));
        movie.LoadIntoMem();
        for (int k = 0; k < 4; ++k) {
            movie.Prepare(-1);
            movie.OnRender(&env, 0);
            movie.lastSwitch = -1e9; // the next call retires a frame
        }
    }
    return 0;
}
