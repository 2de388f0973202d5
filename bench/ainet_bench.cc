// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench_histograms.h"
#include "framework/progress.h"
#include "passes/ainet_pass.h"

namespace strandel {
namespace {

// The pass as the worker runs it: defaults, empty centre list.
void BM_AinetPass(benchmark::State& state) {
    const histogram h = make_image_histogram(state.range(0));
    const ainet_pass p;
    nop_progress_indicator progress;
    for (auto _ : state) {
        std::vector<double> centres;
        p(h, centres, &progress);
        benchmark::DoNotOptimize(centres.data());
    }
    state.counters["pixels"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_AinetPass)->Arg(1000)->Arg(250000)->Arg(1000000)->Arg(4000000)->Arg(16000000)
    ->Unit(benchmark::kMicrosecond);

// The same pass, every pixel presented: the reference the pass is checked
// against, to show what skipping repeated states saves.
void BM_AinetEveryPixel(benchmark::State& state) {
    const histogram h = make_image_histogram(state.range(0));
    const ainet_pass p;
    nop_progress_indicator progress;
    for (auto _ : state) {
        std::vector<double> centres;
        ainet_present_every_pixel(p, h, centres, &progress);
        benchmark::DoNotOptimize(centres.data());
    }
    state.counters["pixels"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_AinetEveryPixel)->Arg(1000)->Arg(250000)->Arg(1000000)->Arg(4000000)->Arg(16000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace strandel
