#include "render/FXLight.h"

namespace {

void localSet4(float* c, float r, float g, float b, float a)
{
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
}

void localScale4(float* c, const float* f)
{
    for (int i = 0; i < 4; ++i)
        c[i] *= f[i];
}

} // namespace

FXLight::FXLight() : slot(0), disabled(false)
{
    localSet4(pos, 0, 0, -1, 0);
    localSet4(spotDir, 0, 0, 1, 0);
    SetDefDiffuse(1.0f);
}

void FXLight::SetDefDiffuse(float a)
{
    pos[3] = 0;
    localSet4(ambient, 0.2f, 0.2f, 0.2f, a);
    localSet4(diffuse, 1, 1, 1, a);
    localSet4(specular, 0, 0, 0, 0);
    spotExponent = 0;
    spotCutoff = 180;
    constantAtt = linearAtt = quadraticAtt = 0;
}

void FXLight::SetDefSpecular(float a)
{
    pos[3] = 1;
    localSet4(ambient, 0, 0, 0, a);
    localSet4(diffuse, 1, 1, 1, a);
    localSet4(specular, 1, 1, 1, a);
    spotExponent = 12;
    spotCutoff = 180;
    constantAtt = 0.4f;
    linearAtt = 0.4f;
    quadraticAtt = 0;
}

void FXLight::SetDefAmbient(float a)
{
    pos[3] = 0;
    localSet4(ambient, 1, 1, 1, a);
    localSet4(diffuse, 0, 0, 0, 0);
    localSet4(specular, 0, 0, 0, 0);
    spotExponent = 0;
    spotCutoff = 180;
    constantAtt = linearAtt = quadraticAtt = 0;
}

void FXLight::SetDiffuseDark(float d, float a)
{
    pos[3] = 0;
    localSet4(ambient, 0, 0, 0, a);
    localSet4(diffuse, d, d, d, a);
    localSet4(specular, 0, 0, 0, 0);
    spotExponent = 0;
    spotCutoff = 180;
    constantAtt = linearAtt = quadraticAtt = 0;
}

void FXLight::MultiColor(const float* c)
{
    localScale4(ambient, c);
    localScale4(diffuse, c);
    localScale4(specular, c);
}

void FXLight::MultiColorF(float r, float g, float b, float a)
{
    const float c[4] = {r, g, b, a};
    MultiColor(c);
}
