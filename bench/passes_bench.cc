// SPDX-License-Identifier: GPL-3.0-or-later
// Every pass at its defaults, heading a chain (empty centre list), on
// histograms of images from a quarter to sixteen megapixels.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

#include "bench_histograms.h"
#include "passes/dyn_pso_pass.h"
#include "passes/fcm_pass.h"
#include "passes/kmeans_pass.h"
#include "passes/pso_pass.h"

namespace strandel {
namespace {

// The dynamic swarm traces every run to standard output; keep those lines
// out of the benchmark report while the loop runs.
class silenced_stdout {
public:
    silenced_stdout() {
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        std::FILE* sink = std::fopen("/dev/null", "w");
        if (sink) {
            dup2(fileno(sink), STDOUT_FILENO);
            std::fclose(sink);
        }
    }
    ~silenced_stdout() {
        std::fflush(stdout);
        if (m_saved >= 0) {
            dup2(m_saved, STDOUT_FILENO);
            close(m_saved);
        }
    }

private:
    int m_saved = -1;
};

template <class Pass>
void run_pass(benchmark::State& state) {
    const histogram h = make_image_histogram(state.range(0) * 1024 * 1024 / 4);
    const Pass p;
    nop_progress_indicator progress;
    std::srand(1);
    silenced_stdout quiet;
    for (auto _ : state) {
        std::vector<double> centres;
        p(h, centres, &progress);
        benchmark::DoNotOptimize(centres.data());
    }
}

// Argument: image size in quarter megapixels.
#define STRANDEL_PASS_BENCHMARK(Pass) \
    BENCHMARK_TEMPLATE(run_pass, Pass)->ArgName("quarter_megapixels")->Arg(1)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMicrosecond)

STRANDEL_PASS_BENCHMARK(kmeans_pass);
STRANDEL_PASS_BENCHMARK(fcm_pass);
STRANDEL_PASS_BENCHMARK(pso_pass);
STRANDEL_PASS_BENCHMARK(dyn_pso_pass);

}  // namespace
}  // namespace strandel
