// FXErrGadget: one fixed picture, the error notice, drawn at its own pixel
// size 10 pixels from the screen's top-left corner, over everything else and
// unlit. The owner switches it on with `enabled` and draws it last in a frame.
#pragma once

#include "geometry/FXDesk.h"
#include "render/FXMaterial.h"
#include "render/PRender.h"
#include "show/FXScrPos01.h"

class FXPackage;

class FXErrGadget : public PRender {
public:
    bool enabled;
    FXDesk desk;          // 1 x 1, carries the picture
    FXMaterial picture;
    FXScrPos01 placement;

    FXErrGadget() : enabled(false) {}
    ~FXErrGadget() override { Destroy(); }
    FXErrGadget(const FXErrGadget&) = delete;
    FXErrGadget& operator=(const FXErrGadget&) = delete;

    // The picture from a package entry. The screen size is read from the
    // global environment now, once. False when the picture did not load; the
    // gadget is still built and then covers the whole window untextured.
    bool CreateCN(FXPackage* pkg, int id);
    // The same from the file "error_message.png".
    bool Create();
    // Leaves depth testing, depth writes and lighting off when enabled; does
    // nothing at all otherwise.
    void OnRender(PEnv* env, double t) override;
    void Destroy();

private:
    void Place();
};
