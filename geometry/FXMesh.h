// FXMesh: one list of triangles sharing one material. Vertex and index arrays
// are single raw blocks so a mesh is drawn by walking its indices and copied
// with one block copy. Invariants: counts never exceed capacities; every
// index is below the vertex count.
#pragma once

#include "base/FXStr.h"
#include "geometry/tagFXVertex.h"

#include <cstdio>

class FXMaterial;
class FXMatlib;
class FXNumPool;
class FXPackage;
class FXPackageData;
class FXVectorMap;
class PEnv;
class PMeshSaveClb;

class FXMesh {
public:
    bool disabled;
    int transpMode; // 0 opaque, 1 back then front faces, 2 without then with depth writes
    int colMode;    // 0 white, no vertex colours; 1 vertex colours drive ambient and diffuse
    bool flipTexV;
    FXMesh* secondLayer; // texture unit 1's coordinates and material; not owned
    FXMaterial* material; // not owned; null draws with the default material
    FXStr matName;
    float loaded_u, loaded_v; // texture extents the record's coordinates were made for
    int vertexCapacity, vertexCount;
    tagFXVertex* vertices;
    int indexCapacity, indexCount;
    int* indices;
    PEnv* env; // an environment that keeps a copy of the mesh (set by its PrepareMesh); not owned

    FXMesh();
    virtual ~FXMesh() { Destroy(); }
    FXMesh(const FXMesh&) = delete;
    FXMesh& operator=(const FXMesh&) = delete;

    // Frees the arrays (telling env first, which is then forgotten); name,
    // flags, material and extents stay.
    void Destroy();
    // Exactly these counts; an array too small is replaced by a new one whose
    // contents are undefined, a large enough one is kept with its contents.
    // Never shrinks. False (both counts 0, arrays still consistent with their
    // capacities) when a count is negative, an array would exceed INT_MAX
    // bytes, or allocation fails.
    bool Realloc(int vertexCount, int indexCount);
    // Header (transpMode, colMode, material, matName, loaded extents), counts
    // and all vertex and index bytes; disabled, flipTexV and secondLayer stay.
    void Copy(const FXMesh* src);
    // The header and counts of Copy, without vertex or index data.
    void CopyMeshI(const FXMesh* src);
    // Picture-unit coordinates to texture units of the material's extents;
    // v mirrored when flipTexV. Nothing without a material or with an extent
    // not above 0.
    void ResizeTexCoords1();
    // Coordinates made for loaded_u/loaded_v rescaled to the material's
    // extents (a loaded extent of 0 counts as 1); otherwise as ResizeTexCoords1.
    void ResizeTexCoords();
    // Texture coordinates of the first min(both vertex counts) vertices.
    void CopyTexCoords(const FXMesh* src);

    // The complete record: header, then the vertex and index blocks. The
    // material is looked up by name in lib (null when there is none). A
    // record whose blocks do not fit the entry, or whose indices leave the
    // vertex array, leaves the mesh empty (counts 0): it is never drawn from
    // bytes that were not read.
    void LoadMeshC(FXPackage* pkg, FXPackageData* data, FXMatlib* lib);
    // The header record; sizes the arrays for FromVMap.
    void LoadMeshIC(FXPackage* pkg, FXPackageData* data, FXMatlib* lib);
    // Rebuilds vertices and indices from shared tables and the index stream.
    // New vertices are opaque white. A stream that ends early, names a vector
    // the tables do not hold, or makes more vertices than the header sized
    // leaves the mesh empty (counts 0); false then, true otherwise.
    bool FromVMap(FXVectorMap* vmap, FXNumPool* pool);
    // norm = normSum normalised, for every vertex or the marked ones; a zero
    // accumulator leaves norm as it is.
    void Normalize(bool markedOnly);
    // Extends box (min x, max x, min y, max y, min z, max z) by the vertices;
    // while *first is set the first vertex initialises it and clears *first.
    void FindMultiMaxims(bool* first, float* box) const;
    // Fits x and y into -1..+1 by the box (independently), centres z; a span
    // of exactly 0 counts as 2.
    void UnitizeMaximsStretch1(const float* box);
    // u = (x + 1) / 2, v = (1 - y) / 2: the picture as seen along z.
    void ComputeFrontTexCoords();

    // Authoring side (authoring/FXMeshWriter.cpp). The two records as the
    // readers read them; the extents are the material's when it has one.
    bool SaveMesh(FILE* f) const;
    // The header record with the given vertex count (the distinct corners of
    // the mesh's index stream, from ToVMap).
    bool SaveMeshI(FILE* f, int vertexCount) const;
    // Stores every corner's vectors in vmap (shared as clb allows, mesh id
    // meshId) and appends the corner to pool. distinct receives the number
    // of distinct (position, normal, texture) corners: the header's count.
    // Authoring side (authoring/FXModelImport.cpp): normSum becomes the sum of
    // the (area-weighted) normals of the triangles at each vertex, and norm
    // that sum normalised.
    void ComputeNormals();
    bool ToVMap(FXVectorMap* vmap, FXNumPool* pool, PMeshSaveClb* clb, int meshId, int* distinct) const;
};
