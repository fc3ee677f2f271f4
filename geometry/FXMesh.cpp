#include "geometry/FXMesh.h"

#include "package/FXNumPool.h"
#include "package/FXPackageData.h"
#include "package/FXVectorMap.h"
#include "render/FXMaterial.h"
#include "render/FXMatlib.h"
#include "render/PEnv.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// A block must stay readable with one int-sized copy (the package readers
// take int byte counts), so its byte size is capped at INT_MAX on every host.
bool localBlockFits(int count, size_t itemSize)
{
    return count >= 0 && static_cast<size_t>(count) <= static_cast<size_t>(INT_MAX) / itemSize;
}

// Makes block hold at least count items; a large enough block is kept with
// its contents, a smaller one is freed first. No allocation for count 0 when
// there is no block. False (block null, capacity 0) when allocation fails.
template <class T>
bool localReserve(T*& block, int& capacity, int count)
{
    if (block && capacity >= count)
        return true;
    std::free(block);
    block = nullptr;
    capacity = 0;
    if (count == 0)
        return true;
    block = static_cast<T*>(std::malloc(static_cast<size_t>(count) * sizeof(T)));
    if (!block)
        return false;
    capacity = count;
    return true;
}

// The material's extents, or false when they cannot scale anything.
bool localExtents(const FXMaterial* m, float* eu, float* ev)
{
    if (!m || !(m->texExtentU > 0.0f) || !(m->texExtentV > 0.0f))
        return false;
    *eu = m->texExtentU;
    *ev = m->texExtentV;
    return true;
}

void localScaleTex(tagFXVertex* v, int n, float fu, float fv, bool flip)
{
    for (int i = 0; i < n; ++i) {
        v[i].tex[0] *= fu;
        v[i].tex[1] = flip ? (1.0f - v[i].tex[1]) * fv : v[i].tex[1] * fv;
    }
}

} // namespace

FXMesh::FXMesh()
    : disabled(false), transpMode(0), colMode(0), flipTexV(false), secondLayer(nullptr), material(nullptr),
      loaded_u(0.0f), loaded_v(0.0f), vertexCapacity(0), vertexCount(0), vertices(nullptr), indexCapacity(0),
      indexCount(0), indices(nullptr), env(nullptr)
{
}

void FXMesh::Destroy()
{
    if (vertices && env)
        env->UnprepareMesh(this);
    env = nullptr;
    std::free(vertices);
    vertices = nullptr;
    vertexCapacity = vertexCount = 0;
    std::free(indices);
    indices = nullptr;
    indexCapacity = indexCount = 0;
}

bool FXMesh::Realloc(int nVertices, int nIndices)
{
    // Counts drop first so that no failure path leaves a count above its
    // capacity.
    vertexCount = 0;
    indexCount = 0;
    if (!localBlockFits(nVertices, sizeof(tagFXVertex)) || !localBlockFits(nIndices, sizeof(int)))
        return false;
    if (!localReserve(vertices, vertexCapacity, nVertices) || !localReserve(indices, indexCapacity, nIndices))
        return false;
    vertexCount = nVertices;
    indexCount = nIndices;
    return true;
}

void FXMesh::CopyMeshI(const FXMesh* src)
{
    if (src == this)
        return;
    transpMode = src->transpMode;
    colMode = src->colMode;
    material = src->material;
    matName = src->matName;
    loaded_u = src->loaded_u;
    loaded_v = src->loaded_v;
    Realloc(src->vertexCount, src->indexCount);
}

void FXMesh::Copy(const FXMesh* src)
{
    if (src == this)
        return;
    CopyMeshI(src);
    // After a failed Realloc both counts are 0 and nothing is copied.
    if (vertexCount > 0)
        std::memcpy(vertices, src->vertices, static_cast<size_t>(vertexCount) * sizeof(tagFXVertex));
    if (indexCount > 0)
        std::memcpy(indices, src->indices, static_cast<size_t>(indexCount) * sizeof(int));
}

void FXMesh::ResizeTexCoords1()
{
    float eu, ev;
    if (localExtents(material, &eu, &ev))
        localScaleTex(vertices, vertexCount, eu, ev, flipTexV);
}

void FXMesh::ResizeTexCoords()
{
    float eu, ev;
    if (!localExtents(material, &eu, &ev))
        return;
    float fu = loaded_u > 0.0f ? eu / loaded_u : eu;
    float fv = loaded_v > 0.0f ? ev / loaded_v : ev;
    localScaleTex(vertices, vertexCount, fu, fv, flipTexV);
}

void FXMesh::CopyTexCoords(const FXMesh* src)
{
    if (!src || src == this)
        return;
    int n = vertexCount < src->vertexCount ? vertexCount : src->vertexCount;
    for (int i = 0; i < n; ++i) {
        vertices[i].tex[0] = src->vertices[i].tex[0];
        vertices[i].tex[1] = src->vertices[i].tex[1];
    }
}

namespace {

// The header shared by both records: material name and lookup, the extents
// the texture coordinates were made for, the two modes.
void localLoadHeader(FXMesh* m, FXPackageData* data, FXMatlib* lib)
{
    data->ReadString(&m->matName);
    m->material = lib ? lib->FindMaterial(m->matName.Get()) : nullptr;
    m->loaded_u = data->ReadFloat();
    m->loaded_v = data->ReadFloat();
    m->transpMode = data->ReadInt();
    m->colMode = data->ReadInt();
}

void localEmpty(FXMesh* m)
{
    m->vertexCount = 0;
    m->indexCount = 0;
}

} // namespace

