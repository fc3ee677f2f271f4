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

#include <cstdint>
#include <cstdio>
#include <unordered_set>

class FXPackage;
class FXPackageData;
class PMeshSaveClb;

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
    // The (vector, vertex) uses of every vector with a list, so that asking
    // whether a vertex uses a vector does not walk a list all may share.
    std::unordered_set<uint64_t> posUses, normUses, texUses;
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

    // Empty user tables for the tables as they are (LoadC and Load call it).
    void SizeUsers();
    void PushUsed(int pos, int norm, int tex, int vertex);
    // A vertex that uses exactly this triple, or -1.
    int GetUsed(int pos, int norm, int tex) const;
    // candidate when it also uses the normal and the texture coordinate.
    int GetUsed1(int candidate, int norm, int tex) const;
    void ClearUsed();

    // Authoring side (authoring/FXVectorMapWriter.cpp). Vectors are 3 floats
    // (positions, normals) or 2 (texture coordinates).
    // The index of a stored vector with exactly equal components whose owner
    // clb agrees to share (any, without clb); else the vector is appended
    // with its owner. -1 when it cannot be stored.
    int PushVecPos(const float* v, PMeshSaveClb* clb, int mesh, int vertex);
    int PushVecNorm(const float* v, PMeshSaveClb* clb, int mesh, int vertex);
    int PushVecTex(const float* v, PMeshSaveClb* clb, int mesh, int vertex);
    int FindVecPos(const float* v, PMeshSaveClb* clb, int mesh, int vertex) const;
    int FindVecNorm(const float* v, PMeshSaveClb* clb, int mesh, int vertex) const;
    int FindVecTex(const float* v, PMeshSaveClb* clb, int mesh, int vertex) const;
    // Overwrite stored vector i; false outside the table.
    bool SetVecPos(int i, const float* v);
    bool SetVecNorm(int i, const float* v);
    bool SetVecTex(int i, const float* v);
    // A reversible delta transform of each table in place (on the floats'
    // bit patterns, so undoing it restores every bit): apply, then undo.
    void ManglePos(bool undo);
    void MangleNorm(bool undo);
    void MangleTex(bool undo);
    // The record in a stdio stream, as LoadC reads it from a package.
    bool Save(FILE* f) const;
    bool Load(FILE* f);
};
