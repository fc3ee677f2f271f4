// FXVectorMap: the shared vertex tables of a model or animation (positions,
// normals, texture coordinates) and the bookkeeping of which mesh vertex uses
// which vector, so that corners with the same triple share one vertex.
//
// Indexes come from untrusted index streams: every operation checks them
// against the table counts. Out of range, a getter yields zeros and returns
// false, PushUsed records nothing for that kind and GetUsed finds nothing.
#pragma once

#include "base/FXArray.h"
#include "base/FXFloatArray.h"

class FXPackage;
class FXPackageData;

class FXVectorMap {
public:
    // Authoring side: owning mesh id and vertex id of each stored vector.
    FXArray posMesh, posVertex, normMesh, normVertex, texMesh, texVertex;
    FXFloatArray positions; // x, y, z triples
    FXFloatArray normals;   // x, y, z triples
    FXFloatArray texCoords; // u, v pairs
    // First user of each vector (-1 when none) and, once a second user
    // exists, the list of all its users (FXArray*, owned).
    FXArray posUser, normUser, texUser;
    FXArray posUsers, normUsers, texUsers;
    int posCount, normCount, texCount;

    FXVectorMap();
    ~FXVectorMap() { Destroy(); }
    FXVectorMap(const FXVectorMap&) = delete;
    FXVectorMap& operator=(const FXVectorMap&) = delete;

    // Three float tables (count, then floats), each sized exactly to its
    // count; a count beyond the floats the entry holds is cut to them.
    void LoadC(FXPackage* pkg, FXPackageData* data);
    void Destroy();

    bool GetVecPos(int i, float* out) const;
    bool GetVecNorm(int i, float* out) const;
    bool GetVecTex(int i, float* out) const;

    void PushUsed(int pos, int norm, int tex, int vertex);
    // A vertex that uses exactly this triple, or -1.
    int GetUsed(int pos, int norm, int tex) const;
    // candidate when it also uses the normal and the texture coordinate.
    int GetUsed1(int candidate, int norm, int tex) const;
    void ClearUsed();
};
