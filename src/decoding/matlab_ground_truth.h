// SPDX-License-Identifier: GPL-3.0-or-later
// Ground truth as published segmentation data sets store it: a MATLAB file
// holding a cell array `groundTruth`, one struct per annotator, each with
// a `Segmentation` field, the label matrix (height x width). Read with
// libmatio; a build without it refuses every file with a message saying so.
#pragma once

#include <string>
#include <vector>

#include "evaluation/boundary_measures.h"

namespace strandel {

struct matlab_ground_truth {
    std::vector<label_plane> annotators;  // one label plane per annotator, in the cell array's order
    std::string error;                    // empty on success; else names the file and what is wrong
};

// At most this many labels in all the file's segmentations, and this many
// bytes in the whole `groundTruth` variable as stored: larger claims are
// refused from the file's headers, before anything is read.
constexpr unsigned long long matlab_ground_truth_label_limit = 1ull << 29;
constexpr unsigned long long matlab_ground_truth_byte_limit = 1ull << 31;

// Labels are read from uint8 or uint16 matrices, or from other numeric ones
// whose values are all whole numbers from 0 to 65535 (some data sets store
// doubles). Every annotator's matrix must have the same size.
matlab_ground_truth read_matlab_ground_truth(const std::string& path);

}  // namespace strandel
