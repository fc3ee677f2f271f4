// FXDemoGadget: a small two-layer textured cube that waits 15 seconds from
// its first frame, fades in over 2 seconds and then wanders for ever along a
// closed path through 20 random points, turning slowly about x and y. The
// inner faces are sphere-mapped; the outer shell, one thousandth larger,
// carries its own picture with the desks' texture coordinates.
//
// It draws on top of the caller's current matrix and leaves that matrix at
// the last side's placement.
#pragma once

#include "base/FXMatrix.h"
#include "curves/FXBezierSpline.h"
#include "geometry/FXDesk.h"
#include "render/FXMaterial.h"
#include "render/PRender.h"
#include "show/FXPhaser.h"

class FXPackage;

class FXDemoGadget : public PRender {
public:
    FXDesk faces[6];      // inner layer, faceMaterial
    FXDesk shellFaces[6]; // outer layer, shellMaterial
    FXMaterial faceMaterial;
    FXMaterial shellMaterial;
    FXMatrix faceMatrix[6]; // unit square -> side i of the cube -1..+1
    FXPhaser spinX;
    FXPhaser spinY;
    FXBezierSpline path;    // the centre's path, in the plane z = 0
    FXPhaser pathPhase;
    bool restartPending;    // the next OnRender starts the intro
    bool intro;
    bool fading;
    FXPhaser introPhase;
    FXPhaser fadePhase;

    FXDemoGadget();
    ~FXDemoGadget() override { Destroy(); }
    FXDemoGadget(const FXDemoGadget&) = delete;
    FXDemoGadget& operator=(const FXDemoGadget&) = delete;

    // Draws a new path from the random generator, reseeded from the
    // millisecond clock. False when a picture did not load; the cube is still
    // built and drawn untextured there.
    bool CreateCN(FXPackage* pkg, int faceId, int shellId);
    // The same with the pictures read from files.
    bool Create(const char* facePicture, const char* shellPicture);
    // Draws nothing and touches no device state until the intro is over.
    void OnRender(PEnv* env, double t) override;
    void Destroy();

private:
    void BuildPath();
    bool BuildCube(bool faceOk, bool shellOk);
};
