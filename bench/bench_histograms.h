// SPDX-License-Identifier: GPL-3.0-or-later
// Histograms shaped like those of real gray images, for benchmarks.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>

#include "framework/histogram.h"

namespace strandel {

// A histogram of `pixels` pixels: three broad modes (dark background, mid
// tissue, bright detail) over a thin floor, so that almost every gray level
// is present, as in a photograph or a scan.
inline histogram make_image_histogram(std::int64_t pixels, unsigned seed = 1) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> jitter(0.9, 1.1);
    double weight[256];
    double sum = 0;
    for (int g = 0; g < 256; ++g) {
        auto mode = [g](double centre, double width, double height) {
            const double z = (g - centre) / width;
            return height * std::exp(-0.5 * z * z);
        };
        weight[g] = (0.02 + mode(40, 18, 1.0) + mode(120, 25, 0.7) + mode(210, 12, 0.4)) * jitter(gen);
        sum += weight[g];
    }
    histogram h;
    std::int64_t assigned = 0;
    for (int g = 0; g < 256; ++g) {
        h[g] = static_cast<std::int32_t>(std::floor(weight[g] / sum * static_cast<double>(pixels)));
        assigned += h[g];
    }
    h[40] += static_cast<std::int32_t>(pixels - assigned);  // rounding rest
    return h;
}

}  // namespace strandel