void FXMesh::LoadMeshC(FXPackage*, FXPackageData* data, FXMatlib* lib)
{
    if (!data)
        return;
    localLoadHeader(this, data, lib);
    int nv = data->ReadInt();
    if (nv < 0)
        nv = 0;
    // Counts are checked against the bytes left before anything is sized:
    // a corrupt count must neither allocate gigabytes nor be drawn unread.
    if (static_cast<long long>(nv) * sizeof(tagFXVertex) > static_cast<unsigned>(data->remaining) ||
        !Realloc(nv, 0)) {
        localEmpty(this);
        return;
    }
    if (nv > 0 && !data->ReadCopyBlc(vertices, nv * static_cast<int>(sizeof(tagFXVertex)))) {
        localEmpty(this);
        return;
    }
    int ni = data->ReadInt();
    if (ni < 0)
        ni = 0;
    if (static_cast<long long>(ni) * 4 > data->remaining || !Realloc(nv, ni)) {
        localEmpty(this);
        return;
    }
    if (ni > 0 && !data->ReadCopyBlc(indices, ni * 4)) {
        localEmpty(this);
        return;
    }
    for (int i = 0; i < ni; ++i) {
        if (indices[i] < 0 || indices[i] >= nv) {
            localEmpty(this);
            return;
        }
    }
}

void FXMesh::LoadMeshIC(FXPackage*, FXPackageData* data, FXMatlib* lib)
{
    if (!data)
        return;
    localLoadHeader(this, data, lib);
    int nv = data->ReadInt();
    int ni = data->ReadInt();
    // The index stream holds at least one byte per index and lies in the
    // same entry, and every vertex is made by one index: an index count
    // beyond the entry cannot come from a sound record and must not size
    // gigabytes. A vertex count above the index count is only overstated:
    // the stream builds at most one vertex per index, and FromVMap counts
    // the ones it makes.
    if (nv > ni)
        nv = ni;
    if (nv < 0 || ni < 0 || ni > data->size || !Realloc(nv, ni))
        localEmpty(this);
}

bool FXMesh::FromVMap(FXVectorMap* vmap, FXNumPool* pool)
{
    if (indexCount <= 0 || vertexCount <= 0)
        return true;
    if (!vmap || !pool || !vertices || !indices) {
        localEmpty(this);
        return false;
    }
    int limit = vertexCount; // what the header sized
    vmap->ClearUsed();
    vertexCount = 0;
    int prev[3] = {-1, -1, -1}, t[3];
    pool->Reseek();
    for (int i = 0; i < indexCount; ++i) {
        if (!pool->GetNextTriple(prev, t)) {
            localEmpty(this);
            return false;
        }
        int v = vmap->GetUsed(t[0], t[1], t[2]);
        if (v < 0) {
            if (vertexCount >= limit) {
                localEmpty(this);
                return false;
            }
            v = vertexCount;
            tagFXVertex& x = vertices[v];
            if (!vmap->GetVecPos(t[0], x.pos) || !vmap->GetVecNorm(t[1], x.norm) || !vmap->GetVecTex(t[2], x.tex)) {
                localEmpty(this);
                return false;
            }
            vmap->PushUsed(t[0], t[1], t[2], v);
            x.normSum[0] = x.normSum[1] = x.normSum[2] = 0;
            x.mark = 0;
            x.col[0] = x.col[1] = x.col[2] = x.col[3] = 1;
            x.spare[0] = x.spare[1] = x.spare[2] = 0;
            ++vertexCount;
        }
        indices[i] = v;
    }
    return true;
}

void FXMesh::Normalize(bool markedOnly)
{
    for (int i = 0; i < vertexCount; ++i) {
        tagFXVertex& v = vertices[i];
        if (markedOnly && v.mark == 0)
            continue;
        float len = std::sqrt(v.normSum[0] * v.normSum[0] + v.normSum[1] * v.normSum[1] + v.normSum[2] * v.normSum[2]);
        if (len == 0.0f)
            continue;
        float r = 1.0f / len;
        for (int k = 0; k < 3; ++k)
            v.norm[k] = v.normSum[k] * r;
    }
}

void FXMesh::FindMultiMaxims(bool* first, float* box) const
{
    for (int i = 0; i < vertexCount; ++i) {
        const float* p = vertices[i].pos;
        if (*first) {
            for (int k = 0; k < 3; ++k)
                box[2 * k] = box[2 * k + 1] = p[k];
            *first = false;
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            if (p[k] < box[2 * k])
                box[2 * k] = p[k];
            if (p[k] > box[2 * k + 1])
                box[2 * k + 1] = p[k];
        }
    }
}

void FXMesh::UnitizeMaximsStretch1(const float* box)
{
    float span[3], centre[3];
    for (int k = 0; k < 3; ++k) {
        span[k] = box[2 * k + 1] - box[2 * k];
        if (span[k] == 0.0f)
            span[k] = 2.0f;
        centre[k] = (box[2 * k] + box[2 * k + 1]) / 2.0f;
    }
    for (int i = 0; i < vertexCount; ++i) {
        float* p = vertices[i].pos;
        p[0] = (p[0] - centre[0]) * (2.0f / span[0]);
        p[1] = (p[1] - centre[1]) * (2.0f / span[1]);
        p[2] = p[2] - centre[2];
    }
}

void FXMesh::ComputeFrontTexCoords()
{
    for (int i = 0; i < vertexCount; ++i) {
        tagFXVertex& v = vertices[i];
        v.tex[0] = (v.pos[0] + 1.0f) / 2.0f;
        v.tex[1] = (1.0f - v.pos[1]) / 2.0f;
    }
}
