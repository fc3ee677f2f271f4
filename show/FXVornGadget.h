// FXVornGadget: the logo medallion in the bottom-right corner of the window,
// a model spinning about its vertical axis with a flat label at 40 % opacity
// below it, kept square on screen whatever the window's aspect. It draws with
// its own matrices, replacing the caller's, and leaves lighting off.
#pragma once

#include "geometry/FXModel.h"
#include "geometry/FXDesk.h"
#include "render/FXMaterial.h"
#include "render/PRender.h"
#include "show/FXPhaser.h"

class FXPackage;

class FXVornGadget : public PRender {
public:
    // Seconds per turn, and the length of the show phaser; read by CreateCN.
    static double rotate_dur;
    static double show_dur;

    bool showModel;
    bool restartPending; // the next OnRender restarts the phasers
    FXModel model;
    FXDesk desk;         // 1 x 1, carries the label
    FXMaterial label;
    FXPhaser showPhase;  // restarted with the spin, otherwise unused
    FXPhaser rotatePhase;

    FXVornGadget() : showModel(true), restartPending(false) {}
    ~FXVornGadget() override { Destroy(); }
    FXVornGadget(const FXVornGadget&) = delete;
    FXVornGadget& operator=(const FXVornGadget&) = delete;

    // False when the model entry or the label picture is missing; what did
    // load is still drawn. The spin starts at angle 0 on the next OnRender.
    bool CreateCN(FXPackage* pkg, int labelId, int modelId);
    void OnRender(PEnv* env, double t) override;
    void Destroy();
};
