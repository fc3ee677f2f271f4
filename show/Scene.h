// Scene: one show. It owns every object of the show and its device; Init
// fills them from the package for a window and starts the render loop with
// the scene as its root, Destroy stops the loop and empties them. OnRender
// is one frame, drawn through the environment it is handed: the preview's
// quad, or the full show (the desktop on the animated sheet under the spot
// lights, then the movies for good), with the error notice on top.
//
// Shows share nothing but the process's paths, trace log, image library,
// clock and random generator, so several can run side by side, one on each
// window. While one builds, its device is the process's environment (the
// loaders upload through it); every object then keeps the device it was
// made with.
#pragma once

#include "curves/FXBezierSpline.h"
#include "device/FXGL.h"
#include "geometry/FXAnim.h"
#include "geometry/FXDesk.h"
#include "geometry/SMovie.h"
#include "package/FXPackage.h"
#include "render/FXLight.h"
#include "render/FXMaterial.h"
#include "render/PRender.h"
#include "show/FXDemoGadget.h"
#include "show/FXErrGadget.h"
#include "show/FXPhaser.h"
#include "show/FXVornGadget.h"

class FXScrShot;

class Scene : public PRender {
public:
    // The show's objects, in construction order.
    bool isPreview = false;
    FXPackage pck;
    FXGL gr; // the show's device
    FXLight light, light1;
    FXLight light2, light3, light4;
    FXDesk preview;
    FXMaterial preview_mat;
    FXMaterial scr_mat;
    FXAnim scr_anim;
    SMovie movie[4];
    SMovie pole;
    FXPhaser rot_phase;
    FXPhaser light1_phase1, light2_phase1, light3_phase1;
    FXVornGadget gad;
    FXErrGadget err_gad;
    FXDemoGadget demo;

    bool hasError = false;
    int anim_id = 0;         // 0 the mesh animation, 1 the movies
    float falling = 0;       // progress of the mesh animation, 0..1
    float movie_black = 0;   // brightness of the movies, 0..1
    bool first = true;       // true until the end of the first frame
    int movie_id = -1;       // the playing alternative movie; -1 none yet
    bool first_pole = true;  // true until the backdrop has faded in once
    static constexpr const char* mat_name = "Material.001";
    float light2_col[4] = {1.0f, 0.1f, 0.1f, 1.0f};
    float light3_col[4] = {1.0f, 0.1f, 0.1f, 1.0f};
    float light4_col[4] = {1.0f, 0.1f, 0.1f, 1.0f};
    int movie_ends = 0;      // alternative movies that have played to their end

    Scene() = default;
    ~Scene() override;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // window: the drawing window's PGLWindow. Reads the install folder and
    // the trace file name from the host's state.
    void Init(void* window, bool previewMode);
    // Init without starting the render loop: the caller draws the frames
    // itself (OnRender with gr's context current), as the tests do.
    void Build(void* window, bool previewMode);
    // Returns once the render thread has finished its frame and everything
    // is released: true. False when the thread is still in its frame after a
    // few seconds (blocked in the window system): then nothing is released,
    // as the thread may still use it, and the host ends the process without
    // running the objects' destructors.
    bool Destroy();

    void OnRender(PEnv* env, double t) override;

    // What the hosts and the recorder ask. MovieEnds and InMovies are for
    // the render thread (a frame listener) or a stopped show.
    FXGL& Device() { return gr; }
    bool HasContext() const { return gr.hglrc != nullptr; }
    bool PackageLoaded() const { return pck.GetCount() > 0; }
    bool InMovies() const { return anim_id == 1; }
    int MovieEnds() const { return movie_ends; }

private:
    bool holdsDevil = false; // counted among the image library's users

    void ResetState();
    void BuildObjects(void* window, bool previewMode, bool loop);
    void BuildFull(FXScrShot* shot);
    void Lights(PEnv* env, double t, float k1);
    void Show(PEnv* env, double t);
    void MoviePhase(PEnv* env, double t, const float* c);
};

// The image library, bound while anyone holds it: the shows, and a host
// that decodes a desktop picture before its shows are built.
void fxHoldImageLibrary();
void fxReleaseImageLibrary();

// The show of the process's saver window, which the hosts start and end.
Scene& fxHostScene();
void InitScene(void* window, bool previewMode);
bool DestroyScene();
