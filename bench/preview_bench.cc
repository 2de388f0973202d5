// SPDX-License-Identifier: GPL-3.0-or-later
// One refresh of the interactive preview without GIMP's tile traffic: the
// histogram of a one-megapixel visible area, the default chain, the class
// map, every measure, and the painting of every row.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <memory>
#include <vector>

#include "framework/chain.h"
#include "evaluation/classification.h"
#include "evaluation/fitness_function.h"
#include "evaluation/segmentation_rows.h"
#include "evaluation/turi.h"
#include "passes/ainet_pass.h"

namespace strandel {
namespace {

// A 1000 x 1000 RGB area from three noisy gray regions.
std::vector<unsigned char> make_area(int width, int height) {
    std::mt19937 gen(7);
    std::normal_distribution<double> noise(0, 12);
    std::vector<unsigned char> bytes(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double base = x < width / 3 ? 40 : (y < height / 2 ? 120 : 210);
            const double v = base + noise(gen);
            const unsigned char g = static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
            for (int c = 0; c < 3; ++c) bytes[(std::size_t(y) * width + x) * 3 + c] = g;
        }
    return bytes;
}

void preview_refresh(benchmark::State& state) {
    const int width = 1000, height = 1000, bpp = 3;
    const pixel_rule rule = state.range(0) ? pixel_rule::position : pixel_rule::pure;
    const std::vector<unsigned char> area = make_area(width, height);
    chain passes;
    passes.append(std::make_unique<ainet_pass>());
    const turi_fitness turi;
    const dunn_fitness dunn;
    const amrane_fitness amrane;
    const liu_yang_fitness liu_yang;
    const std::vector<const fitness_function*> measures{&turi, &dunn, &amrane, &liu_yang};
    std::vector<unsigned char> grays(std::size_t(width) * height), out(area.size());
    std::vector<int> classes(width);

    for (auto _ : state) {
        histogram h;
        clear_histogram(h);
        for (int y = 0; y < height; ++y) {
            unsigned char* row = grays.data() + std::size_t(y) * width;
            gray_row(area.data() + std::size_t(y) * width * bpp, width, bpp, row);
            for (int x = 0; x < width; ++x) ++h[row[x]];
        }
        const std::vector<double> centres = chain_outcome(passes, h).back();
        class_map map;
        classify(h, centres, &map);
        for (const fitness_function* f : measures) benchmark::DoNotOptimize((*f)(h, centres, map));
        const auto nearest = nearest_classes(centres);
        for (int y = 0; y < height; ++y) {
            const unsigned char* row = grays.data() + std::size_t(y) * width;
            classify_row(centres, nearest, y > 0 ? row - width : nullptr, row,
                         y + 1 < height ? row + width : nullptr, width, rule, classes.data());
            paint_row(centres, classes.data(), area.data() + std::size_t(y) * width * bpp, width, bpp,
                      out.data() + std::size_t(y) * width * bpp);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["pixels"] = double(width) * height;
}
// 0: pure gray level classifier, 1: position-sensitive.
BENCHMARK(preview_refresh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace strandel
