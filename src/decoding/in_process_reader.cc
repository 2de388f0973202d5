// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/in_process_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "decoding/file_check.h"
#include "decoding/gif_rows.h"
#include "decoding/jpeg_rows.h"
#include "decoding/pgm_rows.h"
#include "decoding/png_rows.h"
#include "decoding/tiff_check.h"
#include "decoding/truth_reading.h"
#include "decoding/wide_image.h"
#include "framework/histogram.h"

namespace strandel {

namespace {

// Opens with the in-process decoders, then with the fallback.
open_result open_any(const std::string& file, row_role role, const rows_opener& fallback,
                     std::unique_ptr<pixel_rows>* rows, std::string* why) {
    const open_result own = open_in_process(file, role, rows, why);
    if (own != open_result::not_covered || !fallback) return own;
    return fallback(file, role, rows, why);
}

}  // namespace

open_result open_in_process(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                            std::string* why) {
    unsigned char head[8];
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        // The system's reason (no permission...), before any decoder
        // guesses at a file it cannot read.
        *why = std::strerror(errno);
        return open_result::failed;
    }
    const std::size_t size = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (size == 0) {
        *why = "the file is empty";
        return open_result::failed;
    }
    if (role == row_role::image && wide_level_rule() == level_rule::stretch && is_wide_image_file(file)) {
        wide_image wide;
        if (!read_wide_image(file, &wide, why)) return open_result::failed;
        *rows = stretched_rows(wide);
        return open_result::opened;
    }
    if (has_png_signature(head, size)) return open_png_rows(file, role, rows, why);
    if (has_jpeg_signature(head, size)) return open_jpeg_rows(file, role, rows, why);
    if (has_gif_signature(head, size)) return open_gif_rows(file, role, rows, why);
    if (size >= 2 && head[0] == 'P' && head[1] == '5') return open_pgm_rows(file, role, rows, why);
    return open_result::not_covered;
}

open_result open_colour_labels(const std::string& file, std::unique_ptr<rgb_rows>* rows, std::string* why) {
    unsigned char head[8];
    const std::size_t size = read_file_head(file, head, sizeof head);
    if (has_jpeg_signature(head, size)) return open_jpeg_rgb_rows(file, rows, why);
    if (has_gif_signature(head, size)) return open_gif_rgb_rows(file, rows, why);
    return open_result::not_covered;
}

bool fit_for_other_decoders(const std::string& file, std::string* why) {
    unsigned char head[8];
    const std::size_t size = read_file_head(file, head, sizeof head);
    if (has_png_signature(head, size)) return png_decodes_completely(file, why);
    if (has_tiff_signature(head, size)) return tiff_decodes_completely(file, why);
    if (has_gif_signature(head, size)) return gif_is_readable(file, why);
    return true;
}

in_process_status read_in_process(const image_request& request, image_data& data, std::string* why,
                                  const rows_opener& fallback, const rows_opener& label_fallback) {
    const rows_opener& labels = label_fallback ? label_fallback : fallback;
    return read_image_rows(
        request, data, why,
        [&fallback](const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows, std::string* reason) {
            return open_any(file, role, fallback, rows, reason);
        },
        [&labels](const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows, std::string* reason) {
            return open_any(file, role, labels, rows, reason);
        });
}

namespace {

in_process_status walk_image(const image_request& request, image_data& data, std::string* why,
                             const rows_opener& open) {
    if (request.image.empty()) {
        *why = "the file name is empty";
        return in_process_status::unreadable;
    }
    if (!is_regular_file(request.image, why)) return in_process_status::unreadable;
    std::unique_ptr<pixel_rows> image;
    switch (open(request.image, row_role::image, &image, why)) {
    case open_result::opened: break;
    case open_result::failed: return in_process_status::unreadable;
    case open_result::not_covered: return in_process_status::not_covered;
    }

    std::unique_ptr<pixel_rows> labels;
    std::string ignored;
    if (manual_read_in_walk(request) && open(request.manual, row_role::labels, &labels, &ignored) == open_result::not_covered)
        return in_process_status::not_covered;
    if (labels && (labels->width() != image->width() || labels->height() != image->height())) labels.reset();

    bool labels_broken = false;
    data.colour = image->colour();
    {
        counting_sink sink(data, labels != nullptr);
        if (request.keep_gray) sink.keep_gray(image->width(), image->height());
        if (read_rows(*image, labels.get(), sink, why, &labels_broken)) return in_process_status::read;
    }
    if (!labels_broken) return in_process_status::unreadable;
    // The manual segmentation broke half way: the image is counted again
    // without it.
    if (open(request.image, row_role::image, &image, why) != open_result::opened)
        return in_process_status::unreadable;
    counting_sink sink(data, false);
    if (request.keep_gray) sink.keep_gray(image->width(), image->height());
    return read_rows(*image, nullptr, sink, why, &labels_broken) ? in_process_status::read
                                                                  : in_process_status::unreadable;
}

}  // namespace

in_process_status read_image_rows(const image_request& request, image_data& data, std::string* why,
                                  const rows_opener& open, const rows_opener& label_open) {
    image_request walked = request;
    walked.keep_gray = needs_gray_plane(request);
    const in_process_status status = walk_image(walked, data, why, open);
    if (status == in_process_status::read) read_truths_and_scores(request, data, label_open ? label_open : open);
    return status;
}

}  // namespace strandel
