// FXLight: the parameters of one fixed-function GL light. The device copies
// them into its light slot every frame; the light does not choose its slot.
#pragma once

class FXLight {
public:
    int slot;           // the GL light name the device used last
    float pos[4];       // w = 0 directional, 1 positional
    float spotDir[4];   // first three used
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float spotExponent;
    float spotCutoff;   // degrees; 180 = no cone
    float constantAtt;
    float linearAtt;
    float quadraticAtt;
    bool disabled;      // switched off by the device instead of applied

    FXLight();

    // Presets: a is the alpha of the colours each one names.
    void SetDefault(float a) { SetDefDiffuse(a); }
    void SetDefDiffuse(float a);
    void SetDefSpecular(float a);
    void SetDefAmbient(float a);
    void SetDiffuseDark(float d, float a);
    // Ambient, diffuse and specular times c, channel by channel.
    void MultiColor(const float* c);
    void MultiColorF(float r, float g, float b, float a);
};
