// FXMatlib: a named, reference-counted list of materials in which meshes
// resolve material names. The parent is searched first.
#pragma once

#include "base/FXArray.h"
#include "base/FXStr.h"

class FXMaterial;
class FXPackage;
class PEnv;

class FXMatlib {
public:
    FXStr name;       // record name, or the material file's path
    FXMatlib* parent; // not owned
    FXArray materials; // FXMaterial*; the loaded ones are owned
    bool selfDeleting;
    int refCount;
    PEnv* env; // the environment whose list holds the library; not owned

    FXMatlib() : parent(nullptr), selfDeleting(true), refCount(1), env(nullptr) {}
    virtual ~FXMatlib() { Destroy(); }
    FXMatlib(const FXMatlib&) = delete;
    FXMatlib& operator=(const FXMatlib&) = delete;

    // Adds the library entry whose id is the decimal text. False, library
    // unchanged, when the text is not one integer or there is no such entry.
    bool LoadC(FXPackage* pkg, const char* text);
    // Replaces the content by a text material file; false (and empty) when
    // it cannot be opened.
    bool LoadFromMtl(const char* path);
    // The position of the material; an existing pointer is not added again.
    int AddMaterial(FXMaterial* m);
    int RemoveMaterial(FXMaterial* m);
    FXMaterial* FindMaterial(const char* name) const;
    void Destroy();
    // Gives back one reference; the last one deletes a self-deleting library
    // and removes it from env's list.
    void Release();

    // Authoring side: texture file references become package ids.
    bool Compile(FXPackage* pkg);
    bool Save(const char* path) const;
    bool Load(const char* path);
};
