// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/truth_reading.h"

#include "decoding/file_check.h"
#include "decoding/wide_image.h"

namespace strandel {

namespace {

bool usable_file(const std::string& file) {
    std::string ignored;
    return !file.empty() && is_regular_file(file, &ignored);
}

// Every label plane of a file: several for a MATLAB file, else one.
bool read_planes(const std::string& file, const rows_opener& open, std::vector<label_plane>* planes,
                 std::string* why) {
    if (file.empty() || !is_regular_file(file, why)) return false;
    if (reads_as_wide_labels(file)) return read_wide_label_planes(file, planes, why);
    planes->assign(1, label_plane());
    return read_label_rows(file, open, &planes->front(), why);
}

bool same_size(const label_plane& plane, const gray_plane& gray) {
    return plane.width == gray.width && plane.height == gray.height;
}

std::vector<label_pair> pairs_of(const gray_plane& gray, const label_plane& plane) {
    label_pair_counts counts;
    counts.add_pixels(gray.levels.data(), plane.labels.data(), plane.labels.size());
    return counts.pairs();
}

}  // namespace

bool manual_read_in_walk(const image_request& request) {
    return usable_file(request.manual) && !reads_as_wide_labels(request.manual);
}

bool needs_gray_plane(const image_request& request) {
    if (request.keep_gray || !request.more_truths.empty() || !request.scored.empty()) return true;
    return usable_file(request.manual) && (request.keep_truth_planes || reads_as_wide_labels(request.manual));
}

void read_truths_and_scores(const image_request& request, image_data& data, const rows_opener& open) {
    data.truths.clear();
    const std::vector<std::string> files = truth_files(request);
    const bool walked = data.manual_in_walk && data.has_manual;
    for (std::size_t f = 0; f < files.size(); ++f) {
        const bool from_walk = f == 0 && walked;
        if (f == 0 && data.manual_in_walk && !walked) continue;  // the walk found it unusable
        std::vector<label_plane> planes;
        std::string why;
        const bool need_planes = !from_walk || request.keep_truth_planes;
        if (need_planes && !read_planes(files[f], open, &planes, &why)) {
            if (!from_walk) continue;
            planes.clear();
        }
        if (from_walk) {
            annotator_truth truth;
            truth.file = 0;
            truth.pairs = label_pairs_of(data.manual);
            if (!planes.empty() && same_size(planes.front(), data.gray)) truth.plane = std::move(planes.front());
            data.truths.push_back(std::move(truth));
            continue;
        }
        for (std::size_t e = 0; e < planes.size(); ++e) {
            if (!same_size(planes[e], data.gray)) continue;
            annotator_truth truth;
            truth.file = f;
            truth.entry = static_cast<int>(e);
            truth.pairs = pairs_of(data.gray, planes[e]);
            if (request.keep_truth_planes) truth.plane = std::move(planes[e]);
            data.truths.push_back(std::move(truth));
        }
    }
    data.has_manual = !data.truths.empty();

    data.scored.assign(request.scored.size(), scored_segmentation());
    for (std::size_t m = 0; m < request.scored.size(); ++m) {
        scored_segmentation& s = data.scored[m];
        std::vector<label_plane> planes;
        if (request.scored[m].empty()) {
            s.why = "no label image found";
        } else if (read_planes(request.scored[m], open, &planes, &s.why)) {
            if (planes.size() != 1)
                s.why = "'" + request.scored[m] + "' holds " + std::to_string(planes.size()) + " segmentations, not one";
            else if (!same_size(planes.front(), data.gray))
                s.why = "'" + request.scored[m] + "' is " + std::to_string(planes.front().width) + "x" +
                        std::to_string(planes.front().height) + ", the image " + std::to_string(data.gray.width) +
                        "x" + std::to_string(data.gray.height);
            else {
                s.read = true;
                s.plane = std::move(planes.front());
            }
        } else {
            s.why = "'" + request.scored[m] + "': " + s.why;
        }
    }
}

}  // namespace strandel
