// SPDX-License-Identifier: GPL-3.0-or-later
// Each measure on a one-megapixel histogram, with the centres K-Means leaves.
#include <benchmark/benchmark.h>

#include "bench_histograms.h"
#include "evaluation/fitness_function.h"
#include "evaluation/turi.h"
#include "passes/kmeans_pass.h"

namespace strandel {
namespace {

template <class Measure>
void evaluate_measure(benchmark::State& state) {
    const histogram h = make_image_histogram(1024 * 1024);
    std::vector<double> centres;
    nop_progress_indicator progress;
    kmeans_pass()(h, centres, &progress);
    class_map classes;
    classify(h, centres, &classes);
    const Measure measure;
    for (auto _ : state) benchmark::DoNotOptimize(measure(h, centres, classes));
}

BENCHMARK_TEMPLATE(evaluate_measure, turi_fitness);
BENCHMARK_TEMPLATE(evaluate_measure, dunn_fitness);
BENCHMARK_TEMPLATE(evaluate_measure, amrane_fitness);
BENCHMARK_TEMPLATE(evaluate_measure, liu_yang_fitness);

}  // namespace
}  // namespace strandel
