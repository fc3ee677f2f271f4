// Rebuilding a mesh from its shared vector tables and index stream, as every
// model and animation load does: a flat grid whose vertices all share one
// normal (an OBJ without vn written as "xm03"), at 4,225, 16,641 and 66,049
// vertices. The time must grow with the vertex count, not its square.
#include "authoring/fxIndexStream.h"
#include "geometry/FXMesh.h"
#include "package/FXNumPool.h"
#include "package/FXVectorMap.h"

#include <benchmark/benchmark.h>

namespace {

struct localGrid {
    FXVectorMap vmap;
    FXNumPool pool{4096};
    int vertices = 0, indices = 0;

    explicit localGrid(int side)
    {
        vertices = side * side;
        for (int r = 0; r < side; ++r)
            for (int c = 0; c < side; ++c) {
                vmap.positions.Push(static_cast<float>(c));
                vmap.positions.Push(static_cast<float>(r));
                vmap.positions.Push(0.0f);
                vmap.texCoords.Push(static_cast<float>(c) / static_cast<float>(side - 1));
                vmap.texCoords.Push(static_cast<float>(r) / static_cast<float>(side - 1));
            }
        for (float n : {0.0f, 0.0f, -1.0f})
            vmap.normals.Push(n);
        vmap.posCount = vertices;
        vmap.texCount = vertices;
        vmap.normCount = 1;
        vmap.SizeUsers();
        int prev[3] = {-1, -1, -1};
        for (int r = 0; r + 1 < side; ++r)
            for (int c = 0; c + 1 < side; ++c) {
                int a = r * side + c, b = a + 1, d = a + side, e = d + 1;
                for (int v : {a, d, b, b, d, e}) {
                    int idx[3] = {v, 0, v};
                    fxPushIndexTriple(&pool, prev, idx);
                    ++indices;
                }
            }
    }
};

void BM_FromVMapSharedNormal(benchmark::State& state)
{
    localGrid grid(static_cast<int>(state.range(0)));
    FXMesh mesh;
    for (auto _ : state) {
        mesh.Realloc(grid.vertices, grid.indices);
        if (!mesh.FromVMap(&grid.vmap, &grid.pool) || mesh.vertexCount != grid.vertices)
            state.SkipWithError("the grid did not rebuild");
        benchmark::ClobberMemory();
    }
    state.counters["vertices"] = grid.vertices;
}
BENCHMARK(BM_FromVMapSharedNormal)->Arg(65)->Arg(129)->Arg(257)->Unit(benchmark::kMillisecond);

} // namespace
