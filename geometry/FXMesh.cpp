#include "geometry/FXMesh.h"

#include "render/FXMaterial.h"
#include "render/PEnv.h"

#include <climits>
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
      indexCount(0), indices(nullptr)
{
}

void FXMesh::Destroy()
{
    if (vertices && fxglobalEnv)
        fxglobalEnv->UnprepareMesh(this);
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
