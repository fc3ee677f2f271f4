// FXModel: a named set of meshes sharing one material library, drawn as one
// object. It keeps the meshes as loaded and a working copy (UpdateMeshes);
// every operation after loading, and drawing, works on the working copy,
// whose null slots are skipped everywhere.
#pragma once

#include "base/FXArray.h"
#include "base/FXStr.h"
#include "render/PRender.h"

#include <cstdio>
#include <string>

class FXMatlib;
class FXPackage;
class FXPackageData;

class FXModel : public PRender {
public:
    FXStr name;
    FXStr matlibName;     // the library entry's decimal id, as stored
    FXMatlib* matlib;     // a counted reference; released by Destroy
    bool flipTexV;        // given to each working mesh before rescaling
    FXArray loadedMeshes; // FXMesh*, owned
    FXArray meshes;       // FXMesh*, owned: the working copy

    FXModel() : matlib(nullptr), flipTexV(false) {}
    ~FXModel() override { Destroy(); }
    FXModel(const FXModel&) = delete;
    FXModel& operator=(const FXModel&) = delete;

    // False when the entry does not exist; an unknown header loads nothing
    // and still returns true. The library comes from the global environment.
    bool LoadCN(FXPackage* pkg, int id);
    void Load_v02CN(FXPackage* pkg, FXPackageData* data);
    void Load_v03CN(FXPackage* pkg, FXPackageData* data);
    void Destroy();
    void UpdateMeshes();
    void Copy(FXModel* src);
    int GetTotalVertices() const;
    void Normalize(bool markedOnly);
    void ResizeTextCoords();
    void ResizeTextCoords1();
    // -1 every working mesh, 0..count-1 that one, anything else nothing.
    void ComputeFrontTexCoords(int mesh);
    // Nothing when the working mesh counts differ.
    void CopyTexCoords(int mesh, FXModel* src);
    void FindMaxims(float* box) const;
    void UnitizeMaximsStretch1(const float* box);

    // Authoring side (authoring/FXModelWriter.cpp): the working meshes as an
    // "xm02" record (complete meshes) or an "xm03" record (one shared table,
    // a header and an index stream per mesh). Disabled meshes are left out.
    bool Save_v02(FILE* f) const;
    bool Save_v03(FILE* f) const;
    // Either record into a file; version 2 or 3.
    bool Save(const char* path, int version) const;
    // Replaces the model by an OBJ file's (authoring/fxImport.h: the texts
    // and file names it takes): one mesh per material, the library read from
    // its "mtllib" file (matlibName is that path until a tool stores the
    // library and puts its id there; a missing file leaves no library and is
    // traced as a warning). Loaded meshes carry texture coordinates in
    // picture units (loaded extents 1), working meshes, as after any load, in
    // their texture's, with its extents. False, with the file and line traced
    // and put in why (when given), on a file that cannot be read or a
    // malformed line.
    bool ImportObj(const char* path, std::string* why = nullptr);

    // Opaque meshes, then transpMode 1 as back faces (reverse order) and front
    // faces, then transpMode 2 without and with depth writing.
    void OnRender(PEnv* env, double t) override;
};
