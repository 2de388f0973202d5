// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/pixel_rows.h"

#include <algorithm>

namespace strandel {

counting_sink::counting_sink(image_data& data, bool with_labels) : m_data(data) {
    clear_histogram(m_data.h);
    m_data.has_manual = with_labels;
    m_data.manual_in_walk = with_labels;
    if (with_labels) m_data.manual.clear();
    // The plane's bytes stay: images of a data set mostly share one size,
    // and every byte is written again before it is read.
    m_data.gray.width = m_data.gray.height = 0;
}

void counting_sink::keep_gray(int width, int height) {
    m_keep = true;
    m_data.gray.width = width;
    m_data.gray.height = height;
    const std::size_t size = std::size_t(width) * std::size_t(height);
    if (m_data.gray.levels.size() != size) m_data.gray.levels.resize(size);
}

void counting_sink::row(int y, const unsigned char* gray, const unsigned char* labels, int width) {
    if (m_keep) std::copy(gray, gray + width, m_data.gray.levels.begin() + std::ptrdiff_t(y) * width);
    histogram& h = m_data.h;
    if (!labels) {
        for (const unsigned char* end = gray + width; gray != end; ++gray) ++h[*gray];
        return;
    }
    gray_label_counts& pairs = m_data.manual;
    for (int x = 0; x < width; ++x) {
        ++h[gray[x]];
        pairs.add(gray[x], labels[x]);
    }
}

bool read_rows(pixel_rows& image, pixel_rows* labels, row_sink& sink, std::string* why, bool* labels_broken) {
    *labels_broken = false;
    for (int y = 0; y < image.height(); ++y) {
        const unsigned char* gray = image.next_row(why);
        if (!gray) return false;
        const unsigned char* label_row = nullptr;
        if (labels) {
            std::string ignored;
            label_row = labels->next_row(&ignored);
            if (!label_row) {
                *labels_broken = true;
                return false;
            }
        }
        sink.row(y, gray, label_row, image.width());
    }
    return true;
}

}  // namespace strandel
