// SPDX-License-Identifier: GPL-3.0-or-later
// The report page: one self-contained HTML file (inline style, SVG, script
// and images) comparing the chains of one or more results tables.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "report_page/comparison.h"
#include "report_page/page_thumbnails.h"
#include "report_page/ranks.h"

namespace strandel {

struct page_content {
    const comparison* results = nullptr;
    const rank_summary* ranks = nullptr;
    std::vector<std::string> tables;  // as given, for the heading
    // One entry per image, or null for a page without thumbnails.
    const std::vector<image_thumbnails>* thumbnails = nullptr;
};

// Takes the page piece by piece, in order.
using page_writer = std::function<void(std::string_view)>;

// Writes the page in pieces: the page of a long benchmark is never held
// whole, only one section or one row of the image table at a time.
void write_page(const page_content& content, const page_writer& write);

// The whole page as one string (for tests and small pages).
std::string html_page(const page_content& content);

// The `count` images with the lowest Jaccard index of a chain, lowest first
// (NaN lowest of all, ties in image order), by image index.
std::vector<int> lowest_jaccard_images(const comparison& c, int chain, int count);

// The sections, in page order (each a <section>).
std::string lowest_jaccard_section(const page_content& content);
std::string ranks_section(const page_content& content);
std::string measures_section(const page_content& content);
std::string skipped_section(const page_content& content);
void write_images_section(const page_content& content, const page_writer& write);

}  // namespace strandel
