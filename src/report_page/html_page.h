// SPDX-License-Identifier: GPL-3.0-or-later
// The report page: HTML with inline style, SVG and script comparing the
// chains of one or more results tables. The table of every image is drawn
// by the page's script from data (only the rows on screen are in the
// document); thumbnails are embedded or files in a folder beside the page.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "report_page/comparison.h"
#include "report_page/method_tests.h"
#include "report_page/page_thumbnails.h"
#include "report_page/ranks.h"

namespace strandel {

struct page_content {
    const comparison* results = nullptr;
    const rank_summary* ranks = nullptr;
    std::vector<std::string> tables;  // as given, for the heading
    // One entry per image, or null for a page without thumbnails.
    const std::vector<image_thumbnails>* thumbnails = nullptr;
    // The tests of every measure the page shows, in page order; null: the
    // page runs them itself (tests and small pages).
    const std::vector<measure_tests>* tests = nullptr;
    // The URL of the script that holds the image table's data (a file
    // beside the page); empty: the data is in the page.
    std::string data_script;
};

// Takes the page piece by piece, in order.
using page_writer = std::function<void(std::string_view)>;

// Writes the page in pieces: the page of a long benchmark is never held
// whole, only one section or one image's data at a time.
void write_page(const page_content& content, const page_writer& write);

// The data of the image table, as a script that sets window.strandelData;
// one image at a time.
void write_images_data(const page_content& content, const page_writer& write);

// The whole page as one string (for tests and small pages).
std::string html_page(const page_content& content);

// The `count` images with the lowest Jaccard index of a chain, lowest first
// (NaN lowest of all, ties in image order), by image index.
std::vector<int> lowest_jaccard_images(const comparison& c, int chain, int count);

// The sections, in page order (each a <section>). `tests` in page order.
std::string overview_section(const page_content& content, const std::vector<measure_tests>& tests);
std::string tests_section(const page_content& content, const std::vector<measure_tests>& tests);
std::string measures_section(const page_content& content, const std::vector<measure_tests>& tests);
std::string lowest_jaccard_section(const page_content& content);
std::string skipped_section(const page_content& content);
std::string images_section(const page_content& content, const std::vector<measure_tests>& tests);

}  // namespace strandel
