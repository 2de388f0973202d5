// SPDX-License-Identifier: GPL-3.0-or-later
// The ground truths and scored segmentations of an image that are not read
// along with its pixels: further annotators, 16-bit label images, MATLAB
// files and the label images of scored methods. They are read whole after
// the image, as label planes, and paired with the gray level each pixel
// was counted at. An 8-bit label image as the only ground truth is still
// counted in the image's own walk (run_batch's hot path).
#pragma once

#include "batch/image_reader.h"
#include "decoding/pixel_rows.h"

namespace strandel {

// Whether the first ground truth is counted in the image's walk: an 8-bit
// (or colour) label image, not a MATLAB file or a 16-bit label image.
bool manual_read_in_walk(const image_request& request);

// Whether reading `request` must keep every pixel's gray level: to pair it
// with ground truths or scored label images read after the image.
bool needs_gray_plane(const image_request& request);

// After the image's walk (data.gray filled when needs_gray_plane): fills
// data.truths (the walk's counts first, when it read the first ground
// truth) and data.scored, and sets has_manual when any annotator is
// usable. A ground truth that cannot be read or has another size than the
// image is left out, as the walk leaves one out; a scored label image
// that cannot be used carries the reason. Files other than 16-bit label
// images and MATLAB files are read by `open`, as the engine reads labels.
void read_truths_and_scores(const image_request& request, image_data& data, const rows_opener& open);

}  // namespace strandel
