#include "show/FXPhaser.h"

#include "base/fxStream.h"
#include "package/FXPackageData.h"

#include <cstring>

namespace {

// x^12 as eleven float multiplications.
float localPow12(float x)
{
    float r = x;
    for (int i = 0; i < 11; ++i)
        r *= x;
    return r;
}

} // namespace

FXPhaser::FXPhaser()
    : phase(0), active(true), reverse(false), loop(true), pingPong(false), periodDone(false), periodStart(0),
      duration(1.0), smooth(false), halfSmooth(false), cubicFirst(false), steepStart(false), nextDuration(0)
{
}

void FXPhaser::OnRender(PEnv* env, double t)
{
    (void)env;
    bool ended = !(duration > 0.0);
    if (active && (ended || t - periodStart >= duration)) {
        if (cubicFirst) {
            cubicFirst = false;
            duration = nextDuration;
        }
        if (!reverse) {
            if (loop) {
                if (pingPong)
                    reverse = true;
            } else {
                active = false;
                phase = 1.0f;
            }
        } else {
            if (loop) {
                if (pingPong)
                    reverse = false;
            } else {
                active = false;
                phase = 0.0f;
            }
        }
        periodDone = true;
        float e = static_cast<float>(t - periodStart);
        if (e > 2.0 * duration || !(duration > 0.0))
            periodStart = t;
        else
            periodStart = periodStart + duration;
    }
    if (!active)
        return;
    float p = duration > 0.0 ? static_cast<float>((t - periodStart) / duration) : 1.0f;
    if (!(p >= 0.0f))
        p = 0.0f;
    if (p > 1.0f)
        p = 1.0f;
    if (smooth) {
        float p2 = p * p;
        p = 2.0f * p2 * (1.0f - p) + p2;
    } else if (halfSmooth) {
        float p2 = p * p;
        p = (p + 3.0f * p2 - 2.0f * p2 * p) * 0.5f;
    } else if (cubicFirst) {
        p = p * p * p;
    } else if (steepStart) {
        const float c = localPow12(0.92f);
        if (p < c)
            p = c - localPow12(0.92f - p);
    }
    if (reverse)
        p = 1.0f - p;
    phase = p;
}

void FXPhaser::Restart(double t)
{
    periodStart = t;
    phase = 0.0f;
    active = true;
    periodDone = false;
    reverse = false;
}

float FXPhaser::GetOnOff(float a, float b) const
{
    if (phase <= a)
        return 1.0f;
    if (phase >= b)
        return 0.0f;
    return (b - phase) / (b - a);
}

void FXPhaser::LoadC(FXPackage* pkg, FXPackageData* data)
{
    (void)pkg;
    if (!data)
        return;
    phase = data->ReadFloat();
    duration = data->ReadDouble();
    active = data->ReadBool();
    reverse = data->ReadBool();
    loop = data->ReadBool();
    pingPong = data->ReadBool();
    smooth = data->ReadBool();
    halfSmooth = data->ReadBool();
}

bool FXPhaser::Save(FILE* f) const
{
    return fxWriteFloat(f, phase) && fxWriteDouble(f, duration) && fxWriteBool(f, active) && fxWriteBool(f, reverse) &&
           fxWriteBool(f, loop) && fxWriteBool(f, pingPong) && fxWriteBool(f, smooth) && fxWriteBool(f, halfSmooth);
}

bool FXPhaser::Load(FILE* f)
{
    float p;
    double d;
    bool flags[6];
    if (!fxReadFloat(f, &p) || !fxReadDouble(f, &d))
        return false;
    for (bool& b : flags)
        if (!fxReadBool(f, &b))
            return false;
    phase = p;
    duration = d;
    active = flags[0];
    reverse = flags[1];
    loop = flags[2];
    pingPong = flags[3];
    smooth = flags[4];
    halfSmooth = flags[5];
    return true;
}
