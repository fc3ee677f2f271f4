// Per-frame cost of the sheet animation: every vertex evaluated on its
// position and normal splines at the frame's phase.
#include "geometry/FXAnim.h"
#include "geometry/FXMesh.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

namespace {

// A 65 x 49 grid (3,185 vertices) over 16 key frames, each bending it in z.
void localBuildSheet(FXAnim* a)
{
    const int cols = 65, rows = 49, frames = 16;
    for (int f = 0; f < frames; ++f) {
        auto* m = new FXMesh;
        m->Realloc(cols * rows, 0);
        std::memset(m->vertices, 0, sizeof(tagFXVertex) * cols * rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                tagFXVertex& v = m->vertices[r * cols + c];
                v.pos[0] = c / 32.0f - 1;
                v.pos[1] = 1 - r / 24.0f;
                v.pos[2] = 0.3f * std::sin(0.4f * f + v.pos[0] * 3) * std::cos(0.2f * f * v.pos[1]);
                v.norm[2] = 1;
            }
        auto* model = new FXModel;
        model->meshes.Push(m);
        a->frames.Push(model);
        a->frameNames.Push("frame");
        a->frameTimes.PushInt(500);
    }
    a->UpdateInterpolation(true, false);
    a->StartAnim(0);
}

void BM_UpdateIPos(benchmark::State& state)
{
    FXAnim a;
    localBuildSheet(&a);
    double t = 0;
    for (auto _ : state) {
        a.UpdateIPos(t);
        t = t > 0.45 ? 0 : t + 0.01;
        benchmark::ClobberMemory();
    }
    state.counters["vertices"] = a.posSplines.count;
}
BENCHMARK(BM_UpdateIPos)->Unit(benchmark::kMicrosecond);

} // namespace
