// Scene: the show. Every object of the show is a process-wide static object
// (constructed in the order below, before the host runs); InitScene fills
// them from the package when the saver window is created and starts the
// render loop with `sc` as its root, DestroyScene stops the loop and empties
// them. Scene::OnRender is one frame: the preview's quad, or the full show
// (the desktop on the animated sheet under the spot lights, then the movies
// for good), with the error notice on top.
#pragma once

#include "curves/FXBezierSpline.h"
#include "geometry/FXAnim.h"
#include "geometry/SMovie.h"
#include "package/FXPackage.h"
#include "geometry/FXDesk.h"
#include "device/FXGL.h"
#include "render/FXLight.h"
#include "render/FXMaterial.h"
#include "render/PRender.h"
#include "show/FXDemoGadget.h"
#include "show/FXErrGadget.h"
#include "show/FXPhaser.h"
#include "show/FXVornGadget.h"

class Scene : public PRender {
public:
    void OnRender(PEnv* env, double t) override;
};

// window: the drawing window's PGLWindow. Reads the install folder and the
// trace file name from the host's state.
void InitScene(void* window, bool preview);
// InitScene without starting the render loop: the caller draws the frames
// itself (sc.OnRender with gr's context current), as the tests do.
void BuildScene(void* window, bool preview);
// Returns once the render thread has finished its frame and everything is
// released: true. False when the thread is still in its frame after a few
// seconds (blocked in the window system): then nothing is released, as the
// thread may still use it, and the host ends the process without running
// the objects' destructors.
bool DestroyScene();

extern bool isPreview;
extern FXPackage pck;
extern Scene sc;
extern FXGL gr;
extern FXLight light, light1, light2, light3, light4;
extern FXDesk preview;
extern FXMaterial preview_mat;
extern FXMaterial scr_mat;
extern FXAnim scr_anim;
extern SMovie movie[4];
extern SMovie pole;
extern FXPhaser rot_phase;
extern FXPhaser light1_phase1, light2_phase1, light3_phase1;
extern FXVornGadget gad;
extern FXErrGadget err_gad;
extern FXDemoGadget demo;

extern bool hasError;
extern int anim_id;       // 0 the mesh animation, 1 the movies
extern float falling;     // progress of the mesh animation, 0..1
extern float movie_black; // brightness of the movies, 0..1
extern bool first;        // true until the end of the first frame
extern int movie_id;      // the playing alternative movie; -1 none yet
extern bool first_pole;   // true until the backdrop has faded in once
extern const char* const mat_name;
extern float light2_col[4], light3_col[4], light4_col[4];
// Alternative movies that have played to their end (for the recorder).
extern int movie_ends;
