// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/thumbnails.h"

#include <algorithm>

#include "evaluation/class_colors.h"
#include "report_page/base64.h"
#include "report_page/png_write.h"

namespace strandel {
namespace {

thumbnail as_thumbnail(const std::string& png, int width, int height) {
    thumbnail t;
    if (png.empty()) {
        t.problem = "could not encode the thumbnail";
        return t;
    }
    t.data_uri = "data:image/png;base64," + base64(png);
    t.width = width;
    t.height = height;
    return t;
}

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

decoded_image shrink(const decoded_image& image, int width, int height) {
    decoded_image out;
    out.width = width;
    out.height = height;
    out.channels = image.channels;
    out.pixels.resize(std::size_t(width) * height * image.channels);
    const int c = image.channels;
    for (int ty = 0; ty < height; ++ty) {
        // Source rows [y0, y1) and columns [x0, x1) fall into this pixel;
        // each pixel's span is at least one source pixel.
        const int y0 = static_cast<int>(static_cast<long long>(ty) * image.height / height);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<long long>(ty + 1) * image.height / height));
        for (int tx = 0; tx < width; ++tx) {
            const int x0 = static_cast<int>(static_cast<long long>(tx) * image.width / width);
            const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<long long>(tx + 1) * image.width / width));
            unsigned long sum[3] = {0, 0, 0};
            for (int y = y0; y < y1; ++y) {
                const unsigned char* p = image.pixels.data() + (std::size_t(y) * image.width + x0) * c;
                for (int x = x0; x < x1; ++x, p += c)
                    for (int k = 0; k < c; ++k) sum[k] += p[k];
            }
            const unsigned long n = static_cast<unsigned long>(y1 - y0) * (x1 - x0);
            unsigned char* q = out.pixels.data() + (std::size_t(ty) * width + tx) * c;
            for (int k = 0; k < c; ++k) q[k] = static_cast<unsigned char>((sum[k] + n / 2) / n);
        }
    }
    return out;
}

label_image shrink_labels(const label_image& labels, int width, int height) {
    label_image out;
    out.width = width;
    out.height = height;
    out.labels.resize(std::size_t(width) * height);
    for (int ty = 0; ty < height; ++ty) {
        const int y = static_cast<int>((2LL * ty + 1) * labels.height / (2LL * height));
        for (int tx = 0; tx < width; ++tx) {
            const int x = static_cast<int>((2LL * tx + 1) * labels.width / (2LL * width));
            out.labels[std::size_t(ty) * width + tx] = labels.labels[std::size_t(y) * labels.width + x];
        }
    }
    return out;
}

thumbnail image_thumbnail(const std::string& path, const image_decoder& decoder) {
    decoded_image image;
    if (!decoder(path, &image) || image.width <= 0 || image.height <= 0 ||
        (image.channels != 1 && image.channels != 3) ||
        image.pixels.size() != std::size_t(image.width) * image.height * image.channels) {
        thumbnail t;
        t.problem = "could not decode " + path;
        return t;
    }
    int width, height;
    thumbnail_size(image.width, image.height, &width, &height);
    if (width != image.width || height != image.height) image = shrink(image, width, height);
    return as_thumbnail(encode_png(width, height, image.channels, image.pixels), width, height);
}

thumbnail label_thumbnail(const std::string& path) {
    label_image labels;
    if (!read_label_png(path, &labels) || labels.width <= 0 || labels.height <= 0) {
        thumbnail t;
        t.problem = "could not read the label image " + path;
        return t;
    }
    int width, height;
    thumbnail_size(labels.width, labels.height, &width, &height);
    if (width != labels.width || height != labels.height) labels = shrink_labels(labels, width, height);
    // A palette of the colours present only: most segmentations have a few
    // classes, and a full 256-entry palette would outweigh the pixels.
    std::vector<int> slot(256, -1);
    std::vector<rgb> palette;
    std::vector<unsigned char> indices(labels.labels.size());
    for (std::size_t i = 0; i < labels.labels.size(); ++i) {
        const unsigned colour = labels.labels[i] % 256u;  // the palette wraps, as class_color does
        if (slot[colour] < 0) {
            slot[colour] = static_cast<int>(palette.size());
            palette.push_back(class_color(static_cast<int>(colour)));
        }
        indices[i] = static_cast<unsigned char>(slot[colour]);
    }
    return as_thumbnail(encode_png_palette(width, height, indices, palette), width, height);
}


}  // namespace strandel
