// The writing side of meshes: the complete and header records, and the
// shared-table form that models and animations store.
#include "geometry/FXMesh.h"

#include "authoring/fxIndexStream.h"
#include "base/fxStream.h"
#include "package/FXNumPool.h"
#include "package/FXVectorMap.h"
#include "render/FXMaterial.h"

#include <cstring>
#include <set>
#include <tuple>

namespace {

bool localSaveHeader(const FXMesh* m, FILE* f)
{
    float u = m->loaded_u, v = m->loaded_v;
    if (m->material) {
        u = m->material->texExtentU;
        v = m->material->texExtentV;
    }
    return m->matName.Save(f) && fxWriteFloat(f, u) && fxWriteFloat(f, v) && fxWriteInt32(f, m->transpMode) &&
           fxWriteInt32(f, m->colMode);
}

} // namespace

bool FXMesh::SaveMesh(FILE* f) const
{
    if (!f || !localSaveHeader(this, f) || !fxWriteInt32(f, vertexCount))
        return false;
    if (vertexCount > 0 && std::fwrite(vertices, sizeof(tagFXVertex), vertexCount, f) != static_cast<size_t>(vertexCount))
        return false;
    if (!fxWriteInt32(f, indexCount))
        return false;
    for (int i = 0; i < indexCount; ++i)
        if (!fxWriteInt32(f, indices[i]))
            return false;
    return true;
}

bool FXMesh::SaveMeshI(FILE* f, int distinct) const
{
    return f && localSaveHeader(this, f) && fxWriteInt32(f, distinct) && fxWriteInt32(f, indexCount);
}

bool FXMesh::ToVMap(FXVectorMap* vmap, FXNumPool* pool, PMeshSaveClb* clb, int meshId, int* distinct) const
{
    if (!vmap || !pool || !distinct)
        return false;
    std::set<std::tuple<int, int, int>> corners;
    int prev[3] = {-1, -1, -1};
    for (int i = 0; i < indexCount; ++i) {
        int k = indices[i];
        if (k < 0 || k >= vertexCount)
            return false;
        const tagFXVertex& v = vertices[k];
        int idx[3] = {vmap->PushVecPos(v.pos, clb, meshId, k), vmap->PushVecNorm(v.norm, clb, meshId, k),
                      vmap->PushVecTex(v.tex, clb, meshId, k)};
        if (idx[0] < 0 || idx[1] < 0 || idx[2] < 0 || !fxPushIndexTriple(pool, prev, idx))
            return false;
        corners.insert(std::make_tuple(idx[0], idx[1], idx[2]));
    }
    *distinct = static_cast<int>(corners.size());
    return true;
}
