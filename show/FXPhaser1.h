// FXPhaser1: a phaser that can restart itself a delay after it stopped.
#pragma once

#include "show/FXPhaser.h"

class FXPhaser1 : public FXPhaser {
public:
    bool autoRestart;
    bool restartForward;
    double restartDelay;

    FXPhaser1() : autoRestart(false), restartForward(true), restartDelay(0) {}

    void OnRender(PEnv* env, double t) override;
    // FXPhaser::Restart, then loop = true.
    void Restart(double t);
};
