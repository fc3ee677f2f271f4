#include "render/FXMaterial.h"

#include "base/fxStream.h"
#include "base/fxVector.h"
#include "package/FXPackageData.h"
#include "render/PEnv.h"
#include "render/fxColor.h"

#include <cstring>

namespace {

bool localSave4(FILE* f, const float* c)
{
    for (int i = 0; i < 4; ++i)
        if (!fxWriteFloat(f, c[i]))
            return false;
    return true;
}

// A colour missing from a short stream keeps its value.
bool localLoad4(FILE* f, float* c)
{
    float v[4];
    for (float& x : v)
        if (!fxReadFloat(f, &x))
            return false;
    std::memcpy(c, v, sizeof v);
    return true;
}

} // namespace

FXMaterial::FXMaterial()
    : loaded(false), shininess(0), prepared(false), texture(0), env(nullptr), texExtentU(0), texExtentV(0), opaque(true),
      mipmaps(true), texCanvas(nullptr), userFlag(false)
{
    std::memset(preservedAmbient, 0, sizeof preservedAmbient);
    std::memset(preservedDiffuse, 0, sizeof preservedDiffuse);
    std::memset(preservedSpecular, 0, sizeof preservedSpecular);
    std::memset(preservedEmission, 0, sizeof preservedEmission);
    SetDefDiffuse(1.0f);
}

void FXMaterial::SetDefDiffuse(float a)
{
    fxColSet(ambient, 0.2f, 0.2f, 0.2f, 0);
    fxColSet(diffuse, 1, 1, 1, a);
    fxColSet(specular, 0, 0, 0, 0);
    fxColSet(emission, 0, 0, 0, 0);
}

void FXMaterial::SetDefSpecular(float a)
{
    fxColSet(ambient, 0, 0, 0, 0);
    fxColSet(diffuse, 0.2f, 0.2f, 0.2f, a);
    fxColSet(specular, 1, 1, 1, a);
    fxColSet(emission, 0, 0, 0, 0);
    shininess = 128;
}

void FXMaterial::SetDefSpecular1(float a)
{
    fxColSet(ambient, 0.2f, 0.2f, 0.2f, a);
    fxColSet(diffuse, 1, 1, 1, a);
    fxColSet(specular, 1, 1, 1, a);
    fxColSet(emission, 0, 0, 0, 0);
}

void FXMaterial::SetDefEmission(float a)
{
    fxColSet(ambient, 0, 0, 0, 0);
    fxColSet(diffuse, 0, 0, 0, a);
    fxColSet(specular, 0, 0, 0, 0);
    fxColSet(emission, 1, 1, 1, a);
}

void FXMaterial::SetBlack(float a)
{
    fxColSet(ambient, 0, 0, 0, 0);
    fxColSet(diffuse, 0, 0, 0, a);
    fxColSet(specular, 0, 0, 0, 0);
    fxColSet(emission, 0, 0, 0, 0);
}

void FXMaterial::PrepareDarkDiffuse(float a)
{
    fxColSet(ambient, 0, 0, 0, a);
    fxColSet(diffuse, 1, 1, 1, a);
    fxColSet(specular, 0, 0, 0, 0);
    fxColSet(emission, 0, 0, 0, 0);
}

void FXMaterial::ChangeDarkDiffuse(float v)
{
    diffuse[0] = diffuse[1] = diffuse[2] = v;
}

void FXMaterial::PreserveCols()
{
    std::memcpy(preservedAmbient, ambient, sizeof ambient);
    std::memcpy(preservedDiffuse, diffuse, sizeof diffuse);
    std::memcpy(preservedSpecular, specular, sizeof specular);
    std::memcpy(preservedEmission, emission, sizeof emission);
}

void FXMaterial::MultiCols(const float* c)
{
    fxVec4fCombine(ambient, preservedAmbient, c);
    fxVec4fCombine(diffuse, preservedDiffuse, c);
    fxVec4fCombine(specular, preservedSpecular, c);
    fxVec4fCombine(emission, preservedEmission, c);
}

bool FXMaterial::IsSolid() const
{
    if (texCanvas && !opaque)
        return false;
    return diffuse[3] == 1.0f;
}

void FXMaterial::ReleaseTexture()
{
    if (texture != 0) {
        if (env)
            env->UnprepareTexture(this);
        texture = 0;
    }
    env = nullptr;
    prepared = false;
}

bool FXMaterial::SetTexture(FXCanvas* c)
{
    if (!c || c->pixmap.pitch <= 0 || c->pixmap.allocHeight <= 0) {
        ReleaseTexture();
        return false;
    }
    texExtentU = static_cast<float>(c->pixmap.width) / static_cast<float>(c->pixmap.pitch);
    texExtentV = static_cast<float>(c->pixmap.height) / static_cast<float>(c->pixmap.allocHeight);
    opaque = c->opaque;
    prepared = true;
    texCanvas = c;
    if (fxglobalEnv && fxglobalEnv->PrepareTexture(this))
        return true;
    ReleaseTexture();
    return false;
}

// The embedded canvas after a decode: uploaded when it worked, otherwise the
// material is left untextured.
bool FXMaterial::UseDecoded(bool decoded)
{
    if (decoded)
        return SetTexture(&canvas);
    ReleaseTexture();
    return false;
}

bool FXMaterial::LoadTextureCN(FXPackage* pkg, int id)
{
    texCanvas = nullptr;
    return UseDecoded(canvas.CreateFromPictCN(pkg, id));
}

bool FXMaterial::LoadTextureC(FXPackage* pkg, const char* text)
{
    texCanvas = nullptr;
    return UseDecoded(canvas.CreateFromPictC(pkg, text));
}

bool FXMaterial::LoadTexture(const char* fileName)
{
    texCanvas = nullptr;
    return UseDecoded(canvas.CreateFromPict(fileName));
}

void FXMaterial::Destroy()
{
    ReleaseTexture();
    canvas.Destroy();
    texCanvas = nullptr;
}

bool FXMaterial::LoadC(FXPackage* pkg, FXPackageData* data)
{
    SetDefSpecular(1.0f);
    if (!data)
        return true;
    data->ReadString(&name);
    data->ReadString(&textureRef);
    data->ReadFloat4(ambient);
    data->ReadFloat4(diffuse);
    data->ReadFloat4(specular);
    data->ReadFloat4(emission);
    shininess = data->ReadFloat();
    loaded = true;
    if (textureRef.IsEmpty())
        return true;
    return LoadTextureC(pkg, textureRef.Get());
}

bool FXMaterial::Save(FILE* f) const
{
    return name.Save(f) && textureRef.Save(f) && localSave4(f, ambient) && localSave4(f, diffuse) &&
           localSave4(f, specular) && localSave4(f, emission) && fxWriteFloat(f, shininess);
}

bool FXMaterial::Load(FILE* f)
{
    SetDefSpecular(1.0f);
    bool ok = name.Load(f) && textureRef.Load(f) && localLoad4(f, ambient) && localLoad4(f, diffuse) &&
              localLoad4(f, specular) && localLoad4(f, emission);
    float s = 0;
    ok = ok && fxReadFloat(f, &s);
    shininess = s;
    loaded = true;
    if (!ok)
        return false;
    if (textureRef.IsEmpty())
        return true;
    return LoadTexture(textureRef.Get());
}
