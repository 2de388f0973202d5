// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/image_rating.h"

#include <chrono>

#include "evaluation/classification.h"
#include "evaluation/optimal_partition.h"

namespace strandel {

namespace {

// The region measures against every annotator, and the boundary measures.
void rate_against_truths(const image_data& data, const class_lookup* classes, const label_plane* segmentation,
                         const rating_options& options, image_rating* rating) {
    rating->annotators.clear();
    rating->has_boundary = false;
    rating->has_jaccard = data.has_manual && !data.truths.empty();
    rating->jaccard = 0.0;
    rating->regions = region_scores();
    if (!rating->has_jaccard) return;
    std::vector<region_scores> each;
    for (const annotator_truth& truth : data.truths) {
        const contingency_table table = segmentation ? contingency_of_planes(*segmentation, truth.plane)
                                                     : make_contingency_table(truth.pairs, *classes);
        each.push_back(region_scores_of(table));
        rating->annotators.push_back({each.back(), false, {}});
    }
    rating->regions = mean_region_scores(each);
    rating->jaccard = rating->regions.jaccard;
    if (!options.boundary) return;
    const label_plane own =
        segmentation ? label_plane() : class_plane(data.gray.levels.data(), data.gray.width, data.gray.height, *classes);
    const label_plane& plane = segmentation ? *segmentation : own;
    std::vector<label_plane> truths;
    for (const annotator_truth& truth : data.truths) truths.push_back(truth.plane);
    rating->boundary = boundary_measures(plane, truths);
    rating->has_boundary = true;
    if (!options.boundary_per_annotator) return;
    for (std::size_t a = 0; a < truths.size(); ++a) {
        rating->annotators[a].boundary = boundary_measures(plane, {truths[a]});
        rating->annotators[a].has_boundary = true;
    }
}

}  // namespace

bool rate_image(const histogram& h, const gray_label_counts* manual, const chain& passes,
                const measure_list& measures, chain_observer* observer, const std::atomic<bool>& stop,
                image_rating* rating) {
    image_data data;
    data.h = h;
    if (manual) {
        data.has_manual = true;
        data.truths.push_back({0, 0, label_pairs_of(*manual), {}});
    }
    return rate_image(data, rating_options(), passes, measures, observer, stop, rating);
}

bool rate_image(const image_data& data, const rating_options& options, const chain& passes,
                const measure_list& measures, chain_observer* observer, const std::atomic<bool>& stop,
                image_rating* rating) {
    const histogram& h = data.h;
    std::vector<double> centres;
    using clock = std::chrono::steady_clock;
    const clock::time_point start = clock::now();
    if (!run_chain(passes, h, centres, observer, &stop)) return false;
    const clock::duration elapsed = clock::now() - start;

    class_map classes;
    classify(h, centres, &classes);
    rating->values.clear();
    rating->values.reserve(measures.size());
    for (const fitness_function* f : measures) rating->values.push_back((*f)(h, centres, classes));

    if (centres.empty()) {
        // No class to compare: the Jaccard index of every region is 0.
        rating->annotators.clear();
        rating->has_boundary = false;
        rating->has_jaccard = data.has_manual;
        rating->jaccard = 0.0;
        rating->regions = region_scores();
        rating->has_optimal = false;
    } else {
        const class_lookup lookup = class_lookup_of(centres);
        rate_against_truths(data, &lookup, nullptr, options, rating);
        rating->optimal = optimal_ratio(h, centres);
        rating->has_optimal = true;
    }
    rating->seconds = std::chrono::duration<double>(elapsed).count();
    rating->centres = std::move(centres);
    return true;
}

void rate_scored(const image_data& data, const label_plane& segmentation, const rating_options& options,
                 const measure_list& measures, image_rating* rating) {
    rating->seconds = 0.0;
    rating->centres.clear();
    rating->values.clear();
    rating->has_optimal = false;
    rate_against_truths(data, nullptr, &segmentation, options, rating);

    // The label of every gray level, when each lies in one label.
    constexpr int none = -1, several = -2;
    std::vector<int> label_of_gray(256, none);
    std::vector<double> sum(65536, 0.0), count(65536, 0.0);
    const std::vector<unsigned char>& grays = data.gray.levels;
    for (std::size_t i = 0; i < segmentation.labels.size(); ++i) {
        const int label = segmentation.labels[i];
        int& owner = label_of_gray[grays[i]];
        owner = owner == none || owner == label ? label : several;
        sum[std::size_t(label)] += grays[i];
        count[std::size_t(label)] += 1.0;
    }
    std::vector<int> class_of_label(65536, -1);
    for (int label = 0; label < 65536; ++label)
        if (count[std::size_t(label)] > 0) {
            class_of_label[std::size_t(label)] = static_cast<int>(rating->centres.size());
            rating->centres.push_back(sum[std::size_t(label)] / count[std::size_t(label)]);
        }
    for (int owner : label_of_gray)
        if (owner == several) return;
    class_map classes;
    long double own_squares = 0.0L;
    for (int g = 0; g < 256; ++g) {
        if (label_of_gray[std::size_t(g)] == none) continue;
        const int c = class_of_label[std::size_t(label_of_gray[std::size_t(g)])];
        classes.emplace(c, static_cast<unsigned char>(g));
        const long double d = g - static_cast<long double>(rating->centres[std::size_t(c)]);
        own_squares += d * d * data.h[unsigned(g)];
    }
    for (const fitness_function* f : measures) rating->values.push_back((*f)(data.h, rating->centres, classes));
    const long double best =
        least_squares_partition(data.h, static_cast<int>(rating->centres.size())).within_squares;
    // The best partition is never worse than the labels': 0 / 0 is 1.
    rating->optimal = own_squares == 0.0L ? 1.0 : static_cast<double>(best / own_squares);
    rating->has_optimal = true;
}

}  // namespace strandel
