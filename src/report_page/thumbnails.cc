// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/thumbnails.h"

#include <algorithm>


#include "report_page/base64.h"
#include "report_page/colour_ramp.h"
#include "report_page/png_write.h"

namespace strandel {
namespace {

encoded_thumbnail as_thumbnail(std::string png, int width, int height) {
    encoded_thumbnail t;
    if (png.empty()) {
        t.problem = t.reason = "could not encode the thumbnail";
        return t;
    }
    t.png = std::move(png);
    t.width = width;
    t.height = height;
    return t;
}

encoded_thumbnail failed(const std::string& what, const std::string& why) {
    encoded_thumbnail t;
    t.reason = why;
    t.problem = what + ": " + why;
    return t;
}

// Source index of each of `count` spans over `size`: the first of span k.
int span_start(int k, int size, int count) { return static_cast<int>(static_cast<long long>(k) * size / count); }

}  // namespace

void thumbnail_size(int width, int height, int* thumb_width, int* thumb_height) {
    const int longest = std::max(width, height);
    if (longest <= thumbnail_side) {
        *thumb_width = width;
        *thumb_height = height;
        return;
    }
    // Rounded to the nearest pixel, never 0.
    *thumb_width = std::max(1, static_cast<int>((static_cast<long long>(width) * thumbnail_side + longest / 2) / longest));
    *thumb_height = std::max(1, static_cast<int>((static_cast<long long>(height) * thumbnail_side + longest / 2) / longest));
}

row_shrinker::row_shrinker(int width, int height, int channels, int thumb_width, int thumb_height)
    : m_height(height), m_channels(channels), m_thumb_width(thumb_width), m_thumb_height(thumb_height),
      m_sums(std::size_t(thumb_width) * channels, 0), m_pixels(std::size_t(thumb_width) * thumb_height * channels) {
    // Thumbnails never enlarge, so the spans of source columns (and rows)
    // cover the image without overlap, each at least one pixel.
    for (int tx = 0; tx < thumb_width; ++tx) {
        m_x0.push_back(span_start(tx, width, thumb_width));
        m_x1.push_back(std::max(m_x0.back() + 1, span_start(tx + 1, width, thumb_width)));
    }
}

void row_shrinker::add(const unsigned char* row) {
    if (m_ty >= m_thumb_height) return;
    const int c = m_channels;
    for (int tx = 0; tx < m_thumb_width; ++tx) {
        unsigned long* sum = &m_sums[std::size_t(tx) * c];
        for (const unsigned char* p = row + std::size_t(m_x0[tx]) * c; p < row + std::size_t(m_x1[tx]) * c; p += c)
            for (int k = 0; k < c; ++k) sum[k] += p[k];
    }
    ++m_y;
    const int y0 = span_start(m_ty, m_height, m_thumb_height);
    const int y1 = std::max(y0 + 1, span_start(m_ty + 1, m_height, m_thumb_height));
    if (m_y < y1) return;
    unsigned char* out = m_pixels.data() + std::size_t(m_ty) * m_thumb_width * c;
    for (int tx = 0; tx < m_thumb_width; ++tx) {
        const unsigned long n = static_cast<unsigned long>(y1 - y0) * (m_x1[tx] - m_x0[tx]);
        for (int k = 0; k < c; ++k) {
            unsigned long& sum = m_sums[std::size_t(tx) * c + k];
            out[std::size_t(tx) * c + k] = static_cast<unsigned char>((sum + n / 2) / n);
            sum = 0;
        }
    }
    ++m_ty;
}

label_shrinker::label_shrinker(int width, int height, int thumb_width, int thumb_height)
    : m_height(height), m_thumb_width(thumb_width), m_thumb_height(thumb_height),
      m_labels(std::size_t(thumb_width) * thumb_height) {
    for (int tx = 0; tx < thumb_width; ++tx)
        m_x.push_back(static_cast<int>((2LL * tx + 1) * width / (2LL * thumb_width)));
}

void label_shrinker::add(const std::uint16_t* row) {
    const int y = m_y++;
    if (m_ty >= m_thumb_height || y != static_cast<int>((2LL * m_ty + 1) * m_height / (2LL * m_thumb_height))) return;
    std::uint16_t* out = m_labels.data() + std::size_t(m_ty) * m_thumb_width;
    for (int tx = 0; tx < m_thumb_width; ++tx) out[tx] = row[m_x[tx]];
    ++m_ty;
}

encoded_thumbnail encode_image_thumbnail(const std::string& path, const image_opener& open) {
    const std::string what = "could not decode " + path;
    std::string why;
    const std::unique_ptr<image_row_source> rows = open(path, &why);
    if (!rows) return failed(what, why.empty() ? "not an image the report reads" : why);
    if (rows->width() <= 0 || rows->height() <= 0 || (rows->channels() != 1 && rows->channels() != 3))
        return failed(what, "an image of no pixels or of unusual channels");
    int width, height;
    thumbnail_size(rows->width(), rows->height(), &width, &height);
    row_shrinker shrinker(rows->width(), rows->height(), rows->channels(), width, height);
    for (int y = 0; y < rows->height(); ++y) {
        const unsigned char* row = rows->next_row(&why);
        if (!row) return failed(what, why);
        shrinker.add(row);
    }
    return as_thumbnail(encode_png(width, height, rows->channels(), shrinker.pixels()), width, height);
}

namespace {

// The shrunk labels of a label image, or a failure.
encoded_thumbnail shrunk_labels(const std::string& path, std::vector<std::uint16_t>* labels, int* width, int* height) {
    const std::string what = "could not read the label image " + path;
    std::string why;
    const std::unique_ptr<label_rows> rows = open_label_rows(path, &why);
    if (!rows) return failed(what, why);
    if (rows->width() <= 0 || rows->height() <= 0) return failed(what, "an image of no pixels");
    thumbnail_size(rows->width(), rows->height(), width, height);
    label_shrinker shrinker(rows->width(), rows->height(), *width, *height);
    for (int y = 0; y < rows->height(); ++y) {
        const std::uint16_t* row = rows->next_row(&why);
        if (!row) return failed(what, why);
        shrinker.add(row);
    }
    *labels = shrinker.labels();
    return {};
}

// Paints labels with the ramp steps `colouring` gives them. The palette
// holds the colours present only: most segmentations have a few classes,
// and a full 256-entry palette would outweigh the pixels.
encoded_thumbnail painted(const std::vector<std::uint16_t>& labels, int width, int height,
                          const label_colouring& colouring) {
    // A table up to the largest label costs less than a search per pixel.
    const std::size_t size = std::size_t(*std::max_element(labels.begin(), labels.end())) + 1;
    std::vector<bool> present(size, false);
    for (std::uint16_t label : labels) present[label] = true;
    std::vector<std::uint16_t> shown;
    for (std::size_t label = 0; label < size; ++label)
        if (present[label]) shown.push_back(static_cast<std::uint16_t>(label));
    const bool by_centre = !colouring.positions.empty() && shown.back() < colouring.positions.size();
    const int count = static_cast<int>(shown.size());
    std::vector<int> slot(256, -1);  // ramp step -> palette entry
    std::vector<rgb> palette;
    std::vector<unsigned char> entry_of(size, 0);  // label -> palette entry
    for (int rank = 0; rank < count; ++rank) {
        const double t = by_centre ? colouring.positions[shown[rank]]
                                   : count > 1 ? static_cast<double>(rank) / (count - 1) : 0.5;
        const int step = ramp_step_of(t);
        if (slot[step] < 0) {
            slot[step] = static_cast<int>(palette.size());
            palette.push_back(ramp_step(step));
        }
        entry_of[shown[rank]] = static_cast<unsigned char>(slot[step]);
    }
    std::vector<unsigned char> indices(labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) indices[i] = entry_of[labels[i]];
    return as_thumbnail(encode_png_palette(width, height, indices, palette), width, height);
}

}  // namespace

encoded_thumbnail encode_label_thumbnail(const std::string& path, const label_colouring& colouring) {
    std::vector<std::uint16_t> labels;
    int width = 0, height = 0;
    encoded_thumbnail t = shrunk_labels(path, &labels, &width, &height);
    if (!t.problem.empty()) return t;
    return painted(labels, width, height, colouring);
}

encoded_thumbnail encode_truth_thumbnail(const std::string& path, const image_opener& open) {
    std::vector<std::uint16_t> labels;
    int width = 0, height = 0;
    encoded_thumbnail t = shrunk_labels(path, &labels, &width, &height);
    if (t.problem.empty()) return painted(labels, width, height, {});
    // A colour PNG or another format: shown as it is.
    return encode_image_thumbnail(path, open);
}

thumbnail embedded(encoded_thumbnail made) {
    thumbnail t;
    t.problem = std::move(made.problem);
    t.reason = std::move(made.reason);
    if (!made.ok()) return t;
    t.src = "data:image/png;base64," + base64(made.png);
    t.width = made.width;
    t.height = made.height;
    return t;
}

thumbnail image_thumbnail(const std::string& path, const image_opener& open) {
    return embedded(encode_image_thumbnail(path, open));
}

thumbnail label_thumbnail(const std::string& path, const label_colouring& colouring) {
    return embedded(encode_label_thumbnail(path, colouring));
}

}  // namespace strandel
