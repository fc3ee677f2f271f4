#include "show/Scene.h"

#include "base/FXMatrix.h"
#include "base/fxPaths.h"
#include "base/fxRandom.h"
#include "base/fxTime.h"
#include "base/fxThread.h"
#include "base/fxTrace.h"
#include "geometry/FXMesh.h"
#include "show/fxHostState.h"
#include "render/FXScrShot.h"
#include "render/fxDevil.h"

#include <cmath>
#include <cstring>

namespace {

const int kMovieIds[4] = {133, 454, 685, 686};
const float kPi = 3.1415f; // the show's own value, in every angle below
// The image library is bound for the process: by the first show that
// builds, until the last one is destroyed.
int localDevilUsers = 0;

// The material takes the capture's pixels: the capture is a local object
// of the build, and the material's canvas must outlive it.
void localTakeCapture(FXMaterial* m, FXScrShot* shot)
{
    if (shot->pixmap.pitch > 0) {
        m->canvas.pixmap.Swap(&shot->pixmap);
        m->canvas.opaque = true;
        m->canvas.mask = false;
        // Once on the device the desktop's pixels are not needed again (the
        // material keeps its extents): 16 MB less for the whole show.
        if (m->SetTexture(&m->canvas))
            m->canvas.pixmap.Destroy();
    } else {
        m->SetTexture(nullptr);
    }
}

int localPickMovie()
{
    fxResetRandom();
    int id = static_cast<int>(fxGetRandom() * 3.5f);
    return id > 3 ? 3 : id;
}

void localSpotLight(FXLight* l, const float* colour, float k)
{
    l->SetDefSpecular(1.0f);
    l->MultiColor(colour);
    l->MultiColorF(k, k, k, 1.0f);
}

} // namespace

// The show's state as at its construction, so that a second start of one
// show starts it the same again.
void Scene::ResetState()
{
    hasError = false;
    anim_id = 0;
    falling = 0;
    movie_black = 0;
    first = true;
    movie_id = -1;
    first_pole = true;
    movie_ends = 0;
}

// Part of every frame but the first of the full show: the white light dims
// with the progress, the red spot lights circle.
void Scene::Lights(PEnv* env, double t, float k1)
{
    float a = movie_black * 0.6f + 0.4f;
    light1.SetDefDiffuse(1.0f);
    light1.MultiColorF(k1, k1, k1, 1.0f);
    FXLight* spots[3] = {&light2, &light3, &light4};
    const float* colours[3] = {light2_col, light3_col, light4_col};
    for (int i = 0; i < 3; ++i) {
        localSpotLight(spots[i], colours[i], a);
        spots[i]->spotExponent = 12.0f;
        spots[i]->spotCutoff = 45.0f;
        spots[i]->constantAtt = 0.4f;
        spots[i]->linearAtt = 0.4f;
        spots[i]->quadraticAtt = 0.0f;
    }
    light1_phase1.OnRender(env, t);
    light2_phase1.OnRender(env, t);
    light3_phase1.OnRender(env, t);
    float p1 = light1_phase1.phase, p2 = light2_phase1.phase, p3 = light3_phase1.phase;
    light2.pos[0] = 0.4f * std::sin(2 * kPi * p1) - 0.7f;
    light2.pos[1] = 0.4f * std::cos(2 * kPi * p1) - 0.7f;
    light2.pos[2] = -1.0f;
    light3.pos[0] = 0.4f * std::sin(-2 * kPi * p2) + 0.7f;
    light3.pos[1] = 0.4f * std::cos(-2 * kPi * p2) - 0.7f;
    light3.pos[2] = -1.0f;
    light4.pos[0] = 0.4f * std::sin(-2 * kPi * p3);
    light4.pos[1] = 0.4f * std::cos(-2 * kPi * p3) + 0.7f;
    light4.pos[2] = -1.0f;
}

void Scene::MoviePhase(PEnv* env, double t, const float* c)
{
    FXMatrix b;
    b.SetScaleF(0.8f, 0.9f, 1.0f);
    env->ApplyMatrix(&b);
    env->EnableLights(false);
    if (first_pole) {
        if (movie_black >= 0.9f) {
            first_pole = false;
            movie_black = 1.0f;
        }
        pole.Prepare(-1);
        const float k[4] = {movie_black, movie_black, movie_black, movie_black};
        pole.desk.UpdateColCol(k);
    }
    pole.OnRender(env, t);
    if (movie_id == 2 || movie_id == 3) {
        FXMatrix right;
        right.SetMoveF(0.045816734f, 0, 0);
        env->MultiplyMatrix(&right);
    }
    SMovie& m = movie[movie_id];
    m.Prepare(-1);
    m.desk.UpdateColCol(c);
    m.OnRender(env, t);
    float v = m.phase;
    if (v >= 1.0f) {
        v = 1.0f;
        ++movie_ends;
        movie_id = localPickMovie();
        movie[movie_id].Restart(t);
    }
    if (v <= 0.25f)
        movie_black = 4.0f * v;
    else if (v <= 0.75f)
        movie_black = 1.0f;
    else
        movie_black = 4.0f * (1.0f - v);
}

