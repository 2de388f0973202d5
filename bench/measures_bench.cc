// SPDX-License-Identifier: GPL-3.0-or-later
// What the measures of the literature cost per image, against what the
// Jaccard index costs now: the pixel walk that counts (gray level, label)
// pairs plus the best-match Jaccard (as a run does), the same walk plus the
// contingency table and every region measure, the 16-bit walk of sparse
// labels with the measures, and the boundary measures on their own. Images
// of 1 and 4 megapixels: a ground truth of Voronoi regions, gray levels
// following it with noise, the centres of a three-class segmentation.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "evaluation/boundary_measures.h"
#include "evaluation/classification.h"
#include "evaluation/contingency_table.h"
#include "evaluation/jaccard.h"
#include "evaluation/label_pair_counts.h"
#include "evaluation/matched_regions.h"
#include "evaluation/pixel_pairs.h"
#include "evaluation/region_measures.h"

namespace strandel {
namespace {

struct bench_image {
    int width, height;
    std::vector<unsigned char> gray;
    std::vector<std::uint16_t> truth;  // labels `label_step` apart
    std::vector<unsigned char> truth8;  // the same, cut to 8 bits, as the 8-bit walk reads them
    std::vector<double> centres{50, 120, 200};
};

// `regions` Voronoi cells on a coarse grid of seeds; each cell's gray mean
// is one of three levels, plus noise of +-`noise`.
bench_image make_image(int side, int regions, int label_step, int noise) {
    bench_image im{side, side, {}, {}, {}};
    std::mt19937 random(9);
    std::vector<int> sx(static_cast<std::size_t>(regions)), sy(sx.size()), mean(sx.size());
    for (std::size_t r = 0; r < sx.size(); ++r) {
        sx[r] = static_cast<int>(random() % static_cast<unsigned>(side));
        sy[r] = static_cast<int>(random() % static_cast<unsigned>(side));
        mean[r] = 50 + 75 * static_cast<int>(random() % 3);
    }
    const std::size_t pixels = static_cast<std::size_t>(side) * static_cast<std::size_t>(side);
    im.gray.resize(pixels);
    im.truth.resize(pixels);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            std::size_t best = 0;
            long best_d = -1;
            for (std::size_t r = 0; r < sx.size(); ++r) {
                const long d = long(sx[r] - x) * (sx[r] - x) + long(sy[r] - y) * (sy[r] - y);
                if (best_d < 0 || d < best_d) best_d = d, best = r;
            }
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(side) + static_cast<std::size_t>(x);
            const int g = mean[best] + static_cast<int>(random() % static_cast<unsigned>(2 * noise + 1)) - noise;
            im.gray[i] = static_cast<unsigned char>(std::min(255, std::max(0, g)));
            im.truth[i] = static_cast<std::uint16_t>(best * static_cast<std::size_t>(label_step));
        }
    im.truth8.assign(im.truth.begin(), im.truth.end());
    return im;
}

const bench_image& image_for(const benchmark::State& state, int label_step) {
    static std::vector<std::pair<std::pair<long, int>, bench_image>> made;
    for (const auto& m : made)
        if (m.first == std::make_pair(long(state.range(0)), label_step)) return m.second;
    made.emplace_back(std::make_pair(long(state.range(0)), label_step),
                      make_image(static_cast<int>(state.range(0)), label_step == 1 ? 40 : 400, label_step, 40));
    return made.back().second;
}

// What a run does now: histogram and 8-bit pair counts in one walk, then
// the best-match Jaccard of the chain's classes.
void walk_and_jaccard(const bench_image& im, histogram& h, gray_label_counts& pairs) {
    clear_histogram(h);
    pairs.clear();
    add_pixel_pairs(im.gray.data(), 1, im.truth8.data(), 1, im.gray.size(), h, pairs);
    class_map classes;
    classify(h, im.centres, &classes);
    match_list matches;
    jaccard_matches(pairs, classes, im.centres, &matches);
    benchmark::DoNotOptimize(jaccard_mean(matches));
}

double region_measures(const std::vector<label_pair>& pairs, const std::vector<double>& centres) {
    const contingency_table t = make_contingency_table(pairs, class_lookup_of(centres));
    return rand_index(t) + adjusted_rand(t) + variation_of_information(t) + global_consistency_error(t) +
           covering(t) + match_regions(t).jaccard;
}

void BM_walk_jaccard(benchmark::State& state) {
    const bench_image& im = image_for(state, 1);
    histogram h;
    gray_label_counts pairs;
    for (auto _ : state) walk_and_jaccard(im, h, pairs);
    state.SetItemsProcessed(state.iterations() * static_cast<long>(im.gray.size()));
}

void BM_walk_jaccard_and_region_measures(benchmark::State& state) {
    const bench_image& im = image_for(state, 1);
    histogram h;
    gray_label_counts pairs;
    for (auto _ : state) {
        walk_and_jaccard(im, h, pairs);
        benchmark::DoNotOptimize(region_measures(label_pairs_of(pairs), im.centres));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(im.gray.size()));
}

// Sparse 16-bit labels (400 regions, 157 apart) through the hash table.
void BM_walk_16bit_and_region_measures(benchmark::State& state) {
    const bench_image& im = image_for(state, 157);
    label_pair_counts counts;
    for (auto _ : state) {
        counts.clear();
        counts.add_pixels(im.gray.data(), im.truth.data(), im.gray.size());
        benchmark::DoNotOptimize(region_measures(counts.pairs(), im.centres));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(im.gray.size()));
}

void BM_boundary_measures(benchmark::State& state) {
    const bench_image& im = image_for(state, 1);
    const label_plane seg = class_plane(im.gray.data(), im.width, im.height, class_lookup_of(im.centres));
    const std::vector<label_plane> truth{{im.width, im.height, im.truth}};
    for (auto _ : state) benchmark::DoNotOptimize(boundary_measures(seg, truth).f);
    state.SetItemsProcessed(state.iterations() * static_cast<long>(im.gray.size()));
}

BENCHMARK(BM_walk_jaccard)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_walk_jaccard_and_region_measures)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_walk_16bit_and_region_measures)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_boundary_measures)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace strandel
