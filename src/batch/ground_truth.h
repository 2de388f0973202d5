// SPDX-License-Identifier: GPL-3.0-or-later
// Where an image's manual segmentation (its ground truth) lies, named by a
// pattern such as "groundTruth/{stem}.png", as published data sets keep
// them: in a folder of their own, under the image's stem.
//
// Placeholders: {dir} the image's folder, {stem} its file name without the
// last extension, {ext} that extension with its dot (empty when there is
// none), {name} its whole file name. A pattern that starts with "/" is
// absolute, one that starts with {dir} is taken from the image's folder, and
// any other is taken relative to a base folder (the list file's folder, or
// the current folder for images named on the command line).
//
// Several annotators: {k} becomes 1, 2, 3, ... up to the first index with
// no file, and a `*` matches any run of characters in a file name (every
// match, sorted by name, is one annotator); a pattern with neither names
// one file per image.
#pragma once

#include <string>
#include <vector>

#include "batch/image_reader.h"

namespace strandel {

// False, with `error` naming the pattern and what is wrong, for an empty
// pattern or a brace that opens no known placeholder.
bool check_ground_truth_pattern(const std::string& pattern, std::string* error);

// The pattern filled in for `image`. `base` may be empty (the current folder).
std::string ground_truth_path(const std::string& pattern, const std::string& image, const std::string& base);

// Whether the pattern names several files per image ({k} or *).
bool names_several_files(const std::string& pattern);

// The files the pattern names for `image` that exist, in annotator order;
// for a pattern naming one file, that file whether it exists or not.
std::vector<std::string> ground_truth_files(const std::string& pattern, const std::string& image,
                                            const std::string& base);

// The requests of `images`: manual segmentations named by `pattern` (the
// first found as `manual`, the others in `more_truths`; without any, the
// first path looked at), or NAME_seg.EXT beside each image when the
// pattern is empty.
std::vector<image_request> requests_with_ground_truth(const std::vector<std::string>& images,
                                                      const std::string& pattern, const std::string& base);

}  // namespace strandel
