// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/label_evaluation.h"

#include <pybind11/stl.h>

#include <map>

#include "batch/registration.h"
#include "evaluation/boundary_measures.h"
#include "evaluation/classification.h"
#include "evaluation/literature_scores.h"
#include "evaluation/fitness_function.h"
#include "python/arrays.h"

namespace py = pybind11;

namespace strandel {

namespace {

label_plane plane_of(const py::array& given, const char* what) {
    if (given.ndim() != 2) throw py::value_error(std::string(what) + " must be an H x W array of labels");
    label_plane plane;
    plane.height = static_cast<int>(given.shape(0));
    plane.width = static_cast<int>(given.shape(1));
    if (given.dtype().kind() != 'u' && given.dtype().kind() != 'i' && given.dtype().kind() != 'b')
        throw py::value_error(std::string(what) + " must hold integer labels, not " + std::string(py::str(given.dtype())));
    const auto values = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(given);
    plane.labels.resize(static_cast<std::size_t>(values.size()));
    for (std::size_t i = 0; i < plane.labels.size(); ++i) {
        const std::int64_t v = values.data()[i];
        if (v < 0 || v > 65535) throw py::value_error(std::string(what) + ": label " + std::to_string(v) + " is not from 0 to 65535");
        plane.labels[i] = static_cast<std::uint16_t>(v);
    }
    return plane;
}

void add_region_measures(const label_plane& labels, const std::vector<label_plane>& truths, py::dict* out) {
    region_scores mean;
    {
        py::gil_scoped_release release;
        std::vector<region_scores> each;
        for (const label_plane& truth : truths) each.push_back(region_scores_of(contingency_of_planes(labels, truth)));
        mean = mean_region_scores(each);
    }
    // The results table's column names.
    (*out)["jaccard"] = mean.jaccard;
    (*out)["rand_index"] = mean.rand_index;
    (*out)["adjusted_rand"] = mean.adjusted_rand;
    (*out)["variation_of_information"] = mean.variation_of_information;
    (*out)["global_consistency_error"] = mean.global_consistency_error;
    (*out)["covering"] = mean.covering;
    (*out)["matched_jaccard"] = mean.matched_jaccard;
    (*out)["matched_dice"] = mean.matched_dice;
}

// The unsupervised measures when every gray level of the image lies in one
// class: classes in label order, centres as given or the classes' mean gray
// levels.
void add_unsupervised(const label_plane& labels, const py::array& image, const py::object& given_centres,
                      py::dict* out) {
    std::vector<std::uint8_t> copy;
    const std::uint8_t* levels = nullptr;
    const gray_plane plane = gray_of(image, &copy, &levels);
    if (plane.width != labels.width || plane.height != labels.height)
        throw py::value_error("the image is " + std::to_string(plane.width) + " x " + std::to_string(plane.height) +
                              ", the labels " + std::to_string(labels.width) + " x " + std::to_string(labels.height));
    std::vector<int> label_of_gray(256, -1);
    for (std::size_t i = 0; i < labels.labels.size(); ++i) {
        int& label = label_of_gray[levels[i]];
        if (label >= 0 && label != labels.labels[i]) return;  // not a classification of gray levels
        label = labels.labels[i];
    }
    const histogram h = counts_of(levels, labels.labels.size());
    std::map<int, int> class_of_label;
    for (int g = 0; g < 256; ++g)
        if (label_of_gray[g] >= 0) class_of_label.emplace(label_of_gray[g], 0);
    int index = 0;
    for (auto& entry : class_of_label) entry.second = given_centres.is_none() ? index++ : entry.first;
    std::vector<double> centres;
    if (!given_centres.is_none()) {
        centres = given_centres.cast<std::vector<double>>();
        if (!class_of_label.empty() && class_of_label.rbegin()->first >= static_cast<int>(centres.size()))
            throw py::value_error("a label indexes no centre: there are " + std::to_string(centres.size()) + " centres");
    } else {
        std::vector<double> sum(class_of_label.size(), 0.0), pixels(class_of_label.size(), 0.0);
        for (int g = 0; g < 256; ++g)
            if (label_of_gray[g] >= 0) {
                const std::size_t c = std::size_t(class_of_label[label_of_gray[g]]);
                sum[c] += double(g) * h[unsigned(g)];
                pixels[c] += h[unsigned(g)];
            }
        for (std::size_t c = 0; c < sum.size(); ++c) centres.push_back(sum[c] / pixels[c]);
    }
    class_map classes;
    for (int g = 0; g < 256; ++g)
        if (label_of_gray[g] >= 0) classes.emplace(class_of_label[label_of_gray[g]], static_cast<unsigned char>(g));
    const std::vector<std::string> names = measure_columns();
    const measure_list measures = registered_measures();
    for (std::size_t m = 0; m < measures.size() && m < names.size(); ++m)
        (*out)[names[m].c_str()] = (*measures[m])(h, centres, classes);
}

}  // namespace

py::dict evaluate_labels(const py::array& labels_array, const py::object& ground_truths, const py::object& image,
                         const py::object& centres) {
    const label_plane labels = plane_of(labels_array, "labels");
    std::vector<label_plane> truths;
    if (py::isinstance<py::array>(ground_truths))
        truths.push_back(plane_of(ground_truths.cast<py::array>(), "the ground truth"));
    else
        for (const py::handle truth : ground_truths) truths.push_back(plane_of(py::array::ensure(truth), "a ground truth"));
    if (truths.empty()) throw py::value_error("no ground truth: give one label array or a list of them");
    for (const label_plane& truth : truths)
        if (truth.width != labels.width || truth.height != labels.height)
            throw py::value_error("a ground truth is " + std::to_string(truth.width) + " x " +
                                  std::to_string(truth.height) + ", the labels " + std::to_string(labels.width) +
                                  " x " + std::to_string(labels.height));
    py::dict out;
    add_region_measures(labels, truths, &out);
    boundary_scores boundary;
    {
        py::gil_scoped_release release;
        boundary = boundary_measures(labels, truths);
    }
    out["boundary_precision"] = boundary.precision;
    out["boundary_recall"] = boundary.recall;
    out["boundary_f"] = boundary.f;
    if (!image.is_none()) add_unsupervised(labels, py::array::ensure(image), centres, &out);
    return out;
}

}  // namespace strandel
