// SPDX-License-Identifier: GPL-3.0-or-later
// Thumbnails of images, manual segmentations and label images, as PNG
// data: URIs that the page embeds. Each is made row by row as its file is
// read: its memory is one source row and the thumbnail, whatever the size
// of the image.
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

struct thumbnail {
    std::string data_uri;  // empty when the file could not be shown
    int width = 0, height = 0;
    std::string problem;   // why not, for the placeholder ("none": nothing to show)
    std::string reason;    // the short reason alone, to count alike failures
    bool ok() const { return !data_uri.empty(); }
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
thumbnail image_thumbnail(const std::string& path, const image_opener& open);

// A label image, each class in its class colour (strandel::class_color).
thumbnail label_thumbnail(const std::string& path);

}  // namespace strandel
