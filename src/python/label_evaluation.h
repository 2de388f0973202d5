// SPDX-License-Identifier: GPL-3.0-or-later
// strandel.evaluate(): every measure of a segmentation given as labels.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

namespace strandel {

// `labels`: an H x W array of uint8 or uint16 labels; `ground_truths`: one
// such array or a sequence of them (one per annotator); `image`: None or the
// image (uint8) the labels segment; `centres`: None or the class centres
// the labels index (as segment() gives them). Returns a dict: the region
// and boundary measures against the ground truths (region measures
// averaged over annotators), and with `image`, when the labels classify
// gray levels (every gray level in one class), the unsupervised measures.
pybind11::dict evaluate_labels(const pybind11::array& labels, const pybind11::object& ground_truths,
                               const pybind11::object& image, const pybind11::object& centres);

}  // namespace strandel
