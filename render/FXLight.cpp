#include "render/FXLight.h"

#include "base/fxVector.h"
#include "render/fxColor.h"

FXLight::FXLight() : slot(0), disabled(false)
{
    fxColSet(pos, 0, 0, -1, 0);
    fxColSet(spotDir, 0, 0, 1, 0);
    SetDefDiffuse(1.0f);
}

void FXLight::SetDefDiffuse(float a)
{
    pos[3] = 0;
    fxColSet(ambient, 0.2f, 0.2f, 0.2f, a);
    fxColSet(diffuse, 1, 1, 1, a);
    fxColSet(specular, 0, 0, 0, 0);
    spotExponent = 0;
    spotCutoff = 180;
    constantAtt = linearAtt = quadraticAtt = 0;
}

void FXLight::SetDefSpecular(float a)
{
    pos[3] = 1;
    fxColSet(ambient, 0, 0, 0, a);
    fxColSet(diffuse, 1, 1, 1, a);
    fxColSet(specular, 1, 1, 1, a);
    spotExponent = 12;
    spotCutoff = 180;
    constantAtt = 0.4f;
    linearAtt = 0.4f;
    quadraticAtt = 0;
}

void FXLight::SetDefAmbient(float a)
{
    pos[3] = 0;
    fxColSet(ambient, 1, 1, 1, a);
    fxColSet(diffuse, 0, 0, 0, 0);
    fxColSet(specular, 0, 0, 0, 0);
    spotExponent = 0;
    spotCutoff = 180;
    constantAtt = linearAtt = quadraticAtt = 0;
}

void FXLight::SetDiffuseDark(float d, float a)
{
    pos[3] = 0;
    fxColSet(ambient, 0, 0, 0, a);
    fxColSet(diffuse, d, d, d, a);
    fxColSet(specular, 0, 0, 0, 0);
    spotExponent = 0;
    spotCutoff = 180;
    constantAtt = linearAtt = quadraticAtt = 0;
}

void FXLight::MultiColor(const float* c)
{
    fxVec4fCombine(ambient, ambient, c);
    fxVec4fCombine(diffuse, diffuse, c);
    fxVec4fCombine(specular, specular, c);
}

void FXLight::MultiColorF(float r, float g, float b, float a)
{
    const float c[4] = {r, g, b, a};
    MultiColor(c);
}
