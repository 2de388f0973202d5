// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/report_command.h"

#include <filesystem>

#include "report_page/atomic_file.h"
#include "report_page/comparison.h"
#include "report_page/html_page.h"
#include "report_page/ranks.h"
#include "report_page/text_summary.h"
#include "tools/exit_status.h"

namespace strandel {

int run_report(const report_options& options, const image_decoder& decoder, int threads, std::ostream& out,
               std::ostream& err) {
    std::vector<result_row> rows;
    std::string error;
    for (const std::string& table : options.tables) {
        std::vector<result_row> read;
        if (!read_results_table(table, &read, &error)) {
            err << "strandel-report: " << error << "\n";
            return exit_failure;
        }
        rows.insert(rows.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
    }
    comparison results;
    if (!arrange(std::move(rows), &results, &error)) {
        err << "strandel-report: " << error << "\n";
        return exit_failure;
    }
    const rank_summary ranks = mean_ranks(results);
    if (options.html.empty()) {
        out << text_summary(results, ranks);
        return exit_ok;
    }
    std::error_code ignored;
    if (!options.segmentations.empty() && !std::filesystem::is_directory(options.segmentations, ignored)) {
        // A mistyped folder would otherwise only show as placeholders.
        err << "strandel-report: " << options.segmentations << ": no such folder\n";
        return exit_failure;
    }
    std::vector<image_thumbnails> thumbnails;
    page_content content;
    content.results = &results;
    content.ranks = &ranks;
    content.tables = options.tables;
    if (!options.segmentations.empty()) {
        thumbnails = make_thumbnails(results, options.segmentations, decoder, threads);
        content.thumbnails = &thumbnails;
    }
    if (!replace_file(options.html, html_page(content), &error)) {
        err << "strandel-report: " << error << "\n";
        return exit_failure;
    }
    return exit_ok;
}

}  // namespace strandel
