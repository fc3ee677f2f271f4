// FXMaterial: fixed-function material colours, a name, and an optional
// texture decoded into its own canvas and uploaded by the current render
// environment. Texture upload and release need that environment's context
// current on the calling thread.
#pragma once

#include "base/FXStr.h"
#include "render/FXCanvas.h"

#include <cstdio>

class FXPackage;
class FXPackageData;
class PEnv;

class FXMaterial {
public:
    FXStr name;
    bool loaded; // read from a record or file: the library that loaded it deletes it
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emission[4];
    float shininess; // GL exponent, 0..128
    float preservedAmbient[4];
    float preservedDiffuse[4];
    float preservedSpecular[4];
    float preservedEmission[4];
    bool prepared;       // a texture is handed to the device
    unsigned texture;    // GL texture name; 0 when nothing is uploaded
    PEnv* env;           // the device that made texture and releases it; must outlive it; not owned
    float texExtentU;    // picture width / allocated width
    float texExtentV;    // picture height / allocated height
    bool opaque;         // copied from the texture canvas
    bool mipmaps;
    FXCanvas* texCanvas; // the pixels the texture is made from; not owned
    FXCanvas canvas;     // owns the decoded picture
    FXStr textureRef;    // decimal entry id or file name
    bool userFlag;

    FXMaterial();
    virtual ~FXMaterial() { Destroy(); }
    FXMaterial(const FXMaterial&) = delete;
    FXMaterial& operator=(const FXMaterial&) = delete;

    void SetDefault(float a) { SetDefDiffuse(a); }
    void SetDefDiffuse(float a);
    void SetDefSpecular(float a);
    void SetDefSpecular1(float a);
    void SetDefEmission(float a);
    void SetBlack(float a);
    void PrepareDarkDiffuse(float a);
    void ChangeDarkDiffuse(float v);
    void PreserveCols();
    // Each colour = its preserved copy times c: repeated calls do not compound.
    void MultiCols(const float* c);
    bool IsSolid() const;
    int GetWidth() const { return texCanvas ? texCanvas->GetWidth() : 0; }
    int GetHeight() const { return texCanvas ? texCanvas->GetHeight() : 0; }
    float GetWidthF() const { return texCanvas ? texCanvas->GetWidthF() : 0.0f; }
    float GetHeightF() const { return texCanvas ? texCanvas->GetHeightF() : 0.0f; }

    // Makes c the texture canvas and uploads it; on failure the material is
    // left untextured and false returned.
    bool SetTexture(FXCanvas* c);
    bool LoadTextureCN(FXPackage* pkg, int id);
    bool LoadTextureC(FXPackage* pkg, const char* text);
    bool LoadTexture(const char* fileName);
    void Destroy();

    // The material record. False only when its texture failed.
    bool LoadC(FXPackage* pkg, FXPackageData* data);
    // The file form (same layout, file name as texture reference).
    bool Save(FILE* f) const;
    bool Load(FILE* f);

private:
    void ReleaseTexture();
    bool UseDecoded(bool decoded);
};
