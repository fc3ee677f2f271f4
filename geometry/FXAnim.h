// FXAnim: a key-frame animation of a mesh set. Every frame is a complete
// model with the same meshes, vertices and triangles as frame 0; a frame clock
// steps through the frames by their durations, and every vertex follows a
// spline (or a straight line) through its key-frame places. What is drawn is
// the interpolated model iModel, or the current frame's model.
//
// Vertex numbering: the vertices of all working meshes, mesh by mesh in list
// order, each mesh in vertex order; spline k belongs to vertex k.
#pragma once

#include "base/FXArray.h"
#include "base/FXStrArray.h"
#include "curves/FXBezierGraph.h"
#include "geometry/FXModel.h"
#include "package/PMeshSaveClb.h"
#include "render/PRender.h"

#include <cstdio>

class FXBezierSpline;
class FXPackage;

class FXAnim : public PRender, public PMeshSaveClb {
public:
    // Vertices and indices over all frames (a mesh counting one more) that
    // one record may build. A sheet of a few thousand vertices over tens of
    // frames needs well under a million; a record asking for more is
    // corrupt, and must not exhaust memory by repeating a large mesh over
    // many frames.
    static const long long kMaxElements = 1LL << 25;

    FXBezierGraph graph; // kept with the record; playback does not use it
    float auxValue;      // likewise
    bool playing;
    bool backward;
    bool loop;     // at either end the run goes on (wraps or bounces)
    bool pingPong; // with loop, bounce instead of wrapping
    double frameStart; // caller's clock when the current frame began, seconds
    int actFrame;
    double frameDuration; // seconds
    bool manual;     // driven by SetActFrames/SetActPhase; OnRender neither advances nor evaluates
    bool frameDirty; // the next OnRender selects new spline pieces
    FXArray frames;  // FXModel*, owned; null slots allowed in version 2 records
    FXStrArray frameNames;
    FXArray frameTimes; // milliseconds per frame; its length is the clock's frame count
    bool interpolate;
    bool interpolateAux;
    bool linear; // straight lines between the two frames instead of the splines
    FXModel iModel;
    FXArray posSplines, normSplines; // FXBezierSpline*, owned
    bool reversed; // the selected piece runs from its end to its start
    float tension;
    float actPhase;

    FXAnim();
    ~FXAnim() override { Destroy(); }
    FXAnim(const FXAnim&) = delete;
    FXAnim& operator=(const FXAnim&) = delete;

    // False (and empty) when the entry is missing or shorter than 8 bytes.
    bool LoadCN(FXPackage* pkg, int id);
    void Destroy();

    void StartAnim(double t);
    void ContinueAnim(double t);
    // The current frame's time; 0 or less, or no frames at all, means 500 ms.
    void ComputeFrameDuration();
    void OnRender(PEnv* env, double t) override;

    void UpdateInterpolation(bool interpolate, bool aux);
    void UpdateIFrame();
    void UpdateIPos(double t);
    void SetActFrames(int from, int to);
    void SetActPhase(float phase);

    // Preparation after loading, on the frames (iModel is built afterwards).
    void UnitizeStretch1(int frame);
    // -1 every frame, another negative value nothing.
    void Normalize(int frame, bool markedOnly);
    void ComputeFrontTexCoords(int frame, int mesh);
    void ResizeTextCoords1();

    // Equal position, normal, texture coordinate and red component in every
    // frame (exact comparison).
    bool TestRedirect(int meshA, int vertexA, int meshB, int vertexB) override;

    FXModel* GetFrame(int i) const { return static_cast<FXModel*>(frames.Get(i)); }
    int GetFrameCount() const { return frameTimes.count; }

    // Authoring side (authoring/FXAnimWriter.cpp). The "xa03" record: one
    // header and index stream per mesh shared by all frames, one table per
    // frame. False when a frame is missing or differs from frame 0 in its
    // meshes or vertex counts.
    bool Save_v03(FILE* f);
    bool Save(const char* path);
    // Appends a frame (owned from now on) with its name and time.
    void AddFrame(FXModel* model, const char* name, int milliseconds);

private:
    bool evaluated = false;    // iModel holds the places at evaluatedPhase on the selected pieces
    float evaluatedPhase = 0;

    bool FramesMatch() const;
    void EvaluateAt(float phase);
    void SelectPiece(int a, int b);
    void LoadV2(FXPackage* pkg);
    void LoadV3(FXPackage* pkg, FXPackageData* data);
};
