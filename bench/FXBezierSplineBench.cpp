// The animated sheet evaluates two splines per vertex per frame with one
// prepared phase: this measures GetH over 10,000 splines.
#include "curves/FXBezierSpline.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

void localGetH(benchmark::State& state)
{
    const int kSplines = 10000;
    std::vector<std::unique_ptr<FXBezierSpline>> splines;
    for (int i = 0; i < kSplines; ++i) {
        auto s = std::make_unique<FXBezierSpline>();
        for (int k = 0; k < 6; ++k) {
            s->points.Push(static_cast<float>(k));
            s->points.Push(static_cast<float>((i + k) % 7) * 0.1f);
            s->points.Push(static_cast<float>(k * i % 5));
        }
        s->Precompute();
        s->SetActPoints(2, 3);
        splines.push_back(std::move(s));
    }
    FXBezierPhaseH h;
    float t = 0.0f;
    float out[3];
    for (auto _ : state) {
        h.Prepare(t);
        for (const auto& s : splines) {
            s->GetH(out, &h);
            benchmark::DoNotOptimize(out);
        }
        t = t > 0.99f ? 0.0f : t + 0.01f;
    }
    state.SetItemsProcessed(state.iterations() * kSplines);
    state.counters["ns_per_eval"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kSplines,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(localGetH)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