void Scene::Show(PEnv* env, double t)
{
    if (first) {
        scr_anim.backward = false;
        scr_anim.StartAnim(t);
        rot_phase.Restart(t);
    }
    const float c[4] = {movie_black, movie_black, movie_black, movie_black};
    rot_phase.OnRender(env, t);
    float r = rot_phase.phase, f = falling;
    FXMatrix ry, rx, s, ty, tz;
    ry.SetRotateY((r * 90.0f - 45.0f) * f);
    rx.SetRotateX(f * -7.0f);
    s.SetScaleF(0.4f * f + 1.0f, 0.4f * f + 1.0f, 1.6f * f + 1.0f);
    ty.SetMoveF(0, 0.25f * f, 0);
    tz.SetMoveF(0, 0, -0.2f * f);
    env->ApplyMatrix(&ty);
    env->MultiplyMatrix(&ry);
    env->MultiplyMatrix(&rx);
    env->MultiplyMatrix(&s);
    env->MultiplyMatrix(&tz);
    env->EnableNormalize(true);
    env->EnableLights(true);
    env->EnableLight(false, &light);
    env->EnableLight(true, &light1);
    scr_anim.OnRender(env, t);

    if (anim_id == 0) {
        int n = scr_anim.frames.count;
        // An animation of fewer than two frames (or none: a missing entry)
        // has no progress to make; the movies come at once rather than never.
        falling = n > 1 ? (static_cast<float>(scr_anim.actFrame) + scr_anim.actPhase) / static_cast<float>(n - 1)
                        : 1.0f;
        if (falling >= 1.0f) {
            anim_id = 1;
            movie_id = localPickMovie();
            movie_black = 0;
            falling = 1.0f;
        }
    } else if (anim_id == 1 && movie_id != -1) {
        MoviePhase(env, t, c);
    }
}

void Scene::OnRender(PEnv* env, double t)
{
    float k1 = 1.0f - falling;
    bool firstFull = first && !isPreview;
    if (!firstFull) {
        if (!env->RenderStart())
            return;
        env->EnableDepthTest(true);
        env->EnableDepthWrite(true);
        env->Clrscr(true, true, false);
        env->EnableDepthTest(false);
        env->EnableDepthWrite(false);
        env->EnableLights(false);
        env->ApplyMatrixIdentity();
        Lights(env, t, k1);
    }
    env->UpdateLights();
    if (isPreview) {
        if (!env->RenderStart())
            return;
        env->EnableDepthTest(false);
        env->EnableDepthWrite(false);
        env->EnableLights(false);
        env->ApplyMatrixIdentity();
        preview.OnRender(env, t);
        env->RenderEnd();
        return;
    }
    env->UpdateLights();
    Show(env, t);
    env->ApplyMatrixIdentity();
    err_gad.OnRender(env, t);
    if (!firstFull)
        env->RenderEnd();
    if (first)
        first = false;
}

void Scene::Init(void* window, bool previewMode)
{
    BuildObjects(window, previewMode, true);
    gr.StartLoop(this);
}

void Scene::Build(void* window, bool previewMode)
{
    BuildObjects(window, previewMode, false);
}

// loop: start the render loop as soon as the context exists, with nothing
// to draw, so that its start-up sleep passes while the show loads. The
// window is not shown yet, so the capture after it still sees the desktop.
// Not on the virtual clock: there the sleep costs no time, and moving it
// would move the clock the random generator is seeded from.
void Scene::BuildObjects(void* window, bool previewMode, bool loop)
{
    ResetState();
    isPreview = previewMode;
    fxInitPaths();
    fxSetTypePath(1, vornPath);
    fxSetPath(1);
    if (!isPreview) {
        if (!fxTracesOpened()) // the host may have opened it first
            fxOpenTracesIn(fxGetTypePath(1), logsFile);
        trc("install folder: %s\n", vornPath);
    }
    gr.CreateChild(window);
    if (!isPreview && !gr.TestGL(false))
        hasError = true;
    if (loop && gr.hglrc && !fxVirtualClockOn())
        gr.StartLoop(nullptr);
    trc("start-up: device\n");
    if (!holdsDevil) {
        holdsDevil = true;
        fxHoldImageLibrary();
    }
    trc("start-up: image library\n");
    FXScrShot shot;
    if (!isPreview) {
        // At the screen's own size where the device takes any size: half
        // the memory of the power-of-two block at 1920 x 1080.
        shot.pixmap.power2 = !gr.npotTextures;
        shot.Update();
        trc("start-up: desktop captured\n");
    }
    // The loaders upload through the process's environment.
    fxSetEnv(&gr);
    gr.SetAct(true);
    pck.Load("lwhirl.dat");
    trc("start-up: package read\n");
    err_gad.CreateCN(&pck, 3);
    err_gad.enabled = hasError;
    if (isPreview) {
        preview_mat.LoadTextureCN(&pck, 12);
        preview.Create(1, 1);
        preview.SetMaterial(&preview_mat);
    } else {
        BuildFull(&shot);
    }
    gr.SetAct(false);
}

