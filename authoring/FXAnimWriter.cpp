// The writing side of mesh animations: the "xa03" record as FXAnim::LoadCN
// reads it. Frame 0's meshes decide the index streams every frame shares;
// two vertices share a stored vector only when TestRedirect finds them equal
// in every frame, so each frame's table can hold that frame's own values.
#include "geometry/FXAnim.h"

#include "base/fxStream.h"
#include "geometry/FXMesh.h"
#include "package/FXNumPool.h"
#include "package/FXVectorMap.h"

#include <memory>
#include <vector>

namespace {

const FXMesh* localMesh(const FXModel* m, int i)
{
    return static_cast<const FXMesh*>(m->meshes.Get(i));
}

// Every stored vector takes the values its owner vertex has in this frame.
bool localFrameTable(FXVectorMap* map, const FXModel* frame)
{
    struct Table {
        const FXArray& mesh;
        const FXArray& vertex;
        bool (FXVectorMap::*set)(int, const float*);
        const float* (*field)(const tagFXVertex&);
    };
    const Table tables[3] = {
        {map->posMesh, map->posVertex, &FXVectorMap::SetVecPos, [](const tagFXVertex& v) { return v.pos; }},
        {map->normMesh, map->normVertex, &FXVectorMap::SetVecNorm, [](const tagFXVertex& v) { return v.norm; }},
        {map->texMesh, map->texVertex, &FXVectorMap::SetVecTex, [](const tagFXVertex& v) { return v.tex; }},
    };
    for (const Table& t : tables)
        for (int i = 0; i < t.mesh.count; ++i) {
            const FXMesh* m = localMesh(frame, t.mesh.GetInt(i));
            int k = t.vertex.GetInt(i);
            if (!m || k < 0 || k >= m->vertexCount || !(map->*t.set)(i, t.field(m->vertices[k])))
                return false;
        }
    return true;
}

} // namespace

void FXAnim::AddFrame(FXModel* model, const char* name, int milliseconds)
{
    frames.Push(model);
    frameNames.Push(name);
    frameTimes.PushInt(milliseconds);
}

bool FXAnim::Save_v03(FILE* f)
{
    const FXModel* f0 = GetFrame(0);
    if (!f || !f0 || frames.count != frameNames.count || frames.count != frameTimes.count)
        return false;
    int meshCount = f0->meshes.count;
    for (int i = 0; i < frames.count; ++i) {
        const FXModel* m = GetFrame(i);
        if (!m || m->meshes.count != meshCount)
            return false;
        for (int j = 0; j < meshCount; ++j)
            if (!localMesh(m, j) || localMesh(m, j)->vertexCount != localMesh(f0, j)->vertexCount)
                return false;
    }

    FXVectorMap map;
    std::vector<std::unique_ptr<FXNumPool>> pools;
    std::vector<int> distinct(meshCount);
    for (int j = 0; j < meshCount; ++j) {
        pools.push_back(std::make_unique<FXNumPool>());
        if (!localMesh(f0, j)->ToVMap(&map, pools[j].get(), this, j, &distinct[j]))
            return false;
    }

    bool ok = FXStr("xa03").Save(f) && frameNames.Save(f) && frameTimes.Save(f) && graph.Save(f) &&
              fxWriteFloat(f, auxValue) && fxWriteBool(f, playing) && fxWriteBool(f, backward) && fxWriteBool(f, loop) &&
              fxWriteBool(f, pingPong) && fxWriteInt32(f, meshCount) && f0->matlibName.Save(f);
    for (int j = 0; ok && j < meshCount; ++j)
        ok = localMesh(f0, j)->SaveMeshI(f, distinct[j]);
    for (int j = 0; ok && j < meshCount; ++j)
        ok = pools[j]->Save(f);
    for (int i = 0; ok && i < frames.count; ++i)
        ok = localFrameTable(&map, GetFrame(i)) && map.Save(f);
    return ok;
}

bool FXAnim::Save(const char* path)
{
    FILE* f = path ? std::fopen(path, "wb") : nullptr;
    if (!f)
        return false;
    bool ok = Save_v03(f);
    return std::fclose(f) == 0 && ok;
}
