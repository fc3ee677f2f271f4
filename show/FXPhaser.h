// FXPhaser: turns the frame clock into a phase 0..1 that rises (or falls)
// over `duration` seconds, optionally eased, and stops, loops or swings back
// and forth. Owners set the public members after construction, call
// OnRender once per frame and read `phase`.
#pragma once

#include <cstdio>

class FXPackage;
class FXPackageData;
class PEnv;

class FXPhaser {
public:
    float phase;
    bool active;
    bool reverse;
    bool loop;
    bool pingPong;
    bool periodDone;
    double periodStart;
    double duration;
    bool smooth;
    bool halfSmooth;
    bool cubicFirst;
    bool steepStart;
    double nextDuration;

    FXPhaser();
    virtual ~FXPhaser() {}

    // Advances to frame time t (seconds). A duration of 0 or less (or NaN)
    // ends the period at every call, so the phase is never NaN.
    virtual void OnRender(PEnv* env, double t);
    void Restart(double t);
    // 1 up to a, falling linearly to 0 at b.
    float GetOnOff(float a, float b) const;

    // The phaser record: phase (float), duration (double), then active,
    // reverse, loop, pingPong, smooth, halfSmooth as bytes (only 1 is true).
    void LoadC(FXPackage* pkg, FXPackageData* data);
    bool Save(FILE* f) const;
    bool Load(FILE* f);
};
