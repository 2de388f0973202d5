// SPDX-License-Identifier: GPL-3.0-or-later
// Reading PNG files with libpng, row by row.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "report_page/image_decoder.h"

namespace strandel {

// Larger images get no thumbnail: no benchmark rates them (a gray level's
// count must fit 32 bits).
constexpr std::uint64_t largest_shown_image = 2147483647;
// Interlaced PNGs deliver their rows only once all passes are read, so they
// are decoded whole: only up to this many pixels.
constexpr std::uint64_t largest_interlaced_png = std::uint64_t(1) << 24;

// The default image opener: gray, gray+alpha, RGB, RGBA and palette PNGs of
// any bit depth, as 8-bit gray or RGB rows. Alpha is dropped (the segmenter
// ignores it too) and 16-bit samples are rounded to 8 bits. Only regular
// files are opened.
std::unique_ptr<image_row_source> open_png_rows(const std::string& path, std::string* why);

// A label image as the runner writes it, row by row: each pixel's gray
// value (8 or 16 bits, or a palette index) is a class index, kept whole; an
// alpha channel is ignored. Colour PNGs are no label images and fail.
class label_rows {
public:
    virtual ~label_rows() = default;
    int width() const { return m_width; }
    int height() const { return m_height; }
    // The next row of width() class indices, or null with `why`.
    virtual const std::uint16_t* next_row(std::string* why) = 0;

protected:
    label_rows(int width, int height) : m_width(width), m_height(height) {}

private:
    int m_width, m_height;
};
std::unique_ptr<label_rows> open_label_rows(const std::string& path, std::string* why);

}  // namespace strandel
