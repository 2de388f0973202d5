// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/wide_image.h"

#include <algorithm>
#include <cstring>

#include "decoding/file_check.h"
#include "decoding/matlab_ground_truth.h"
#include "decoding/pgm_rows.h"
#include "decoding/png_rows.h"
#include "decoding/tiff_check.h"
#include "framework/histogram.h"

namespace strandel {

namespace {

bool is_wide_png(const unsigned char* head, std::size_t size) {
    // IHDR follows the signature: length, type, width, height, depth, colour.
    return has_png_signature(head, size) && size >= 26 && std::memcmp(head + 12, "IHDR", 4) == 0 &&
           head[24] == 16 && head[25] != 3;
}

// The 16-bit gray value of a pixel of `channels` samples.
std::uint16_t wide_gray(const std::uint16_t* s, int channels) {
    if (channels < 3) return s[0];
    if (colour_gray_rule() == gray_rule::blue) return s[2];
    return static_cast<std::uint16_t>((s[0] * 4899u + s[1] * 9617u + s[2] * 1868u + 8192u) >> 14);
}

class plane_rows : public pixel_rows {
public:
    plane_rows(int width, int height, std::vector<unsigned char> levels, bool colour = false)
        : pixel_rows(width, height, colour), m_levels(std::move(levels)) {}
    const unsigned char* next_row(std::string*) override {
        return m_levels.data() + std::size_t(m_next++) * std::size_t(width());
    }

private:
    std::vector<unsigned char> m_levels;
    int m_next = 0;
};

}  // namespace

bool is_wide_image_file(const std::string& file) {
    unsigned char head[32];
    const std::size_t size = read_file_head(file, head, sizeof head);
    if (is_wide_png(head, size)) return true;
    if (size >= 2 && head[0] == 'P' && head[1] == '5') return pgm_maxval(file) > 255;
    return has_tiff_signature(head, size) && tiff_is_16_bit(file);
}

bool read_wide_image(const std::string& file, wide_image* image, std::string* why) {
    unsigned char head[32];
    const std::size_t size = read_file_head(file, head, sizeof head);
    if (has_png_signature(head, size)) return read_png_samples(file, image, why);
    if (size >= 2 && head[0] == 'P' && head[1] == '5') return read_pgm_samples(file, image, why);
    if (has_tiff_signature(head, size)) return read_tiff_samples(file, image, why);
    *why = "not a 16-bit PNG, PGM or TIFF";
    return false;
}

bool is_matlab_file(const std::string& file) {
    unsigned char head[10];
    return read_file_head(file, head, sizeof head) == sizeof head && std::memcmp(head, "MATLAB 5.0", 10) == 0;
}

bool reads_as_wide_labels(const std::string& file) {
    if (is_matlab_file(file)) return true;
    if (!is_wide_image_file(file)) return false;
    // Only the header decides the kind of a PNG; colour label images are
    // converted to gray by luminance (8 bits) as before.
    unsigned char head[32];
    const std::size_t size = read_file_head(file, head, sizeof head);
    if (is_wide_png(head, size)) return head[25] == 0 || head[25] == 4;
    if (has_tiff_signature(head, size)) return tiff_samples_per_pixel(file) <= 2;
    return true;  // a PGM is gray
}

bool read_wide_label_planes(const std::string& file, std::vector<label_plane>* planes, std::string* why) {
    planes->clear();
    if (is_matlab_file(file)) {
        matlab_ground_truth truth = read_matlab_ground_truth(file);
        if (!truth.error.empty()) {
            *why = truth.error;
            return false;
        }
        *planes = std::move(truth.annotators);
        return true;
    }
    wide_image image;
    if (!read_wide_image(file, &image, why)) return false;
    if (image.channels > 2) {
        *why = "a colour image is no 16-bit label image";
        return false;
    }
    label_plane plane;
    plane.width = image.width;
    plane.height = image.height;
    plane.labels.resize(std::size_t(image.width) * std::size_t(image.height));
    for (std::size_t i = 0; i < plane.labels.size(); ++i) plane.labels[i] = image.samples[i * std::size_t(image.channels)];
    planes->push_back(std::move(plane));
    return true;
}

bool read_label_rows(const std::string& file, const rows_opener& open, label_plane* plane, std::string* why) {
    std::unique_ptr<pixel_rows> rows;
    if (open(file, row_role::labels, &rows, why) != open_result::opened) {
        if (why->empty()) *why = "no decoder reads it";
        return false;
    }
    plane->width = rows->width();
    plane->height = rows->height();
    plane->labels.resize(std::size_t(plane->width) * std::size_t(plane->height));
    for (int y = 0; y < plane->height; ++y) {
        const unsigned char* row = rows->next_row(why);
        if (!row) return false;
        std::copy(row, row + plane->width, plane->labels.begin() + std::ptrdiff_t(y) * plane->width);
    }
    return true;
}

std::unique_ptr<pixel_rows> rows_of_plane(int width, int height, std::vector<unsigned char> levels) {
    return std::make_unique<plane_rows>(width, height, std::move(levels));
}

std::unique_ptr<pixel_rows> stretched_rows(const wide_image& image) {
    const std::size_t pixels = std::size_t(image.width) * std::size_t(image.height);
    std::vector<std::uint16_t> gray(pixels);
    std::uint16_t lowest = 65535, highest = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        gray[i] = wide_gray(&image.samples[i * std::size_t(image.channels)], image.channels);
        lowest = std::min(lowest, gray[i]);
        highest = std::max(highest, gray[i]);
    }
    std::vector<unsigned char> levels(pixels, 0);
    if (highest > lowest) {
        const std::uint64_t range = highest - lowest;
        for (std::size_t i = 0; i < pixels; ++i)
            levels[i] = static_cast<unsigned char>((std::uint64_t(gray[i] - lowest) * 510 + range) / (2 * range));
    }
    return std::make_unique<plane_rows>(image.width, image.height, std::move(levels), image.channels >= 3);
}

}  // namespace strandel
