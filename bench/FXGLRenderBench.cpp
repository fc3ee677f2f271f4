// One frame of the show's heaviest flat layer: a 64 x 48 desk (3,185
// vertices) drawn through RenderMesh on a 1280 x 720 offscreen surface.
// "Frame" includes GL (glFinish waits for the rasteriser); "EngineOnly" lays
// a no-op layer over the per-vertex entry points, leaving the CPU time the
// engine itself spends per frame outside GL.
#include "platform/egl/FXEglWindow.h"
#include "geometry/FXDesk.h"
#include "device/FXGL.h"
#include "render/FXMaterial.h"
#include "render/FXPixmap.h"
#include "device/fxGLCalls.h"
#include "device/fxGLHeaders.h"

#include <benchmark/benchmark.h>

namespace {

void FX_GLAPI localNoBegin(unsigned) {}
void FX_GLAPI localNoEnd() {}
void FX_GLAPI localNoVec(const float*) {}

class DeskScene {
public:
    DeskScene() : window(1280, 720)
    {
        gl.CreateChild(&window);
        gl.SetAct(true);
        fxSetEnv(&gl);
        canvas.pixmap.Realloc(640, 480);
        canvas.pixmap.Clear(0xff8040c0u);
        material.SetTexture(&canvas);
        desk.Create(64, 48);
        desk.SetMaterial(&material);
        gl.EnableLights(true);
    }
    ~DeskScene()
    {
        material.Destroy();
        fxSetEnv(nullptr);
        gl.SetAct(false);
        gl.Destroy();
    }
    void Frame()
    {
        gl.Clrscr(true, true, false);
        desk.OnRender(&gl, 0);
    }

    FXEglWindow window;
    FXGL gl;
    FXCanvas canvas;
    FXMaterial material;
    FXDesk desk;
};

void localFrame(benchmark::State& state)
{
    DeskScene scene;
    if (!scene.gl.hglrc) {
        state.SkipWithError("no GL context");
        return;
    }
    for (auto _ : state) {
        scene.Frame();
        glFinish();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["vertices"] = scene.desk.mesh.vertexCount;
}

void localEngineOnly(benchmark::State& state)
{
    DeskScene scene;
    if (!scene.gl.hglrc) {
        state.SkipWithError("no GL context");
        return;
    }
    FXGLCalls real = fxgl;
    fxgl = {localNoBegin, localNoEnd, localNoVec, localNoVec, localNoVec, localNoVec};
    for (auto _ : state)
        scene.Frame();
    fxgl = real;
    glFinish();
}

} // namespace

BENCHMARK(localFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(localEngineOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
