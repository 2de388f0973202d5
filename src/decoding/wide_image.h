// SPDX-License-Identifier: GPL-3.0-or-later
// Images of more than 8 bits a sample read whole, in-process, with their
// own values: 16-bit label images (whose labels must not be scaled to 8
// bits) and, with `--levels stretch`, 16-bit images whose own range is
// stretched onto the 256 gray levels the histogram counts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decoding/pixel_rows.h"
#include "evaluation/boundary_measures.h"

namespace strandel {

// Samples row by row, `channels` of them a pixel (1 gray, 2 gray and alpha,
// 3 RGB, 4 RGBA), each as stored (a PGM's up to its maxval).
struct wide_image {
    int width = 0, height = 0, channels = 0;
    std::vector<std::uint16_t> samples;
};

// A 16-bit PNG (not indexed), a binary PGM of maxval above 255, a TIFF of
// 16-bit unsigned samples (judged from the file's header).
bool is_wide_image_file(const std::string& file);

// Reads such a file whole; false with the reason when it does not decode
// (a TIFF of separate planes or of more than 4 samples a pixel, for one).
bool read_wide_image(const std::string& file, wide_image* image, std::string* why);

// A MATLAB file (by its "MATLAB 5.0 MAT-file" header text).
bool is_matlab_file(const std::string& file);

// Ground truths read as whole 16-bit label planes: MATLAB files, and wide
// gray images (gray, or gray and alpha) whose sample is the label.
bool reads_as_wide_labels(const std::string& file);

// The label planes of such a file: one per annotator of a MATLAB file,
// one for a label image (its alpha ignored). False with the reason.
bool read_wide_label_planes(const std::string& file, std::vector<label_plane>* planes, std::string* why);

// Any label file that the rows of `open` read (8-bit gray, or colour
// converted to gray), as one label plane. False with the reason.
bool read_label_rows(const std::string& file, const rows_opener& open, label_plane* plane, std::string* why);

// Rows handed out from `levels` (width x height bytes, row by row).
std::unique_ptr<pixel_rows> rows_of_plane(int width, int height, std::vector<unsigned char> levels);

// The gray levels of a wide image: each pixel's 16-bit gray value (its gray
// sample, or its colour's by the process's gray_rule, luma computed as for 8
// bits) mapped linearly from the image's own lowest and highest value onto
// 0-255, rounded to nearest (all 0 when the image holds one value).
std::unique_ptr<pixel_rows> stretched_rows(const wide_image& image);

}  // namespace strandel
