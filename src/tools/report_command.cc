// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/report_command.h"

#include <filesystem>

#include "batch/label_images.h"
#include "framework/file_identity.h"
#include "framework/message_text.h"
#include "report_page/atomic_file.h"
#include "report_page/comparison.h"
#include "report_page/html_page.h"
#include "report_page/ranks.h"
#include "report_page/table_paths.h"
#include "report_page/text_summary.h"
#include "tools/exit_status.h"

namespace strandel {

namespace {

const char prefix[] = "strandel-report: ";

// Reads every table, its paths resolved; notes go to `err`.
bool read_tables(const std::vector<std::string>& tables, std::vector<result_row>* rows, std::ostream& err) {
    for (const std::string& table : tables) {
        std::vector<result_row> read;
        std::string error;
        if (!read_results_table(table, &read, &error)) {
            err << prefix << error << "\n";
            return false;
        }
        const std::string note = resolve_paths(read, table);
        if (!note.empty()) err << prefix << "note: " << terminal_text(note) << "\n";
        rows->insert(rows->end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
    }
    return true;
}

// The page must not be any file the run reads: a table, an image, a manual
// segmentation or a label image, under whatever name.
bool page_apart_from_inputs(const report_options& options, const comparison& c, std::ostream& err) {
    const file_identity page(options.html);
    const auto taken = [&](const std::string& input, const char* what) {
        if (input.empty() || !page.same_as(input)) return false;
        err << prefix << terminal_text(options.html) << ": the page would overwrite " << what << " '"
            << terminal_text(input) << "', which it reads: give another --html file\n";
        return true;
    };
    for (const std::string& table : options.tables)
        if (taken(table, "the table")) return false;
    for (const result_row& row : c.rows)
        if (taken(row.image_path, "the image") || taken(row.manual_path, "the manual segmentation")) return false;
    if (options.segmentations.empty()) return true;
    for (const image_rows& image : c.images)
        for (const chain_row& r : image.rows)
            if (taken(label_image_path(options.segmentations, image.image, r.chain + 1), "the label image"))
                return false;
    return true;
}

int write_html(const report_options& options, const comparison& results, const rank_summary& ranks,
               const image_opener& open, int threads, std::ostream& err) {
    std::error_code ignored;
    if (!options.segmentations.empty() && !std::filesystem::is_directory(options.segmentations, ignored)) {
        // A mistyped folder would otherwise only show as placeholders.
        err << prefix << options.segmentations << ": no such folder\n";
        return exit_failure;
    }
    replacing_file page;
    std::string error;
    if (!page.open(options.html, &error)) {
        err << prefix << error << "\n";
        return exit_failure;
    }
    std::vector<image_thumbnails> thumbnails;
    page_content content;
    content.results = &results;
    content.ranks = &ranks;
    content.tables = options.tables;
    if (!options.segmentations.empty()) {
        thumbnails = make_thumbnails(results, options.segmentations, open, threads);
        content.thumbnails = &thumbnails;
        int failed = 0, made = 0;
        const std::string failures = thumbnail_failures(results, options.segmentations, thumbnails, &failed, &made);
        if (failed)
            err << prefix << failed << " of " << made
                << " thumbnails could not be made (the page shows \"no preview\" for them):\n"
                << failures;
    }
    write_page(content, [&page](std::string_view piece) { page.write(piece); });
    if (!page.commit(&error)) {
        err << prefix << error << "\n";
        return exit_failure;
    }
    return exit_ok;
}

}  // namespace

int run_report(const report_options& options, const image_opener& open, int threads, std::ostream& out,
               std::ostream& err) {
    std::vector<result_row> rows;
    if (!read_tables(options.tables, &rows, err)) return exit_failure;
    comparison results;
    std::string error;
    if (!arrange(std::move(rows), &results, &error)) {
        err << prefix << error << "\n";
        return exit_failure;
    }
    if (results.chains.size() > 1 && results.common_images() == 0) {
        err << prefix << "the " << results.chains.size()
            << " chains have no image in common, so they cannot be compared: do the tables name their images "
               "by different paths, or come from different benchmarks?\n";
        return exit_failure;
    }
    const rank_summary ranks = mean_ranks(results);
    if (options.html.empty()) {
        out << text_summary(results, ranks);
        return exit_ok;
    }
    if (!page_apart_from_inputs(options, results, err)) return exit_failure;
    return write_html(options, results, ranks, open, threads, err);
}

}  // namespace strandel
