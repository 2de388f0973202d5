// SPDX-License-Identifier: GPL-3.0-or-later
// Thumbnails of images, manual segmentations and label images, encoded as
// small PNGs that the page embeds or finds in its folder. Each is made row
// by row as its file is read: its memory is one source row and the
// thumbnail, whatever the size of the image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report_page/image_decoder.h"
#include "report_page/png_read.h"

namespace strandel {

// Thumbnails fit in this many pixels on their long side; smaller images
// keep their size.
constexpr int thumbnail_side = 160;

// A thumbnail as the page shows it.
struct thumbnail {
    std::string src;       // a data: URI or a URL relative to the page; empty when the file could not be shown
    int width = 0, height = 0;
    std::string problem;   // why not, for the placeholder ("none": nothing to show)
    std::string reason;    // the short reason alone, to count alike failures
    bool ok() const { return !src.empty(); }
};

// A thumbnail made, before the page places it.
struct encoded_thumbnail {
    std::string png;  // empty when the file could not be shown
    int width = 0, height = 0;
    std::string problem, reason;  // as in thumbnail
    bool ok() const { return !png.empty(); }
};

// How the values of a label image become colours of the ramp
// (colour_ramp.h). A chain's class index i is painted at positions[i]: its
// centre's place between the lowest and the highest centre that any method
// found on the image, so that one tissue takes one colour under every
// chain. Labels without a position (a ground truth, a method scored from
// its own label images, a label past the centres) are painted by their rank
// among the labels the thumbnail shows, lowest first, spread over the whole
// ramp.
struct label_colouring {
    std::vector<double> positions;
};

// The size of the thumbnail of a width x height image (each side at least 1).
void thumbnail_size(int width, int height, int* thumb_width, int* thumb_height);

// Shrinks rows handed in from the top into a thumbnail, averaging the
// pixels each thumbnail pixel covers (a box filter), so thin structures
// fade instead of flickering in and out.
class row_shrinker {
public:
    row_shrinker(int width, int height, int channels, int thumb_width, int thumb_height);
    void add(const unsigned char* row);  // the next source row
    const std::vector<unsigned char>& pixels() const { return m_pixels; }

private:
    int m_height, m_channels, m_thumb_width, m_thumb_height;
    std::vector<int> m_x0, m_x1;  // source columns of each thumbnail column
    std::vector<unsigned long> m_sums;
    int m_y = 0, m_ty = 0;
    std::vector<unsigned char> m_pixels;
};

// Takes the label at each thumbnail pixel's centre (averaging class indices
// would invent classes), from rows handed in from the top.
class label_shrinker {
public:
    label_shrinker(int width, int height, int thumb_width, int thumb_height);
    void add(const std::uint16_t* row);
    const std::vector<std::uint16_t>& labels() const { return m_labels; }

private:
    int m_height, m_thumb_width, m_thumb_height;
    std::vector<int> m_x;  // source column of each thumbnail column
    int m_y = 0, m_ty = 0;
    std::vector<std::uint16_t> m_labels;
};

// An image or manual segmentation, read through `open`.
encoded_thumbnail encode_image_thumbnail(const std::string& path, const image_opener& open);

// A label image painted on the ramp.
encoded_thumbnail encode_label_thumbnail(const std::string& path, const label_colouring& colouring);

// A manual segmentation: a gray or palette PNG is a label image (its values
// the regions, 0 ... K - 1 or painted gray levels) painted by rank; any
// other file shows as an image.
encoded_thumbnail encode_truth_thumbnail(const std::string& path, const image_opener& open);

// The same as data: URIs.
thumbnail embedded(encoded_thumbnail made);
thumbnail image_thumbnail(const std::string& path, const image_opener& open);
thumbnail label_thumbnail(const std::string& path, const label_colouring& colouring = {});

}  // namespace strandel