void Scene::BuildFull(FXScrShot* shot)
{
    fxResetRandom();
    localTakeCapture(&scr_mat, shot);
    trc("start-up: desktop uploaded\n");
    scr_mat.SetDefDiffuse(1.0f);
    gr.AddMaterial(&scr_mat);
    scr_mat.name.Set(mat_name);

    scr_anim.LoadCN(&pck, 8);
    scr_anim.UnitizeStretch1(0);
    scr_anim.Normalize(-1, false);
    scr_anim.ComputeFrontTexCoords(0, -1);
    scr_anim.ResizeTextCoords1();
    scr_anim.loop = false;
    scr_anim.pingPong = false;
    scr_anim.linear = true;
    scr_anim.UpdateInterpolation(true, true);
    scr_anim.StartAnim(0.0);
    trc("start-up: sheet built\n");
    scr_anim.playing = false;

    pole.LoadCN(&pck, 11);
    pole.LoadIntoMem();
    pole.waitForFrame = false;
    pole.loop = false;
    pole.pingPong = false;
    pole.desk.mesh.colMode = 1;
    for (int i = 0; i < 4; ++i) {
        movie[i].LoadCN(&pck, kMovieIds[i]);
        movie[i].LoadIntoMem();
        movie[i].waitForFrame = true;
        movie[i].loop = false;
        movie[i].pingPong = false;
        movie[i].desk.mesh.colMode = 1;
    }
    fxSetPath(1);
    trc("start-up: movies ready\n");

    // As constructed: a second start must not go on from where the
    // first one's clock left the circles.
    rot_phase = FXPhaser();
    rot_phase.duration = 15.0;
    rot_phase.loop = true;
    rot_phase.pingPong = true;
    rot_phase.smooth = true;
    rot_phase.halfSmooth = false;
    FXPhaser* circles[3] = {&light1_phase1, &light2_phase1, &light3_phase1};
    const double periods[3] = {12.0, 14.0, 10.0};
    for (int i = 0; i < 3; ++i) {
        *circles[i] = FXPhaser();
        circles[i]->duration = periods[i];
        circles[i]->loop = true;
        circles[i]->pingPong = false;
        circles[i]->smooth = false;
        circles[i]->halfSmooth = false;
    }

    light.SetDefDiffuse(1.0f);
    gr.RegisterLight(&light);
    light1.SetDefDiffuse(1.0f);
    gr.RegisterLight(&light1);
    float k = movie_black * 0.5f + 0.5f;
    FXLight* spots[3] = {&light2, &light3, &light4};
    const float* colours[3] = {light2_col, light3_col, light4_col};
    const float places[3][3] = {{1, 0, -1}, {-1, 0, -1}, {-1, 1, -1}};
    for (int i = 0; i < 3; ++i) {
        localSpotLight(spots[i], colours[i], k);
        for (int j = 0; j < 3; ++j)
            spots[i]->pos[j] = places[i][j];
        spots[i]->pos[3] = 1.0f;
        spots[i]->spotDir[0] = 0;
        spots[i]->spotDir[1] = 0;
        spots[i]->spotDir[2] = 1;
        gr.RegisterLight(spots[i]);
    }
    demo.CreateCN(&pck, 687, 688);
    gad.CreateCN(&pck, 4, 2);
    fxSetAppPriority(1);
    trc("start-up: scene built\n");
}

Scene::~Scene()
{
    // A show still running at exit (a test that failed half-way) must not
    // be drawn while its objects go.
    Destroy();
}

bool Scene::Destroy()
{
    const double kStopSeconds = 3.0;
    if (!gr.StopLoop(kStopSeconds)) {
        err("Scene::Destroy: the render thread did not finish its frame within %.0f s\n", kStopSeconds);
        return false;
    }
    // The objects release GL textures and buffers: the context must be
    // current here, now that the render thread has let it go.
    gr.SetAct(true);
    preview.Destroy();
    preview_mat.Destroy();
    scr_mat.Destroy();
    scr_anim.Destroy();
    pole.Destroy();
    for (SMovie& m : movie)
        m.Destroy();
    demo.Destroy();
    gad.Destroy();
    err_gad.Destroy();
    pck.Destroy();
    FXLight* lights[5] = {&light, &light1, &light2, &light3, &light4};
    for (FXLight* l : lights)
        gr.UnregisterLight(l);
    gr.Destroy(); // releases the context from this thread and deletes it
    fxLeaveEnv(&gr); // another show may have been built since
    if (holdsDevil) {
        holdsDevil = false;
        fxReleaseImageLibrary();
    }
    return true;
}

Scene& fxHostScene()
{
    static Scene sc;
    return sc;
}

void fxHoldImageLibrary()
{
    if (localDevilUsers++ == 0)
        fxLoadDevil();
}

void fxReleaseImageLibrary()
{
    if (localDevilUsers > 0 && --localDevilUsers == 0)
        fxUnloadDevil();
}

void InitScene(void* window, bool previewMode)
{
    fxHostScene().Init(window, previewMode);
}

bool DestroyScene()
{
    return fxHostScene().Destroy();
}
