// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/report_options.h"

#include <cstring>

namespace strandel {

const char* report_usage() {
    return "Usage: strandel-report TABLE.csv... [--segmentations DIR] [--html OUT.html [--self-contained]]\n"
           "                       [--statistics OUT.csv]\n"
           "  Compares the chains of strandel-bench results tables (CSV).\n"
           "  Without --html, prints a summary per chain and measure.\n"
           "  --html OUT.html     write the page (replaces OUT.html); past 200 images its\n"
           "                      thumbnails and data go to the folder OUT_files beside it\n"
           "  --self-contained    one file whatever the size (thumbnails embedded, up to\n"
           "                      6000 of them)\n"
           "  --segmentations DIR add thumbnails of the images, manual segmentations\n"
           "                      and the label images DIR/STEM.N.png\n"
           "  --statistics OUT.csv write the Friedman, Wilcoxon (Holm) and bootstrap\n"
           "                      results of every measure (replaces OUT.csv)\n"
           "Exit status: 0 done, 1 a table or the page could not be read or written,\n"
           "2 bad options.\n";
}

bool parse_report_options(int argc, const char* const* argv, report_options* options, std::string* error) {
    report_options read;
    bool only_tables = false;  // after "--"
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (only_tables || arg.empty() || arg[0] != '-' || arg == "-") {
            read.tables.push_back(arg);
            continue;
        }
        if (arg == "--") {
            only_tables = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            read.help = true;
            continue;
        }
        if (arg == "--self-contained") {
            read.self_contained = true;
            continue;
        }
        std::string name = arg, value;
        bool has_value = false;
        const std::size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            has_value = true;
        }
        std::string* target = name == "--html"             ? &read.html
                              : name == "--segmentations" ? &read.segmentations
                              : name == "--statistics"    ? &read.statistics
                                                          : nullptr;
        if (!target) {
            *error = "unknown option " + arg;
            return false;
        }
        if (!has_value) {
            if (i + 1 >= argc) {
                *error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (value.empty()) {
            *error = name + " needs a non-empty value";
            return false;
        }
        if (!target->empty()) {
            *error = name + " given twice";
            return false;
        }
        *target = value;
    }
    if (read.self_contained && read.html.empty() && !read.help) {
        *error = "--self-contained needs --html";
        return false;
    }
    if (read.tables.empty() && !read.help) {
        *error = "no results table given";
        return false;
    }
    *options = std::move(read);
    return true;
}

}  // namespace strandel
