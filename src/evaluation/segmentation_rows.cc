// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/segmentation_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "evaluation/class_colors.h"
#include "evaluation/classification.h"
#include "framework/histogram.h"

namespace strandel {

unsigned char gray_of_pixel(const unsigned char* pixel, int bpp) {
    return bpp >= 3 ? rgb_to_gray(pixel[0], pixel[1], pixel[2]) : pixel[0];
}

void gray_row(const unsigned char* pixels, int width, int bpp, unsigned char* grays) {
    if (bpp == 1) {
        std::memcpy(grays, pixels, static_cast<std::size_t>(width));
        return;
    }
    for (int i = 0; i < width; ++i) grays[i] = gray_of_pixel(pixels + i * bpp, bpp);
}

std::array<int, 256> nearest_classes(const std::vector<double>& centres) {
    std::array<int, 256> nearest{};
    if (centres.empty()) return nearest;
    for (int g = 0; g < 256; ++g) nearest[g] = pixel_class(centres, static_cast<unsigned char>(g));
    return nearest;
}

namespace {

// The position rule for the pixel at column `c` of `row`.
int position_class(const std::vector<double>& centres, const std::array<int, 256>& nearest,
                   const unsigned char* const rows[3], int c, int width) {
    int voted[9], votes[9];
    int kinds = 0;
    for (int k = 0; k < 3; ++k) {
        const unsigned char* r = rows[k];
        if (!r) continue;
        for (int cc = std::max(0, c - 1); cc <= std::min(width - 1, c + 1); ++cc) {
            const int k = nearest[r[cc]];
            int i = 0;
            while (i < kinds && voted[i] != k) ++i;
            if (i == kinds) {
                voted[kinds] = k;
                votes[kinds++] = 0;
            }
            ++votes[i];
        }
    }
    const double gray = rows[1][c];
    int best = -1;
    double best_score = 0;
    for (int i = 0; i < kinds; ++i) {
        const double score = std::fabs(gray - centres[voted[i]]) / votes[i];
        if (best < 0 || score < best_score || (score == best_score && voted[i] < best)) {
            best = voted[i];
            best_score = score;
        }
    }
    return best;  // the pixel always votes for itself
}

}  // namespace

void classify_row(const std::vector<double>& centres, const std::array<int, 256>& nearest,
                  const unsigned char* above, const unsigned char* row, const unsigned char* below, int width,
                  pixel_rule rule, int* classes) {
    if (rule == pixel_rule::pure || centres.empty()) {
        for (int c = 0; c < width; ++c) classes[c] = nearest[row[c]];
        return;
    }
    const unsigned char* const rows[3] = {above, row, below};
    for (int c = 0; c < width; ++c) classes[c] = position_class(centres, nearest, rows, c, width);
}

void paint_row(const std::vector<double>& centres, const int* classes, const unsigned char* in, int width, int bpp,
               unsigned char* out) {
    if (centres.empty()) {
        if (out != in) std::memmove(out, in, static_cast<std::size_t>(width) * bpp);
        return;
    }
    auto level = [&](int k) {
        const double v = centres[static_cast<std::size_t>(k)];
        return static_cast<unsigned char>(v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v));
    };
    for (int i = 0; i < width; ++i) {
        const unsigned char* p = in + i * bpp;
        unsigned char* q = out + i * bpp;
        switch (bpp) {
        case 1:
            q[0] = level(classes[i]);
            break;
        case 2:
            q[1] = p[1];
            q[0] = level(classes[i]);
            break;
        default: {
            const rgb& colour = class_color(classes[i]);
            q[0] = colour.r;
            q[1] = colour.g;
            q[2] = colour.b;
            if (bpp == 4) q[3] = 255;
        }
        }
    }
}

}  // namespace strandel
