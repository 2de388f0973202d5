// SPDX-License-Identifier: GPL-3.0-or-later
// The report page: one self-contained HTML file (inline style, SVG, script
// and images) comparing the chains of one or more results tables.
#pragma once

#include <string>
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

std::string html_page(const page_content& content);

// The `count` images with the lowest Jaccard index of a chain, lowest first
// (NaN lowest of all, ties in image order), by image index.
std::vector<int> lowest_jaccard_images(const comparison& c, int chain, int count);

// The sections, in page order (each a <section>).
std::string lowest_jaccard_section(const page_content& content);
std::string ranks_section(const page_content& content);
std::string measures_section(const page_content& content);
std::string images_section(const page_content& content);

}  // namespace strandel
