// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/pixel_classifier_gimp.h"

#include <cmath>

#include "framework/pixel_region_gimp.h"

namespace strandel {

int pure_pixel_classifier::operator()(const histogram&, const std::vector<double>& centres, const class_map&,
                                      GimpDrawable*, GimpPixelRgn*, unsigned char gray, int, int, double) const {
    return centres.empty() ? 0 : pixel_class(centres, gray);
}

void neighbourhood(GimpPixelRgn* region, int x, int y, const std::vector<double>& centres,
                   std::map<int, int>* votes) {
    votes->clear();
    if (centres.empty()) return;
    static const int offsets[9][2] = {{0, 0},  {1, 0},   {0, 1},  {1, 1}, {-1, 0},
                                      {0, -1}, {-1, -1}, {-1, 1}, {1, -1}};
    const int left = int(region->x), top = int(region->y);
    const int right = left + int(region->w) - 1, bottom = top + int(region->h) - 1;
    for (const auto& offset : offsets) {
        const int px = x + offset[0], py = y + offset[1];
        if (px < 0 || py < 0 || px < left || px > right || py < top || py > bottom) continue;
        guchar pixel[4] = {0, 0, 0, 0};
        gimp_pixel_rgn_get_pixel(region, pixel, px, py);
        // A gray pixel with alpha has only two bytes: its gray is the first.
        ++(*votes)[pixel_class(centres, pixel_gray_level(pixel, int(region->bpp)))];
    }
}

int pos_pixel_classifier::operator()(const histogram&, const std::vector<double>& centres, const class_map&,
                                     GimpDrawable*, GimpPixelRgn* region, unsigned char gray, int x, int y,
                                     double) const {
    std::map<int, int> votes;
    neighbourhood(region, x, y, centres, &votes);
    // A position outside the region has no neighbours to ask.
    if (votes.empty()) return centres.empty() ? 0 : pixel_class(centres, gray);
    int best = votes.begin()->first;
    double best_score = 0.0;
    bool first = true;
    for (const auto& vote : votes) {
        const double score = std::fabs(double(gray) - centres[vote.first]) / vote.second;
        if (first || score < best_score) {
            best = vote.first;
            best_score = score;
            first = false;
        }
    }
    return best;
}

void register_pixel_classifiers() {
    pixel_classifier_repertoire* repertoire = pixel_classifier_repertoire::instance();
    repertoire->add(new pure_pixel_classifier());
    repertoire->add(new pos_pixel_classifier());
}

}  // namespace strandel
