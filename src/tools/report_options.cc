// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/report_options.h"

#include "batch/engine_environment.h"
#include "batch/ground_truth.h"
#include "framework/message_text.h"
#include "tools/command_line.h"

namespace strandel {

const char* report_usage() {
    return "Usage: strandel-report TABLE.csv... [--segmentations DIR] [--html OUT.html [--self-contained]]\n"
           "                       [--statistics OUT.csv] [--score NAME=PATTERN]... [--config FILE]\n"
           "  Compares the chains of strandel-bench results tables (CSV).\n"
           "  Without --html, prints a summary per chain and measure.\n"
           "  --html OUT.html     write the page (replaces OUT.html); past 200 images its\n"
           "                      thumbnails and data go to the folder OUT_files beside it\n"
           "  --segmentations DIR add thumbnails of the images, manual segmentations\n"
           "                      and the label images DIR/STEM.N.png\n"
           "  --config FILE       read options from FILE, one 'name = value' a line\n"
           "  --self-contained    one file whatever the size (thumbnails embedded, up to\n"
           "                      6000 of them)\n"
           "  --statistics OUT.csv write the Friedman, Wilcoxon (Holm) and bootstrap\n"
           "                      results of every measure (replaces OUT.csv)\n"
           "  --score NAME=PATTERN where the label images of the scored method NAME are\n"
           "                      (PATTERN as strandel-bench's, from the current folder)\n"
           "Exit status: 0 done, 1 a table or the page could not be read or written,\n"
           "2 bad options.\n";
}

bool parse_report_options(int argc, const char* const* argv, report_options* options, std::string* error) {
    static const std::vector<option_spec> specs = {{"-h,--help", false}, {"--html"}, {"--segmentations"},
                                                   {"--self-contained", false}, {"--statistics"}, {"--score"}};
    command_line line;
    command_line_error fault;
    if (!read_command_line(argc, argv, specs, &line, &fault)) {
        *error = command_line_message(fault, {"", false, ""});
        return false;
    }
    report_options read;
    read.tables = line.operands;
    for (const option_use& use : line.options) {
        if (use.name == "--help") {
            read.help = true;
            continue;
        }
        if (use.name == "--self-contained") {
            read.self_contained = true;
            continue;
        }
        if (use.name == "--score") {
            scored_method method;
            std::string why;
            if (!parse_scored_method(use.value, &method) || method.name.empty() ||
                !check_ground_truth_pattern(method.pattern, &why)) {
                *error = "--score '" + message_quote(use.value) + "' is not NAME=PATTERN (such as 'unet=masks/{stem}.png')" +
                         (why.empty() ? "" : ": " + why);
                return false;
            }
            if (!read.scores.emplace(method.name, method.pattern).second) {
                *error = "--score " + method.name + " given twice";
                return false;
            }
            continue;
        }
        std::string& target = use.name == "--html"             ? read.html
                              : use.name == "--statistics"    ? read.statistics
                                                              : read.segmentations;
        if (use.value.empty()) {
            *error = use.name + " needs a non-empty value";
            return false;
        }
        if (!target.empty()) {
            *error = use.name + " given twice";
            return false;
        }
        target = use.value;
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
