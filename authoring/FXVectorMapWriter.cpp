// The writing side of FXVectorMap: storing vectors once with their owners,
// and the record on stdio streams.
#include "package/FXVectorMap.h"

#include "base/fxStream.h"
#include "package/PMeshSaveClb.h"

#include <cstdint>
#include <cstring>

namespace {

struct localTable {
    FXFloatArray* values;
    FXArray* mesh;
    FXArray* vertex;
    int* count;
    int dim;
};

int localFind(const FXFloatArray& values, const FXArray& owners, const FXArray& ownerVertices, int count, int dim,
              const float* v, PMeshSaveClb* clb, int mesh, int vertex)
{
    for (int i = 0; i < count; ++i) {
        const float* s = values.items + i * dim;
        bool equal = true;
        for (int k = 0; k < dim && equal; ++k)
            equal = s[k] == v[k];
        if (equal && (!clb || clb->TestRedirect(mesh, vertex, owners.GetInt(i), ownerVertices.GetInt(i))))
            return i;
    }
    return -1;
}

int localPush(const localTable& t, const float* v, PMeshSaveClb* clb, int mesh, int vertex)
{
    int i = localFind(*t.values, *t.mesh, *t.vertex, *t.count, t.dim, v, clb, mesh, vertex);
    if (i >= 0)
        return i;
    // Drop any floats past the last whole vector before appending.
    t.values->count = *t.count * t.dim;
    for (int k = 0; k < t.dim; ++k)
        if (!t.values->Push(v[k]))
            return -1;
    t.mesh->count = *t.count;
    t.vertex->count = *t.count;
    if (!t.mesh->PushInt(mesh) || !t.vertex->PushInt(vertex))
        return -1;
    return (*t.count)++;
}

bool localSet(const localTable& t, int i, const float* v)
{
    if (i < 0 || i >= *t.count)
        return false;
    for (int k = 0; k < t.dim; ++k)
        t.values->items[i * t.dim + k] = v[k];
    return true;
}

// Delta of each component against the same component of the previous
// vector, in 32-bit integer arithmetic on the bit patterns.
void localMangle(FXFloatArray* values, int dim, bool undo)
{
    int n = values->count;
    auto bits = [values](int i) {
        uint32_t u;
        std::memcpy(&u, &values->items[i], 4);
        return u;
    };
    auto put = [values](int i, uint32_t u) { std::memcpy(&values->items[i], &u, 4); };
    if (!undo) {
        for (int i = n - 1; i >= dim; --i)
            put(i, bits(i) - bits(i - dim));
    } else {
        for (int i = dim; i < n; ++i)
            put(i, bits(i) + bits(i - dim));
    }
}

} // namespace

int FXVectorMap::PushVecPos(const float* v, PMeshSaveClb* clb, int mesh, int vertex)
{
    return localPush({&positions, &posMesh, &posVertex, &posCount, 3}, v, clb, mesh, vertex);
}
int FXVectorMap::PushVecNorm(const float* v, PMeshSaveClb* clb, int mesh, int vertex)
{
    return localPush({&normals, &normMesh, &normVertex, &normCount, 3}, v, clb, mesh, vertex);
}
int FXVectorMap::PushVecTex(const float* v, PMeshSaveClb* clb, int mesh, int vertex)
{
    return localPush({&texCoords, &texMesh, &texVertex, &texCount, 2}, v, clb, mesh, vertex);
}
int FXVectorMap::FindVecPos(const float* v, PMeshSaveClb* clb, int mesh, int vertex) const
{
    return localFind(positions, posMesh, posVertex, posCount, 3, v, clb, mesh, vertex);
}
int FXVectorMap::FindVecNorm(const float* v, PMeshSaveClb* clb, int mesh, int vertex) const
{
    return localFind(normals, normMesh, normVertex, normCount, 3, v, clb, mesh, vertex);
}
int FXVectorMap::FindVecTex(const float* v, PMeshSaveClb* clb, int mesh, int vertex) const
{
    return localFind(texCoords, texMesh, texVertex, texCount, 2, v, clb, mesh, vertex);
}

bool FXVectorMap::SetVecPos(int i, const float* v)
{
    return localSet({&positions, &posMesh, &posVertex, &posCount, 3}, i, v);
}
bool FXVectorMap::SetVecNorm(int i, const float* v)
{
    return localSet({&normals, &normMesh, &normVertex, &normCount, 3}, i, v);
}
bool FXVectorMap::SetVecTex(int i, const float* v)
{
    return localSet({&texCoords, &texMesh, &texVertex, &texCount, 2}, i, v);
}

void FXVectorMap::ManglePos(bool undo) { localMangle(&positions, 3, undo); }
void FXVectorMap::MangleNorm(bool undo) { localMangle(&normals, 3, undo); }
void FXVectorMap::MangleTex(bool undo) { localMangle(&texCoords, 2, undo); }

bool FXVectorMap::Save(FILE* f) const
{
    return positions.Save(f) && normals.Save(f) && texCoords.Save(f);
}

bool FXVectorMap::Load(FILE* f)
{
    Destroy();
    bool ok = positions.Load(f) && normals.Load(f) && texCoords.Load(f);
    posCount = positions.count / 3;
    normCount = normals.count / 3;
    texCount = texCoords.count / 2;
    SizeUsers();
    return ok;
}
