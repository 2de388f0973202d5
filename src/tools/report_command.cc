// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/report_command.h"

#include <filesystem>
#include <map>

#include "batch/label_images.h"
#include "framework/file_identity.h"
#include "framework/message_text.h"
#include "report_page/atomic_file.h"
#include "report_page/comparison.h"
#include "report_page/html_page.h"
#include "report_page/method_tests.h"
#include "report_page/ranks.h"
#include "report_page/table_paths.h"
#include "report_page/text_summary.h"
#include "tools/exit_status.h"

namespace strandel {

namespace {

namespace fs = std::filesystem;

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

bool wants_thumbnails(const report_options& options) {
    return !options.segmentations.empty() || !options.scores.empty();
}

label_files label_files_of(const report_options& options) { return {options.segmentations, options.scores}; }

// Calls `each(path, what)` for every file the run reads, until it returns
// true; returns whether one did.
template <typename Each>
bool any_input(const report_options& options, const comparison& c, Each each) {
    for (const std::string& table : options.tables)
        if (each(table, "the table")) return true;
    for (const result_row& row : c.rows)
        if (each(row.image_path, "the image") || each(row.manual_path, "the manual segmentation")) return true;
    if (!wants_thumbnails(options)) return false;
    const label_files labels = label_files_of(options);
    for (int i = 0; i < static_cast<int>(c.images.size()); ++i)
        for (const chain_row& r : c.images[i].rows)
            if (each(labels.path(c, i, r.chain), "the label image")) return true;
    return false;
}

// An output must not be any file the run reads: a table, an image, a
// manual segmentation or a label image, under whatever name.
bool apart_from_inputs(const std::string& output, const char* subject, const char* option,
                       const report_options& options, const comparison& c, std::ostream& err) {
    const file_identity out(output);
    return !any_input(options, c, [&](const std::string& input, const char* what) {
        if (input.empty() || !out.same_as(input)) return false;
        err << prefix << terminal_text(output) << ": " << subject << " would overwrite " << what << " '"
            << terminal_text(input) << "', which it reads: give another " << option << " file\n";
        return true;
    });
}

// The folder of thumbnails beside the page must hold no input either: the
// report replaces and removes files there.
bool folder_apart_from_inputs(const std::string& folder, const report_options& options, const comparison& c,
                              std::ostream& err) {
    const std::string inside = normalised_absolute(folder) + "/";
    return !any_input(options, c, [&](const std::string& input, const char* what) {
        if (input.empty() || normalised_absolute(link_target(input)).rfind(inside, 0) != 0) return false;
        err << prefix << terminal_text(folder) << ": the page's folder holds " << what << " '"
            << terminal_text(input) << "', which the report reads: keep inputs out of it or give another --html\n";
        return true;
    });
}

// Where a page's own files go: OUT_files beside OUT.html.
std::string files_folder(const std::string& page) {
    fs::path folder(page);
    folder.replace_extension();
    return folder.string() + "_files";
}

bool is_regular_or_absent(const std::string& path) {
    std::error_code ignored;
    const fs::file_status status = fs::status(path, ignored);
    return !fs::exists(status) || fs::is_regular_file(status);
}

// Pages of more thumbnails than this are no longer one file a browser opens
// well (some 4 KB each, embedded).
constexpr long long most_embedded_thumbnails = 6000;
// Up to this many images the page is one file by default.
constexpr std::size_t most_images_in_one_file = 200;

long long thumbnail_count(const comparison& c) {
    return 2LL * static_cast<long long>(c.images.size()) + static_cast<long long>(c.rows.size());
}

void note_failures(const comparison& results, const label_files& labels,
                   const std::vector<image_thumbnails>& thumbnails, std::ostream& err) {
    int failed = 0, made = 0;
    const std::string failures = thumbnail_failures(results, labels, thumbnails, &failed, &made);
    if (failed)
        err << prefix << failed << " of " << made
            << " thumbnails could not be made (the page shows \"no preview\" for them):\n"
            << failures;
}

struct html_plan {
    bool one_file = true;
    std::string folder;  // OUT_files, when not one file
};

bool plan_html(const report_options& options, const comparison& results, html_plan* plan, std::ostream& err) {
    const bool thumbnails = wants_thumbnails(options);
    const bool regular = is_regular_or_absent(options.html);
    plan->one_file = options.self_contained || !regular || results.images.size() <= most_images_in_one_file;
    if (plan->one_file && thumbnails && thumbnail_count(results) > most_embedded_thumbnails) {
        err << prefix << terminal_text(options.html) << ": " << thumbnail_count(results)
            << " thumbnails in one file would make a page of some " << thumbnail_count(results) * 4 / 1000
            << " MB that browsers open slowly (at most " << most_embedded_thumbnails << " are embedded): "
            << (regular ? "leave out --self-contained to write them into a folder beside the page"
                        : "write the page to a regular file, which keeps them in a folder beside it")
            << "\n";
        return false;
    }
    if (plan->one_file) return true;
    plan->folder = files_folder(options.html);
    std::error_code ignored;
    if (fs::exists(fs::symlink_status(plan->folder, ignored)) && !fs::is_directory(plan->folder, ignored)) {
        err << prefix << terminal_text(plan->folder) << ": the page's folder is taken by a file that is no folder\n";
        return false;
    }
    return folder_apart_from_inputs(plan->folder, options, results, err);
}

int write_html(const report_options& options, const comparison& results, const rank_summary& ranks,
               const std::vector<measure_tests>& tests, const image_opener& open, int threads, std::ostream& err) {
    std::error_code ignored;
    if (!options.segmentations.empty() && !fs::is_directory(options.segmentations, ignored)) {
        // A mistyped folder would otherwise only show as placeholders.
        err << prefix << options.segmentations << ": no such folder\n";
        return exit_failure;
    }
    html_plan plan;
    if (!plan_html(options, results, &plan, err)) return exit_failure;
    replacing_file page;
    std::string error;
    if (!page.open(options.html, &error)) {
        err << prefix << error << "\n";
        return exit_failure;
    }
    page_content content;
    content.results = &results;
    content.ranks = &ranks;
    content.tables = options.tables;
    content.tests = &tests;
    std::unique_ptr<thumbnail_store> store = embedding_store();
    if (!plan.one_file) {
        auto folder = std::make_unique<folder_store>();
        const std::string url = url_path(fs::path(plan.folder).filename().string()) + "/";
        if (!folder->open(plan.folder, url, &error)) {
            err << prefix << error << "\n";
            return exit_failure;
        }
        store = std::move(folder);
        content.data_script = url + "data.js";
    }
    std::vector<image_thumbnails> thumbnails;
    if (wants_thumbnails(options)) {
        const label_files labels = label_files_of(options);
        thumbnails = make_thumbnails(results, labels, open, threads, *store);
        content.thumbnails = &thumbnails;
        note_failures(results, labels, thumbnails, err);
    }
    if (!plan.one_file) {
        replacing_file data;
        if (!data.open((fs::path(plan.folder) / "data.js").string(), &error) ||
            (write_images_data(content, [&data](std::string_view piece) { data.write(piece); }), !data.commit(&error))) {
            err << prefix << error << "\n";
            return exit_failure;
        }
    }
    write_page(content, [&page](std::string_view piece) { page.write(piece); });
    if (!page.commit(&error) || !store->finish(&error)) {
        err << prefix << error << "\n";
        return exit_failure;
    }
    // An earlier, larger page's folder is no longer needed.
    if (plan.one_file && is_regular_or_absent(options.html)) remove_page_folder(files_folder(options.html));
    return exit_ok;
}

// The tests in column order (the text summary's and the file's) and in
// page order.
std::vector<measure_tests> in_order(const std::vector<measure_tests>& tests, const std::vector<int>& order) {
    std::map<int, const measure_tests*> by_measure;
    for (const measure_tests& t : tests) by_measure[t.measure] = &t;
    std::vector<measure_tests> ordered;
    for (int m : order)
        if (by_measure.count(m)) ordered.push_back(*by_measure[m]);
    return ordered;
}

bool write_statistics(const report_options& options, const comparison& results,
                      const std::vector<measure_tests>& tests, std::ostream& err) {
    if (!apart_from_inputs(options.statistics, "the statistics", "--statistics", options, results, err)) return false;
    if (!options.html.empty() && file_identity(options.html).same_as(options.statistics)) {
        err << prefix << terminal_text(options.statistics) << ": --statistics and --html name one file\n";
        return false;
    }
    std::string error;
    if (!replace_file(options.statistics, statistics_csv(results, tests), &error)) {
        err << prefix << error << "\n";
        return false;
    }
    return true;
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
    const std::vector<measure_tests> tests = test_measures(results, shown_measures(results, column_order()));
    if (!options.html.empty() && !apart_from_inputs(options.html, "the page", "--html", options, results, err))
        return exit_failure;
    if (!options.statistics.empty() && !write_statistics(options, results, tests, err)) return exit_failure;
    if (options.html.empty()) {
        out << text_summary(results, ranks, tests);
        return exit_ok;
    }
    return write_html(options, results, ranks, in_order(tests, page_measure_order()), open, threads, err);
}

}  // namespace strandel
