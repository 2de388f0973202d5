// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line options of strandel-report.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace strandel {

struct report_options {
    std::vector<std::string> tables;
    std::string segmentations;  // folder of label images; empty: no thumbnails
    std::string html;           // page to write; empty: text summary on stdout
    std::string statistics;     // CSV of the rank tests to write; empty: none
    bool self_contained = false;  // the page as one file, thumbnails embedded
    // Scored methods' label images, NAME -> PATTERN (as strandel-bench --score).
    std::map<std::string, std::string> scores;
    bool help = false;
};

// Reads argv[1..]; false with `error` on an unknown option, a missing
// value, a repeated option or no table.
bool parse_report_options(int argc, const char* const* argv, report_options* options, std::string* error);

const char* report_usage();

}  // namespace strandel
